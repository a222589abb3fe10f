#include "chords/ChordLibraryRules.h"

#include "chords/ChordLibraryLine.h"

#include <QSet>
#include <QStringList>
#include <algorithm>

namespace chordlibrary {

namespace {

const QString kLineHead = QStringLiteral("{define ");

QList<int> values(const MChord &chord, int strings)
{
    QList<int> out;
    for (int k = 1; k <= strings; ++k)
        out.append(chord.value(k));
    return out;
}

QString withoutCarriageReturn(const QString &line)
{
    return line.endsWith(QLatin1Char('\r')) ? line.chopped(1) : line;
}

MChord shapeOf(const chordlib::LineShape &line, int strings)
{
    MChord chord;
    for (int k = 1; k <= 6; ++k)
        chord.setValue(k, k <= line.values.size() ? line.values.at(k - 1) : (strings == 4 ? chordlib::kMuted : 0));
    chord.fretPos = line.baseFret;
    return chord;
}

} // namespace

int stringCount(qint64 instrument)
{
    return instrument == 1 ? 4 : 6;
}

// ---- Library text and records ------------------------------------------------------

QList<ChordSpecs> readLibrary(const QString &text, qint64 instrument, bool validate, bool userDefined)
{
    QList<ChordSpecs> records;
    const int strings = stringCount(instrument);
    for (const QString &raw : text.split(QLatin1Char('\n'))) {
        QString name;
        MChord chord;
        if (validate) {
            const std::optional<chordlib::LibraryLine> line = chordlib::parseLine(withoutCarriageReturn(raw), strings);
            if (!line)
                continue;
            name = line->name.trimmed();
            chord = shapeOf(line->shape, strings);
        } else {
            const std::optional<chordlib::LineShape> line = chordlib::shapeAt(raw, kLineHead.size(), strings);
            if (!line)
                continue;
            name = raw.mid(kLineHead.size(), chordlib::kNameWidth).trimmed();
            chord = shapeOf(*line, strings);
        }
        chord.userDefined = userDefined;
        ChordSpecs record(records.size());
        record.setChordName(name);
        record.setChordX(chord);
        records.append(record);
    }
    return records;
}

QString libraryLine(const ChordSpecs &record, qint64 instrument)
{
    const int strings = stringCount(instrument);
    return chordlib::defineLine(record.chordName(), values(record.chordX(), strings), record.chordX().fretPos);
}

QString writeLibrary(const QList<ChordSpecs> &records, qint64 instrument, bool removeDuplicate)
{
    QString text;
    QSet<QString> seen;
    for (const ChordSpecs &record : records) {
        const QString line = libraryLine(record, instrument);
        if (line.isEmpty())
            continue;
        if (removeDuplicate) {
            // A set of lines, not a search of the growing text: imports stay linear.
            if (seen.contains(line))
                continue;
            seen.insert(line);
        }
        text += line;
    }
    return text;
}

MergedLibrary mergeLines(const QString &library, const QString &lines, qint64 instrument)
{
    QString text = library;
    if (!text.isEmpty() && !text.endsWith(QLatin1Char('\n')))
        text += QLatin1Char('\n');
    text += lines;
    QList<ChordSpecs> records = readLibrary(text, instrument, false, false);
    sortKeepingPositions(records, 0);
    MergedLibrary merged;
    merged.text = writeLibrary(records, instrument, true);
    merged.records = readLibrary(merged.text, instrument, false, false);
    return merged;
}

int sortKeepingPositions(QList<ChordSpecs> &records, int row)
{
    struct Keyed {
        QString key;
        ChordSpecs record;
    };
    QList<Keyed> keyed;
    keyed.reserve(records.size());
    for (int i = 0; i < records.size(); ++i) {
        ChordSpecs record = records.at(i);
        record.setIndex(i);
        record.setSel(i == row);
        keyed.append({record.sortString1(), record});
    }
    std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed &a, const Keyed &b) {
        return QString::compare(a.key, b.key, Qt::CaseInsensitive) < 0;
    });
    int found = row;
    for (int i = 0; i < keyed.size(); ++i) {
        records[i] = keyed.at(i).record;
        if (records[i].sel())
            found = i;
        records[i].setSel(false);
    }
    return found;
}

