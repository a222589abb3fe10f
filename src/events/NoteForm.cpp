#include "events/NoteForm.h"

#include "library/Pieces.h"
#include "library/TextNumbers.h"

#include <QHash>
#include <QList>

#include <algorithm>

namespace noteform {

using eventscript::WinIdTest;

namespace {

QString trimmed(const QString &s) { return notefile::trimBlanksAndTabs(s); }

// Lines end where the event loader ends them: at "\n", "\r\n" and a lone "\r".
QString normalised(const QString &note)
{
    if (!note.contains(QLatin1Char('\r')))
        return note;
    QString n = note;
    return n.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

// Words that make a line no comment: header keys at its start (where they
// are read), the others anywhere in it.
const char *const kHeaderKeys[] = {"TAGS=", "TITLE=", "ARTIST=", "KEY="};
const char *const kCommentStops[] = {"TEMPO=", "TEMPO ", "MESSAGE", "MIDI", "METRONOME", "@"};

// The line the event script writes for a note line, without its line end;
// empty when the line gives no event or one the script does not write.
QString eventLineId(const QString &line, const WinIdTest &isValidWinID)
{
    if (line.isEmpty() || !eventscript::isEventLine(line))
        return QString();
    const SongEvPtr ev = eventscript::parseLine(line, 0, isValidWinID);
    if (!ev)
        return QString();
    QString id = eventscript::lineForEvent(*ev);
    if (id.endsWith(QLatin1Char('\n')))
        id.chop(1);
    return id;
}

bool isCommentLine(const QString &line, const WinIdTest &isValidWinID)
{
    if (line.isEmpty())
        return false;
    // A timed cue line is told at its third character: tested first, for notes of thousands.
    const qsizetype colon = line.indexOf(QLatin1Char(':'));
    if (colon == 2)
        return false;
    const QString up = line.toUpper();
    for (const char *stop : kCommentStops)
        if (up.contains(QLatin1String(stop)))
            return false;
    for (const char *key : kHeaderKeys)
        if (notefile::lineBeginsWithKey(line, QLatin1String(key)))
            return false;
    for (int s = 1; s <= 9; ++s)
        if (notefile::lineBeginsWithKey(line, dateKey(s)))
            return false;
    if (colon > 0 && isValidWinID && isValidWinID(line.left(colon)))
        return false;
    // "Play: 10:30 loud" is a cue row already: shown twice, it was written twice
    // and grew at every save.
    return eventLineId(line, isValidWinID).isEmpty();
}

// What a line of the written note stands for, so that a line kept from the
// old note finds its place again.
enum class Anchor { Blank, Master, Title, Artist, Tempo, Key, Date, Event, Tags, Comment, Kept };

struct Line {
    QString text;
    Anchor anchor = Anchor::Blank;
    QString id;             // the date's key, the event's written line or the comment
    qsizetype valueAt = -1; // a header's value starts here
};

// Lines that stand for the same thing: one field, or one cue, comment or date by its text.
QString anchorKey(const Line &l)
{
    const bool byText = l.anchor == Anchor::Event || l.anchor == Anchor::Comment || l.anchor == Anchor::Date;
    return QString::number(int(l.anchor)) + (byText ? QLatin1Char(':') + l.id : QString());
}

// The old note: its lines as the fields, rows and comments show them, and the
// fields it gives.
struct OldNote {
    QList<Line> lines;
    Fields fields;
    const Line *header(Anchor anchor, const QString &id = QString()) const
    {
        for (const Line &l : lines)
            if (l.anchor == anchor && l.id == id)
                return &l;
        return nullptr;
    }
};

// The header line a field writes (empty for none), without its line end.
QString layoutLine(const Fields &f, Anchor anchor, int screenSet = 0)
{
    switch (anchor) {
    case Anchor::Title:
        return f.titleEdited && !trimmed(f.title).isEmpty() ? QStringLiteral("Title=") + trimmed(f.title) : QString();
    case Anchor::Artist:
        return f.artistEdited && !trimmed(f.artist).isEmpty() ? QStringLiteral("Artist=") + trimmed(f.artist)
                                                              : QString();
    case Anchor::Tempo: {
        if (textnum::intValue(f.tempo) < 1)
            return QString();
        static const char *const sig[] = {"", " 2/4", " 3/4", " 4/4"};
        const int s = f.signature >= 1 && f.signature <= 3 ? f.signature : 0;
        return QStringLiteral("Tempo=") + trimmed(f.tempo) + QLatin1String(sig[s]);
    }
    case Anchor::Key: return trimmed(f.key).isEmpty() ? QString() : QStringLiteral("Key=") + trimmed(f.key);
    case Anchor::Tags: return trimmed(f.tags).isEmpty() ? QString() : QStringLiteral("Tags=") + trimmed(f.tags);
    case Anchor::Date: {
        const QString d = trimmed(f.dates[screenSet - 1]);
        return d.isEmpty() ? QString() : QStringLiteral("LastPlayedDate%1=%2").arg(QString::number(screenSet), d);
    }
    default: return QString();
    }
}

// Where on a tempo line the song's tempo is read: the first run of two or
// three digits within 11 characters of "TEMPO" (a lone digit is passed over).
bool tempoDigits(const QString &line, qsizetype *runAt, qsizetype *runLen)
{
    const qsizetype at = line.indexOf(QLatin1String("TEMPO"), 0, Qt::CaseInsensitive);
    if (at < 0)
        return false;
    qsizetype start = -1, len = 0;
    for (qsizetype i = at; i < qMin(line.size(), at + 11); ++i) {
        if (line[i] >= QLatin1Char('0') && line[i] <= QLatin1Char('9')) {
            if (len == 0)
                start = i;
            if (++len == 3)
                break;
        } else {
            if (len == 2)
                break;
            len = 0;
        }
    }
    *runAt = start;
    *runLen = len;
    return len >= 2;
}

// The old tempo line with the new tempo and signature put in place of the old
// ones, so the words around them stay.
QString tempoInPlace(const QString &line, const Fields &f)
{
    qsizetype runAt = -1, runLen = 0;
    tempoDigits(line, &runAt, &runLen);
    const QString tempo = trimmed(f.tempo);
    QString out = line.left(runAt) + tempo + line.mid(runAt + runLen);
    const qsizetype after = runAt + tempo.size();
    static const char *const sig[] = {"", "2/4", "3/4", "4/4"};
    const int s = f.signature >= 1 && f.signature <= 3 ? f.signature : 0;
    qsizetype old = -1;
    for (int k = 1; k <= 3; ++k) {
        const qsizetype p = out.indexOf(QLatin1String(sig[k]), after);
        if (p >= 0 && (old < 0 || p < old))
            old = p;
    }
    if (old >= 0 && s >= 1) {
        out.replace(old, 3, QLatin1String(sig[s]));
    } else if (old >= 0) {
        const qsizetype from = old > after && out[old - 1] == QLatin1Char(' ') ? old - 1 : old;
        out.remove(from, old + 3 - from);
    } else if (s >= 1) {
        out.insert(after, QLatin1Char(' ') + QLatin1String(sig[s]));
    }
    return out;
}

// The note of the fields, line by line. A header field the user left as it
// was keeps its old line as it stood (or writes none when the old note showed
// its value elsewhere); an edited one changes only its value on its old line.
QList<Line> buildLines(const Fields &f, const QString &eventScript, const OldNote &old)
{
    QList<Line> lines;
    auto add = [&lines](const QString &chunk, Anchor anchor, const QString &id = QString()) {
        QStringList parts = chunk.split(QLatin1Char('\n'));
        parts.removeLast(); // the chunk's own line end
        for (const QString &p : parts)
            lines.append(Line{p, p.isEmpty() && anchor != Anchor::Master ? Anchor::Blank : anchor,
                              anchor == Anchor::Event || anchor == Anchor::Comment ? p : id});
    };
    auto header = [&](Anchor anchor, int screenSet = 0) {
        const QString id = anchor == Anchor::Date ? dateKey(screenSet) : QString();
        const QString now = layoutLine(f, anchor, screenSet);
        const Line *was = old.header(anchor, id);
        qsizetype runAt = 0, runLen = 0;
        // A tempo read off the lines below "Tempo:" would change as the layout
        // moves them: the field's own line takes that line's place.
        const bool replaced = anchor == Anchor::Tempo && was && !tempoDigits(was->text, &runAt, &runLen);
        if (replaced)
            was = nullptr;
        QString text;
        if (!replaced && now == layoutLine(old.fields, anchor, screenSet))
            text = was ? was->text : QString();
        else if (!now.isEmpty() && was)
            text = anchor == Anchor::Tempo ? tempoInPlace(was->text, f)
                                           : was->text.left(was->valueAt) + now.mid(now.indexOf(QLatin1Char('=')) + 1);
        else
            text = now;
        if (text.isEmpty())
            return false;
        lines.append(Line{text, anchor, id});
        return true;
    };
    add(f.master + QStringLiteral("\n\n"), Anchor::Master);
    bool headers = false;
    for (Anchor a : {Anchor::Title, Anchor::Artist, Anchor::Tempo, Anchor::Key})
        headers |= header(a);
    if (headers)
        add(QStringLiteral("\n"), Anchor::Blank);
    bool dates = false;
    for (int s = 1; s <= 9; ++s)
        dates |= header(Anchor::Date, s);
    if (dates)
        add(QStringLiteral("\n"), Anchor::Blank);
    if (!eventScript.isEmpty()) {
        add(eventScript.endsWith(QLatin1Char('\n')) ? eventScript : eventScript + QLatin1Char('\n'), Anchor::Event);
        add(QStringLiteral("\n"), Anchor::Blank);
    }
    if (header(Anchor::Tags))
        add(QStringLiteral("\n"), Anchor::Blank);
    if (!f.comments.trimmed().isEmpty()) {
        const QString c = f.comments + QLatin1Char('\n');
        add(c, Anchor::Comment);
    }
    // An event nobody edited is written as its old line: the script's own
    // form drops words no row shows ("Play: 10:30 loud" became "Play 10:30").
    QHash<QString, QStringList> oldEvents;
    for (const Line &l : old.lines)
        if (l.anchor == Anchor::Event)
            oldEvents[l.id].append(l.text);
    for (Line &l : lines) {
        if (l.anchor != Anchor::Event)
            continue;
        const auto it = oldEvents.find(l.id);
        if (it != oldEvents.end() && !it->isEmpty())
            l.text = it->takeFirst();
    }
    return lines;
}

QString joinLines(const QList<Line> &lines)
{
    QString out;
    for (const Line &l : lines) {
        out += l.text;
        out += QLatin1Char('\n');
    }
    return out;
}

// How each line of a note is shown by the fields, the rows and the comments.
// Without `events` the cue lines are not told apart from lines kept as they
// stand: the comments come out the same (no cue line is a comment), with no
// line parsed that no comment test needs.
QList<Line> classifyLines(const QString &oldNote, const WinIdTest &isValidWinID, bool events = true)
{
    QList<Line> lines;
    if (oldNote.isEmpty())
        return lines;
    const QStringList raw = oldNote.split(QLatin1Char('\n'));
    QList<qsizetype> starts;
    qsizetype at = 0;
    for (const QString &r : raw) {
        starts.append(at);
        at += r.size() + 1;
        lines.append(Line{r, Anchor::Kept, QString()});
    }
    lines[0].anchor = Anchor::Master;
    // Events first: a cue row shows the line, whatever header key it holds.
    for (qsizetype i = 1; i < lines.size(); ++i) {
        Line &l = lines[i];
        if (l.text.isEmpty()) {
            l.anchor = Anchor::Blank; // the layout writes its own blank lines
        } else if (const QString id = events ? eventLineId(l.text, isValidWinID) : QString(); !id.isEmpty()) {
            l.anchor = Anchor::Event;
            l.id = id;
        }
    }
    auto lineOf = [&](qsizetype pos) {
        return pos < 0 ? qsizetype(-1) : qsizetype(std::upper_bound(starts.begin(), starts.end(), pos) - starts.begin() - 1);
    };
    auto mark = [&](const QString &key, Anchor anchor, const QString &id = QString()) {
        const qsizetype pos = key == QLatin1String("TEMPO") ? oldNote.indexOf(key, 0, Qt::CaseInsensitive)
                                                            : notefile::keyAt(oldNote, key);
        const qsizetype i = lineOf(pos);
        if (i >= 1 && lines[i].anchor == Anchor::Kept) {
            lines[i].anchor = anchor;
            lines[i].id = id;
            lines[i].valueAt = pos - starts[i] + key.size();
        }
    };
    mark(QStringLiteral("TITLE="), Anchor::Title);
    mark(QStringLiteral("ARTIST="), Anchor::Artist);
    mark(QStringLiteral("KEY="), Anchor::Key);
    mark(QStringLiteral("TAGS="), Anchor::Tags);
    for (int s = 1; s <= 9; ++s)
        mark(dateKey(s), Anchor::Date, dateKey(s));
    // The tempo header: the line the song's tempo is read from, when one is read.
    const piecesrules::TempoResult t = piecesrules::tempoFromNote(oldNote);
    if (t.tempo >= 1 && !t.keepStoredTempo)
        mark(QStringLiteral("TEMPO"), Anchor::Tempo);
    // "Tempo: 120" is the tempo field's line, not a comment too.
    for (qsizetype i = 1; i < lines.size(); ++i) {
        Line &l = lines[i];
        if (l.anchor == Anchor::Kept && isCommentLine(l.text, isValidWinID)) {
            l.anchor = Anchor::Comment;
            l.id = l.text;
        }
    }
    return lines;
}

OldNote classify(const QString &oldNote, const WinIdTest &isValidWinID)
{
    OldNote old;
    old.lines = classifyLines(oldNote, isValidWinID);
    const piecesrules::TempoResult t = piecesrules::tempoFromNote(oldNote);
    old.fields = read(oldNote, t.keepStoredTempo ? 0 : t.tempo, t.signature, isValidWinID);
    return old;
}

} // namespace

QString dateKey(int screenSet)
{
    // Asked for on every line a note's comments are read from.
    static const std::array<QString, 9> keys = [] {
        std::array<QString, 9> k;
        for (int s = 1; s <= 9; ++s)
            k[s - 1] = QStringLiteral("LASTPLAYEDDATE%1=").arg(s);
        return k;
    }();
    return screenSet >= 1 && screenSet <= 9 ? keys[screenSet - 1] : QStringLiteral("LASTPLAYEDDATE%1=").arg(screenSet);
}

int signatureIndex(qint32 signatureCode)
{
    switch (signatureCode) {
    case 2: return 1;
    case 3: return 2;
    case 4: return 3;
    default: return 0;
    }
}

QString headerValue(const QString &note, const QString &key)
{
    const std::optional<QString> v = notefile::keyValue(note, key);
    return v ? trimmed(*v) : QString();
}

QString comments(const QString &note, const WinIdTest &isValidWinID)
{
    QString out;
    for (const Line &l : classifyLines(normalised(note), isValidWinID, false))
        if (l.anchor == Anchor::Comment)
            out += l.text + QLatin1Char('\n');
    return out;
}

Fields read(const QString &rawNote, qint32 tempo, qint32 signatureCode, const WinIdTest &isValidWinID)
{
    const QString note = normalised(rawNote);
    Fields f;
    f.master = note.isEmpty() ? QString() : piecesrules::notetxtForDir(note, QString(), 0, 0);
    setTempo(f, tempo, signatureCode);
    f.comments = comments(note, isValidWinID);
    f.title = headerValue(note, QStringLiteral("TITLE="));
    f.titleEdited = !f.title.isEmpty();
    f.artist = headerValue(note, QStringLiteral("ARTIST="));
    f.artistEdited = !f.artist.isEmpty();
    f.tags = headerValue(note, QStringLiteral("TAGS="));
    f.key = headerValue(note, QStringLiteral("KEY="));
    for (int s = 1; s <= 9; ++s)
        f.dates[s - 1] = headerValue(note, dateKey(s));
    return f;
}

void setTempo(Fields &fields, qint32 tempo, qint32 signatureCode)
{
    fields.tempo = tempo >= 1 ? QString::number(tempo) : QString();
    fields.signature = signatureIndex(signatureCode);
}

QString build(const Fields &fields, const QString &eventScript)
{
    return joinLines(buildLines(fields, eventScript, OldNote()));
}

QString rebuild(const Fields &fields, const QString &eventScript, const QString &oldNote, const WinIdTest &isValidWinID)
{
    const OldNote before = classify(normalised(oldNote), isValidWinID);
    const QList<Line> out = buildLines(fields, eventScript, before);
    const QList<Line> &old = before.lines;
    // Kept lines in their old order, each after the output line of its anchor;
    // of lines written alike (two equal comments), the one in the same turn.
    QHash<QString, QList<qsizetype>> outAt;
    for (qsizetype k = 0; k < out.size(); ++k)
        outAt[anchorKey(out[k])].append(k);
    QList<qsizetype> written(old.size(), -1); // the output line each old line is written as
    QHash<QString, qsizetype> turn;
    for (qsizetype j = 0; j < old.size(); ++j) {
        if (old[j].anchor == Anchor::Kept || old[j].anchor == Anchor::Blank)
            continue;
        const QString key = anchorKey(old[j]);
        const QList<qsizetype> at = outAt.value(key);
        const qsizetype n = turn[key]++;
        if (!at.isEmpty())
            written[j] = at[qMin(n, at.size() - 1)];
    }
    // A kept line holding a header key stays below the line the key is read
    // from, or the field would read it instead. A key is read at the start of
    // a line; the tempo anywhere in one.
    QStringList keys{QStringLiteral("TITLE="), QStringLiteral("ARTIST="), QStringLiteral("KEY="),
                     QStringLiteral("TAGS="), QStringLiteral("TEMPO")};
    for (int s = 1; s <= 9; ++s)
        keys << dateKey(s);
    auto holds = [](const QString &line, const QString &key) {
        return key == QLatin1String("TEMPO") ? line.contains(key, Qt::CaseInsensitive)
                                             : notefile::lineBeginsWithKey(line, key);
    };
    QHash<QString, qsizetype> firstLine;
    for (const QString &key : std::as_const(keys))
        for (qsizetype j = 1; j < old.size() && !firstLine.contains(key); ++j)
            if (holds(old[j].text, key))
                firstLine.insert(key, j);
    QList<QList<QString>> after(out.size());
    for (qsizetype i = 1; i < old.size(); ++i) {
        if (old[i].anchor != Anchor::Kept)
            continue;
        qsizetype target = 0; // the master line at worst
        for (qsizetype j = i - 1; j >= 1 && target == 0; --j)
            if (written[j] > 0)
                target = written[j];
        for (auto it = firstLine.cbegin(); it != firstLine.cend(); ++it)
            if (it.value() < i && holds(old[i].text, it.key()))
                target = qMax(target, written[it.value()]);
        written[i] = target;
        after[target].append(old[i].text);
    }
    QList<Line> merged;
    for (qsizetype k = 0; k < out.size(); ++k) {
        merged.append(out[k]);
        for (const QString &kept : std::as_const(after[k]))
            merged.append(Line{kept, Anchor::Kept, QString()});
    }
    return joinLines(merged);
}

bool isBlank(const QString &note)
{
    for (QChar c : note)
        if (c != QLatin1Char(' ') && c != QLatin1Char('\t') && c != QLatin1Char('\n') && c != QLatin1Char('\r'))
            return false;
    return true;
}

} // namespace noteform
