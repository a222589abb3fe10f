#include "events/NoteForm.h"

#include "library/Pieces.h"
#include "library/TextNumbers.h"

#include <QList>

namespace noteform {

using eventscript::WinIdTest;

namespace {

QString trimmed(const QString &s) { return notefile::trimBlanksAndTabs(s); }

QString withoutCr(QString line)
{
    if (line.endsWith(QLatin1Char('\r')))
        line.chop(1);
    return line;
}

const char *const kCommentStops[] = {"TAGS=", "TITLE=", "ARTIST=", "TEMPO=", "KEY=", "TEMPO ", "MESSAGE", "MIDI",
                                     "METRONOME", "@"};

bool isCommentLine(const QString &line, const WinIdTest &isValidWinID)
{
    if (line.isEmpty())
        return false;
    const QString up = line.toUpper();
    for (const char *stop : kCommentStops)
        if (up.contains(QLatin1String(stop)))
            return false;
    for (int s = 1; s <= 9; ++s)
        if (up.contains(dateKey(s)))
            return false;
    const qsizetype colon = line.indexOf(QLatin1Char(':'));
    if (colon > 0 && (colon == 2 || (isValidWinID && isValidWinID(line.left(colon)))))
        return false;
    return true;
}

// What a line of the written note stands for, so that a line kept from the
// old note finds its place again.
enum class Anchor { Blank, Master, Title, Artist, Tempo, Key, Date, Event, Tags, Comment, Kept };

struct Line {
    QString text;
    Anchor anchor = Anchor::Blank;
    QString id; // the date's key, the event's written line or the comment
};

bool sameAnchor(const Line &a, const Line &b)
{
    return a.anchor == b.anchor && (a.anchor == Anchor::Master || a.anchor == Anchor::Title
                                    || a.anchor == Anchor::Artist || a.anchor == Anchor::Tempo
                                    || a.anchor == Anchor::Key || a.anchor == Anchor::Tags || a.id == b.id);
}

// The note of the fields, line by line: each chunk ends in "\n".
QList<Line> buildLines(const Fields &f, const QString &eventScript)
{
    QList<Line> lines;
    auto add = [&lines](const QString &chunk, Anchor anchor, const QString &id = QString()) {
        QStringList parts = chunk.split(QLatin1Char('\n'));
        parts.removeLast(); // the chunk's own line end
        for (const QString &p : parts)
            lines.append(Line{p, p.isEmpty() && anchor != Anchor::Master ? Anchor::Blank : anchor,
                              anchor == Anchor::Event || anchor == Anchor::Comment ? p : id});
    };
    add(f.master + QStringLiteral("\n\n"), Anchor::Master);
    bool header = false;
    const QString title = trimmed(f.title), artist = trimmed(f.artist);
    if (f.titleEdited && !title.isEmpty()) {
        add(QStringLiteral("Title=%1\n").arg(title), Anchor::Title);
        header = true;
    }
    if (f.artistEdited && !artist.isEmpty()) {
        add(QStringLiteral("Artist=%1\n").arg(artist), Anchor::Artist);
        header = true;
    }
    if (textnum::intValue(f.tempo) >= 1) {
        static const char *const sig[] = {"\n", " 2/4\n", " 3/4\n", " 4/4\n"};
        const int s = f.signature >= 1 && f.signature <= 3 ? f.signature : 0;
        add(QStringLiteral("Tempo=") + trimmed(f.tempo) + QLatin1String(sig[s]), Anchor::Tempo);
        header = true;
    }
    if (!trimmed(f.key).isEmpty()) {
        add(QStringLiteral("Key=%1\n").arg(trimmed(f.key)), Anchor::Key);
        header = true;
    }
    if (header)
        add(QStringLiteral("\n"), Anchor::Blank);
    bool dates = false;
    for (int s = 1; s <= 9; ++s) {
        const QString d = trimmed(f.dates[s - 1]);
        if (d.isEmpty())
            continue;
        add(QStringLiteral("LastPlayedDate%1=%2\n").arg(QString::number(s), d), Anchor::Date, dateKey(s));
        dates = true;
    }
    if (dates)
        add(QStringLiteral("\n"), Anchor::Blank);
    if (!eventScript.isEmpty()) {
        add(eventScript.endsWith(QLatin1Char('\n')) ? eventScript : eventScript + QLatin1Char('\n'), Anchor::Event);
        add(QStringLiteral("\n"), Anchor::Blank);
    }
    if (!trimmed(f.tags).isEmpty()) {
        add(QStringLiteral("Tags=%1\n").arg(trimmed(f.tags)), Anchor::Tags);
        add(QStringLiteral("\n"), Anchor::Blank);
    }
    if (!f.comments.trimmed().isEmpty()) {
        const QString c = f.comments + QLatin1Char('\n');
        add(c, Anchor::Comment);
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

qsizetype lineOfPosition(const QString &note, qsizetype at)
{
    return at < 0 ? -1 : note.left(at).count(QLatin1Char('\n'));
}

// How each line of the old note is shown by the fields, the rows and the comments.
QList<Line> classify(const QString &oldNote, const WinIdTest &isValidWinID)
{
    const QStringList raw = oldNote.split(QLatin1Char('\n'));
    QList<Line> lines;
    for (const QString &r : raw)
        lines.append(Line{withoutCr(r), Anchor::Kept, QString()});
    if (!lines.isEmpty())
        lines[0].anchor = Anchor::Master;

    auto mark = [&](const QString &key, Anchor anchor, const QString &id = QString()) {
        const qsizetype i = lineOfPosition(oldNote, oldNote.indexOf(key, 0, Qt::CaseInsensitive));
        if (i >= 1 && lines[i].anchor == Anchor::Kept) {
            lines[i].anchor = anchor;
            lines[i].id = id;
        }
    };
    mark(QStringLiteral("TITLE="), Anchor::Title);
    mark(QStringLiteral("ARTIST="), Anchor::Artist);
    mark(QStringLiteral("KEY="), Anchor::Key);
    mark(QStringLiteral("TAGS="), Anchor::Tags);
    for (int s = 1; s <= 9; ++s)
        mark(dateKey(s), Anchor::Date, dateKey(s));
    for (qsizetype i = 1; i < lines.size(); ++i) {
        Line &l = lines[i];
        if (l.anchor != Anchor::Kept)
            continue;
        if (l.text.isEmpty()) {
            l.anchor = Anchor::Blank; // the layout writes its own blank lines
        } else if (eventscript::isEventLine(l.text)) {
            if (const SongEvPtr ev = eventscript::parseLine(l.text, 0, isValidWinID)) {
                l.anchor = Anchor::Event;
                l.id = eventscript::lineForEvent(*ev);
                if (l.id.endsWith(QLatin1Char('\n')))
                    l.id.chop(1);
            }
        }
        if (l.anchor == Anchor::Kept && isCommentLine(l.text, isValidWinID)) {
            l.anchor = Anchor::Comment;
            l.id = l.text;
        }
    }
    // The tempo header: the line the song's tempo is read from, when one is read.
    const piecesrules::TempoResult t = piecesrules::tempoFromNote(oldNote);
    if (t.tempo >= 1 && !t.keepStoredTempo) {
        const qsizetype i = lineOfPosition(oldNote, oldNote.indexOf(QStringLiteral("TEMPO"), 0, Qt::CaseInsensitive));
        if (i >= 1 && lines[i].anchor == Anchor::Kept)
            lines[i].anchor = Anchor::Tempo;
    }
    return lines;
}

} // namespace

QString dateKey(int screenSet) { return QStringLiteral("LASTPLAYEDDATE%1=").arg(screenSet); }

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
    const QStringList lines = note.split(QLatin1Char('\n'));
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QString line = withoutCr(lines[i]);
        if (isCommentLine(line, isValidWinID))
            out += line + QLatin1Char('\n');
    }
    return out;
}

Fields read(const QString &note, qint32 tempo, qint32 signatureCode, const WinIdTest &isValidWinID)
{
    Fields f;
    f.master = note.isEmpty() ? QString() : piecesrules::notetxtForDir(note, QString(), 0, 0);
    f.tempo = tempo >= 1 ? QString::number(tempo) : QString();
    f.signature = signatureIndex(signatureCode);
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

QString build(const Fields &fields, const QString &eventScript) { return joinLines(buildLines(fields, eventScript)); }

QString rebuild(const Fields &fields, const QString &eventScript, const QString &oldNote, const WinIdTest &isValidWinID)
{
    QList<Line> out = buildLines(fields, eventScript);
    if (oldNote.isEmpty())
        return joinLines(out);
    const QList<Line> old = classify(oldNote, isValidWinID);
    // Kept lines in their old order, each after the output line of its anchor.
    QList<QList<QString>> after(out.size());
    for (qsizetype i = 1; i < old.size(); ++i) {
        if (old[i].anchor != Anchor::Kept)
            continue;
        qsizetype target = 0; // the master line at worst
        for (qsizetype j = i - 1; j >= 1 && target == 0; --j) {
            if (old[j].anchor == Anchor::Kept || old[j].anchor == Anchor::Blank)
                continue;
            for (qsizetype k = 0; k < out.size(); ++k) {
                if (sameAnchor(out[k], old[j])) {
                    target = k;
                    break;
                }
            }
        }
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