QString countLabel(qsizetype count)
{
    return QStringLiteral("%1 %2").arg(QString::number(count), count < 2 ? QStringLiteral("Chord") : QStringLiteral("Chords"));
}

QString cellText(const ChordSpecs &record, int column, qint64 instrument)
{
    if (column == 0)
        return record.chordName();
    if (column >= 1 && column <= 6) {
        if (column > stringCount(instrument))
            return {};
        return chordlib::cordeX(record.chordX().value(column));
    }
    if (column == 7)
        return QString::number(record.chordX().fretPos).rightJustified(2, QLatin1Char('0'));
    return {};
}

int findChord(const QList<ChordSpecs> &records, const QString &name, bool matchShape, const MChord &shape)
{
    int first = -1;
    for (int i = 0; i < records.size(); ++i) {
        if (records.at(i).chordName() != name)
            continue;
        if (first < 0)
            first = i;
        if (!matchShape)
            break;
        MChord a = records.at(i).chordX();
        a.userDefined = shape.userDefined;
        if (a == shape)
            return i;
    }
    return first;
}

bool libraryMoveAllowed(const QList<ChordSpecs> &records, int source, int proposedRow)
{
    if (source < 0 || source >= records.size())
        return false;
    const int neighbour = source < proposedRow ? proposedRow - 1 : proposedRow;
    if (neighbour < 0 || neighbour >= records.size())
        return false;
    return records.at(neighbour).chordName() == records.at(source).chordName();
}

bool moveRecord(QList<ChordSpecs> &records, int source, int dropRow)
{
    if (source < 0 || source >= records.size() || dropRow < 0 || dropRow > records.size())
        return false;
    const ChordSpecs record = records.at(source);
    if (source < dropRow) {
        records.insert(dropRow, record);
        records.removeAt(source);
    } else {
        records.removeAt(source);
        records.insert(dropRow, record);
    }
    return true;
}

QString locateName(int tag, bool command, bool shift)
{
    static const QStringList roots = {"C", "C#", "Db", "D", "D#", "Eb", "E", "F", "F#",
                                      "Gb", "G", "G#", "Ab", "A", "A#", "Bb", "B"};
    QString name = tag >= 0 && tag < roots.size() ? roots.at(tag) : QString();
    if (command)
        name += QLatin1Char('m');
    else if (shift)
        name += QLatin1Char('7');
    return name;
}

// ---- Shape editor ----------------------------------------------------------------------

MChord clickDot(const MChord &chord, int line, int column)
{
    MChord out = chord;
    if (column < 0 || column > 5 || line < 0 || line > 4)
        return out;
    const int k = column + 1;
    if (line >= 1) {
        out.setValue(k, line);
        return out;
    }
    out.setValue(k, chord.value(k) == 0 ? chordlib::kMuted : 0);
    return out;
}

int clampBaseFret(const QString &text)
{
    const int v = text.trimmed().compare(QLatin1String("x"), Qt::CaseInsensitive) == 0 ? 0 : chordlib::cordeN(text);
    return std::clamp(v, 1, chordlib::kMaxFret);
}

QString cutName(const QString &text)
{
    return text.left(chordlib::kNameWidth);
}

QString reformatChordName(const QString &name)
{
    qsizetype start = 0, end = name.size();
    auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    while (start < end && blank(name.at(start)))
        ++start;
    while (end > start && blank(name.at(end - 1)))
        --end;
    QString out = name.mid(start, end - start);
    if (out.isEmpty())
        return out;
    out[0] = out.at(0).toUpper();
    const qsizetype slash = out.indexOf(QLatin1Char('/'));
    if (slash >= 0 && slash < out.size() - 1)
        out[slash + 1] = out.at(slash + 1).toUpper();
    return out;
}

