#include "chordpro/ChordProEditing.h"

#include "chordpro/ChordPro.h"
#include "chords/ChordDet.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"

#include <QRegularExpression>
#include <cmath>

namespace chordpro::editing {

QString defaultStringPourNouveau()
{
    return QStringLiteral(
        "{title:Title}\n{st:Artist}\n{fontsize:17.0}\n\n# Type your song here...\n\nPlease, take note of those "
        "keys:\n\nTab                 Insert a chord\nShift-Tab           Insert a ChordPro directive\nAlt-A to "
        "Alt-G      Quickly insert basic chords\nAlt-Up Alt-Down     Transpose (+1/-1 semitone)\nAlt-Left "
        "Alt-Right  Convert # to b  or  b to #\nCtrl+ Ctrl-         Adjust font size (fine)\nShift Ctrl+ Ctrl-   "
        "Adjust font size (coarse)\nAlt-T               Transpose\n\n[C]This is an [G]example\n\nIf you prefer, "
        "you can also enter your chords and lyrics using the format below and use the Convert "
        "button.\n\nExample:\n\nC       F       G\nThis is another example\n    Am          C\nPlease use Convert "
        "after entering\nC          F                G\nLyrics and Chords using this format\n\nSolo: C Am F C\n");
}

QString clearedText() { return QStringLiteral("{title:Title}\n{st:Artist}\n\n"); }

QStringList chordNames(const QString &listeAccords)
{
    return listeAccords.split(QLatin1Char(';'), Qt::SkipEmptyParts);
}

// ---- Conversion --------------------------------------------------------------

bool isChordLine(const QString &line)
{
    if (line.trimmed().isEmpty())
        return false;
    static const QString firsts = QStringLiteral("ABCDEFG");
    static const QString seconds = QStringLiteral("MBDA#124569S/(");
    int inWord = 0;
    for (const QChar raw : line) {
        if (raw.isSpace()) {
            inWord = 0;
            continue;
        }
        const QChar c = raw.toUpper();
        ++inWord;
        if (inWord == 1 && !firsts.contains(c))
            return false;
        if (inWord == 2 && !seconds.contains(c))
            return false;
    }
    return true;
}

namespace {

struct PlacedChord {
    int column;
    QString name;
};

std::vector<PlacedChord> chordsOf(const QString &chordLine)
{
    std::vector<PlacedChord> out;
    for (int i = 0; i < chordLine.size(); ++i) {
        if (chordLine.at(i).isSpace())
            continue;
        const int start = i;
        while (i < chordLine.size() && !chordLine.at(i).isSpace())
            ++i;
        out.push_back({start, chordLine.mid(start, i - start)});
    }
    return out;
}

QString bracketed(const QString &name) { return QLatin1Char('[') + name + QLatin1Char(']'); }

} // namespace

QString ligneMerge(const QString &chordLine, const QString &lyrics)
{
    const std::vector<PlacedChord> chords = chordsOf(chordLine);
    QString out;
    size_t next = 0;
    for (int i = 0; i < lyrics.size(); ++i) {
        if (next < chords.size() && chords[next].column == i)
            out += bracketed(chords[next++].name);
        out += lyrics.at(i);
    }
    for (; next < chords.size(); ++next)
        out += bracketed(chords[next].name);
    return out;
}

std::optional<QString> convertirTab(const QString &text)
{
    static const std::pair<const char *, const char *> replacements[] = {
        {"[ch]", ""},
        {"[/ch]", ""},
        {"[intro]", "Intro:"},
        {"[outro]", "Outro:"},
        {"[solo]", "Solo:"},
        {"[pre-chorus]", "Pre-Chorus:"},
        {"[chorus]", "Chorus:"},
        {"[refrain]", "Refrain:"},
        {"[bridge]", "Bridge:"},
        {"[verse]", "Verse:"},
        {"[verse 1]", "Verse 1:"},
        {"[verse 2]", "Verse 2:"},
        {"[verse 3]", "Verse 3:"},
        {"[verse 4]", "Verse 4:"},
        {"[verse 5]", "Verse 5:"},
        {"[instrumental]", "Instrumental:"},
        {"&gt;", ""},
        {"&lt;", ""},
    };
    QString copy = text;
    for (const auto &[from, to] : replacements)
        copy.replace(QLatin1String(from), QLatin1String(to), Qt::CaseInsensitive);

    QString out;
    std::optional<QString> pending;
    auto flushPending = [&] {
        if (pending)
            out += ligneMerge(*pending, QString()) + QLatin1Char('\n');
        pending.reset();
    };
    for (const QString &line : copy.split(QLatin1Char('\n'))) {
        if (line.trimmed().isEmpty()) {
            flushPending();
            out += line + QLatin1Char('\n');
        } else if (isChordLine(line)) {
            flushPending();
            pending = line;
        } else if (pending) {
            out += ligneMerge(*pending, line) + QLatin1Char('\n');
            pending.reset();
        } else if (line.contains(QLatin1Char(':')) && !line.contains(QLatin1Char('{'))) {
            const qsizetype colon = line.indexOf(QLatin1Char(':'));
            if (line.endsWith(QLatin1Char(':'))) {
                out += QStringLiteral("{c:%1}\n").arg(line);
            } else {
                const QString after = line.mid(colon + 1);
                out += QStringLiteral("{c:") + line.left(colon);
                if (isChordLine(after))
                    out += QStringLiteral(":}") + ligneMerge(after, QString()) + QLatin1Char('\n');
                else
                    out += line.mid(colon) + QStringLiteral("}\n");
            }
        } else {
            out += line + QLatin1Char('\n');
        }
    }
    // The last line, with no line end after it, was left pending.
    if (pending)
        out += *pending + QLatin1Char('\n');

    if (out.size() < 2 || out.chopped(1) == text)
        return std::nullopt;
    return out;
}

// ---- Transposition ---------------------------------------------------------

namespace {

bool startsLikeAChord(const QString &name)
{
    // "N.C." and other markers in brackets have no root to move.
    return !name.isEmpty() && QStringLiteral("ABCDEFG").contains(name.at(0).toUpper());
}

} // namespace

QString doTranspose(const QString &text, const QStringList &chords, const QString &key, int semitones,
                    int prefBemolDiese)
{
    QString reference = key.trimmed();
    if (reference.isEmpty()) {
        for (const QString &chord : chords)
            if (startsLikeAChord(chord.trimmed())) {
                reference = chord.trimmed();
                break;
            }
    }
    std::vector<ChordDet> moved;
    for (const QString &chord : chords) {
        if (!startsLikeAChord(chord))
            continue;
        ChordDet det(chord);
        det.transposeChord(semitones, reference, prefBemolDiese);
        moved.push_back(det);
    }
    QString copy = text;
    // The markers keep a chord already moved from being moved again.
    for (const ChordDet &det : moved)
        copy.replace(bracketed(det.chordSource()), QStringLiteral("[$%1$]").arg(det.chordDest()), Qt::CaseInsensitive);
    for (const ChordDet &det : moved)
        copy.replace(QStringLiteral("[$%1$]").arg(det.chordDest()), bracketed(det.chordDest()), Qt::CaseInsensitive);

    if (!reference.isEmpty() && !key.trimmed().isEmpty()) {
        const QString newKey = ChordDet::transposeSingleChord(reference, semitones, reference, prefBemolDiese);
        // The directive by its trimmed value, whatever its case and spacing.
        const QRegularExpression directive(
            QStringLiteral("(\\{\\s*(?:key|k)\\s*:\\s*)(%1)(\\s*\\})").arg(QRegularExpression::escape(reference)),
            QRegularExpression::CaseInsensitiveOption);
        QString result;
        qsizetype from = 0;
        for (auto it = directive.globalMatch(copy); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            result += QStringView(copy).mid(from, m.capturedStart(2) - from);
            result += newKey;
            from = m.capturedEnd(2);
        }
        result += QStringView(copy).mid(from);
        copy = result;
    }
    return copy;
}

TransposeRequest decodeTranspose(qint64 param)
{
    if (param < 7)
        return {int(param), 0};
    const qint64 n = param - 13;
    if (n < 7)
        return {int(n), 1};
    return {int(n - 13), 2};
}

qint64 transposeParamForRow(int row, int prefBemolDiese) { return qint64(prefBemolDiese) * 13 - row + 6; }

TransposeRow transposeRow(const QString &keyChord, const QStringList &chords, int row, int prefBemolDiese)
{
    const int semitones = 6 - row;
    TransposeRow out;
    out.chordNo = semitones > 0 ? QStringLiteral("+%1").arg(semitones) : QString::number(semitones);
    out.chord = ChordDet::transposeSingleChord(keyChord, semitones, keyChord, prefBemolDiese);
    for (const QString &chord : chords)
        if (startsLikeAChord(chord))
            out.chordList += ChordDet::transposeChordWithRoot(chord, semitones, keyChord, prefBemolDiese) +
                             QStringLiteral("  ");
    return out;
}

// ---- Font size ---------------------------------------------------------------

namespace {

QString sizeText(double size) { return QString::number(size, 'f', 1); }

// The "{fontsize:...}" the layout reads (the first in the text) when it is
// closed and alone on its line; the value's position and length.
struct SizeDirective {
    qsizetype valueStart = -1;
    qsizetype valueLength = 0;
};

std::optional<SizeDirective> ownLineSizeDirective(const QString &text)
{
    static const QString opener = QStringLiteral("{fontsize:");
    const qsizetype at = text.indexOf(opener, 0, Qt::CaseInsensitive);
    if (at < 0)
        return std::nullopt;
    const qsizetype lineStart = text.lastIndexOf(QLatin1Char('\n'), at) + 1;
    qsizetype lineEnd = text.indexOf(QLatin1Char('\n'), at);
    if (lineEnd < 0)
        lineEnd = text.size();
    const qsizetype close = text.indexOf(QLatin1Char('}'), at);
    if (close < 0 || close >= lineEnd)
        return std::nullopt;
    if (!text.mid(lineStart, at - lineStart).trimmed().isEmpty() || !text.mid(close + 1, lineEnd - close - 1).trimmed().isEmpty())
        return std::nullopt;
    const qsizetype valueStart = at + opener.size();
    return SizeDirective{valueStart, close - valueStart};
}

} // namespace

std::optional<QString> stepFontSize(const QString &text, double step)
{
    const std::optional<SizeDirective> directive = ownLineSizeDirective(text);
    // Only a directive the step can rewrite counts; any other reads as none.
    const double current =
        directive ? ChordPro::obtenirFontSize(text.mid(directive->valueStart - 10, directive->valueLength + 11), 0.0)
                  : 0.0;
    const double size = current == 0.0 ? 17.0 : std::round((current + step) * 10.0) / 10.0;
    if (size < kMinFontSize || size > kMaxFontSize)
        return std::nullopt;
    QString out;
    if (directive) {
        const QString oldValue = text.mid(directive->valueStart, directive->valueLength);
        out = text;
        out.replace(QStringLiteral("{fontsize:%1}").arg(oldValue), QStringLiteral("{fontsize:%1}").arg(sizeText(size)),
                    Qt::CaseInsensitive);
    } else {
        out = QStringLiteral("{fontsize:%1}\n").arg(sizeText(size)) + text;
    }
    if (out == text)
        return std::nullopt;
    return out;
}

QString fitToTwoPages(const QString &text, const std::function<int(const QString &)> &pagesOf)
{
    QString current = text;
    int pages = pagesOf(current);
    auto step = [&](double d) {
        const std::optional<QString> next = stepFontSize(current, d);
        if (!next)
            return false;
        current = *next;
        pages = pagesOf(current);
        return true;
    };
    while (pages >= 3)
        if (!step(-1.0))
            break;
    if (pages < 3) {
        while (pages < 3)
            if (!step(1.0))
                return current;
        while (pages >= 3)
            if (!step(-0.1))
                break;
    }
    return current;
}

// ---- New-song names ------------------------------------------------------------

QString sanitizeFileNameString(const QString &name)
{
    static const QString banned = QStringLiteral("/\\?%*|\"<>");
    QString out;
    for (const QChar c : name)
        if (!banned.contains(c) && c.category() != QChar::Other_Control)
            out += c;
    qsizetype lead = 0;
    while (lead < out.size() && (out.at(lead) == QLatin1Char('.') || out.at(lead).isSpace()))
        ++lead;
    return out.mid(lead).trimmed();
}

QString newSongBaseName(const QString &title, const QString &subtitle)
{
    const QString joined = subtitle.isEmpty() ? title : QStringLiteral("%1(%2)").arg(title, subtitle);
    QString name = sanitizeFileNameString(joined.trimmed());
    // Room for "_999.chopro" within the 255 bytes a file name may take.
    constexpr qsizetype kMaxBytes = 255 - 11;
    while (name.toUtf8().size() > kMaxBytes) {
        name.chop(1);
        if (!name.isEmpty() && name.back().isHighSurrogate())
            name.chop(1);
    }
    return name.trimmed();
}

NewSongPath newSongPath(const QString &folder, const QString &name)
{
    if (name.isEmpty())
        return {QString(), QStringLiteral("The song has no title to name its file after.")};
    const QString base = platform::filePath(folder, name);
    const QString plain = base + QStringLiteral(".chopro");
    if (!platform::pathExists(plain))
        return {plain, QString()};
    for (int n = 1; n <= 999; ++n) {
        const QString numbered = QStringLiteral("%1_%2.chopro").arg(base, QString::number(n));
        if (!platform::pathExists(numbered))
            return {numbered, QString()};
    }
    return {QString(), QStringLiteral("Every name from \"%1.chopro\" to \"%1_999.chopro\" is taken in %2.")
                           .arg(name, platform::toNativeSeparators(folder))};
}

// ---- Editing helpers -------------------------------------------------------------

QString wrapMarkup(Markup kind, const QString &selection)
{
    switch (kind) {
    case Markup::Chorus: return QStringLiteral("{soc}\n%1{eoc}\n").arg(selection);
    case Markup::Embed: return QStringLiteral("{soe}\n%1{eoe}\n").arg(selection);
    case Markup::Highlight: return QStringLiteral("{soh}%1{eoh}").arg(selection);
    case Markup::Comment: {
        QString s = selection;
        if (s.size() > 1 && s.endsWith(QLatin1Char('\n')))
            s.chop(1);
        return QStringLiteral("{c:%1}").arg(s);
    }
    }
    return selection;
}

QString markupSample(Markup kind)
{
    switch (kind) {
    case Markup::Chorus: return QStringLiteral("{soc}\n[C]Chorus\n{eoc}\n");
    case Markup::Embed: return QStringLiteral("{soe}\n[C]Example\n{eoe}\n");
    case Markup::Highlight: return QStringLiteral("{soh}text{eoh}");
    case Markup::Comment: return QStringLiteral("{c:text}\n");
    }
    return QString();
}

QStringList completions(const QString &partialWord, const QStringList &chords)
{
    QStringList out;
    if (partialWord.isEmpty())
        return out;
    const QChar last = partialWord.back();
    if (last == QLatin1Char('[')) {
        for (const QString &chord : chords)
            out << partialWord + chord + QLatin1Char(']');
        for (const char *root : {"C", "D", "E", "F", "G", "A", "B"})
            out << partialWord + QLatin1String(root) + QLatin1Char(']');
    } else if (last == QLatin1Char('{')) {
        for (const char *snippet : {"title:Title}", "st:Artist}", "key:C}", "c:Comment}", "soc}\n[C]Chorus\n{eoc}\n",
                                    "soh}text{eoh}", "soe}\n[C]Example\n{eoe}\n", "fontsize:18.0}"})
            out << partialWord + QLatin1String(snippet);
    }
    if (!out.isEmpty())
        out.prepend(partialWord);
    return out;
}

QString pageLabel(int pages)
{
    return pages < 2 ? QStringLiteral("%1 page").arg(pages) : QStringLiteral("%1 pages").arg(pages);
}

QString windowTitle(const QString &entryTitle, const QString &path, bool hasEntry, const QString &textTitle)
{
    if (hasEntry)
        return entryTitle;
    if (!path.isEmpty())
        return platform::fileName(path);
    if (textTitle.isEmpty() || textTitle == QLatin1String("Title"))
        return QStringLiteral("New Song:(no title)");
    return textTitle;
}

QString saveAwaited(const QString &name)
{
    return QStringLiteral("The library folder does not answer: \"%1\" is saved once it does, with what is typed "
                          "meanwhile. Escape leaves the editor; the save goes on.")
        .arg(name);
}

// ---- Colouring -------------------------------------------------------------------

std::vector<ColourSpan> colourSpans(const QString &text)
{
    std::vector<ColourSpan> out;
    int chord = -1, directive = -1, comment = -1;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('[')) {
            chord = i;
        } else if (c == QLatin1Char(']') && chord >= 0) {
            out.push_back({chord, i - chord + 1, SpanKind::Chord});
            chord = -1;
        } else if (c == QLatin1Char('{')) {
            directive = i;
        } else if (c == QLatin1Char('}') && directive >= 0) {
            out.push_back({directive, i - directive + 1, SpanKind::Directive});
            directive = -1;
        } else if (c == QLatin1Char('#') && i > 0 && text.at(i - 1) == QLatin1Char('\n')) {
            comment = i;
        } else if (c == QLatin1Char('\n') && comment >= 0) {
            out.push_back({comment, i - comment + 1, SpanKind::Comment});
            comment = -1;
        }
    }
    return out;
}

} // namespace chordpro::editing