// ---- Chord files -----------------------------------------------------------------------

QString importableLines(const QString &text, qint64 instrument)
{
    QString out;
    const int strings = stringCount(instrument);
    for (const QString &raw : text.split(QLatin1Char('\n'))) {
        const QString line = withoutCarriageReturn(raw);
        const std::optional<chordlib::LibraryLine> parsed = chordlib::parseLine(line, strings);
        // A blank name would become a chord no one can find or locate.
        if (parsed && !parsed->name.trimmed().isEmpty())
            out += line + QLatin1Char('\n');
    }
    return out;
}

QString exportFileName(qint64 instrument)
{
    return instrument == 0 ? QStringLiteral("GuitarChords.txt") : QStringLiteral("UkuleleChords.txt");
}

// ---- Song definitions ------------------------------------------------------------------

namespace {

QString directiveBody(const QString &name, const MChord &chord, qint64 instrument)
{
    QStringList strings;
    for (int v : values(chord, stringCount(instrument)))
        strings.append(chordlib::cordeX(v));
    return QStringLiteral("%1 base-fret %2 frets %3}").arg(name, QString::number(chord.fretPos), strings.join(QLatin1Char(' ')));
}

} // namespace

QString defineDirective(const QString &name, const MChord &chord, qint64 instrument)
{
    return QStringLiteral("{define: ") + directiveBody(name, chord, instrument);
}

qsizetype posInsert(const QString &songText)
{
    // Upper-cased a character at a time, so positions stay those of the song text.
    QString upper = songText;
    for (QChar &c : upper)
        c = c.toUpper();
    for (const char *directive : {"{KEY:", "{K:", "{SUBTITLE:", "{ST:", "{TITLE:", "{T:"}) {
        const qsizetype at = upper.indexOf(QLatin1String(directive));
        if (at < 0)
            continue;
        const qsizetype close = upper.indexOf(QLatin1Char('}'), at);
        return close < 0 ? 0 : close + 1;
    }
    return 0;
}

QString insertDefinition(const QString &songText, const QString &directive)
{
    const qsizetype at = posInsert(songText);
    if (at == 0)
        return directive + QLatin1Char('\n') + songText;
    return songText.left(at) + QLatin1Char('\n') + directive + songText.mid(at);
}

std::optional<DefinitionEdit> definitionEdit(const QString &listeDefineOrig, const ChordSpecs &record, bool remove,
                                             const QString &newName, qint64 instrument)
{
    const qsizetype p = listeDefineOrig.indexOf(QLatin1Char(' ') + record.chordName() + QLatin1Char(' '));
    if (p < 0 || record.chordName().isEmpty())
        return std::nullopt;
    const qsizetype close = listeDefineOrig.indexOf(QLatin1Char('}'), p);
    if (close < 0)
        return std::nullopt;
    const qsizetype q = close - p;
    DefinitionEdit edit;
    edit.remove = remove;
    if (remove) {
        const QString tail = listeDefineOrig.mid(p + 1, q);
        for (const QString &head : {QStringLiteral("{define: "), QStringLiteral("{define:")}) {
            if (listeDefineOrig.contains(head + tail)) {
                edit.from = head + tail;
                return edit;
            }
        }
        return std::nullopt;
    }
    edit.from = listeDefineOrig.mid(p, q + 1);
    edit.to = QLatin1Char(' ') + directiveBody(newName.isEmpty() ? record.chordName() : newName, record.chordX(), instrument);
    return edit;
}

bool applyDefinitionEdit(QString &songText, const DefinitionEdit &edit)
{
    if (edit.from.isEmpty() || !songText.contains(edit.from))
        return false;
    if (edit.remove) {
        songText.replace(QLatin1Char('\n') + edit.from, QString());
        songText.replace(edit.from + QLatin1Char('\n'), QString());
    }
    songText.replace(edit.from, edit.to);
    return true;
}

} // namespace chordlibrary
