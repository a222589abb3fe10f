#include "chords/ChordLookup.h"

#include "chords/ChordDet.h"
#include "chords/ChordLibraryLine.h"
#include "library/Data.h"

#include <QHash>

namespace chordlookup {

namespace {

MChord fromLine(const chordlib::LineShape &line, bool userDefined, bool ukulele)
{
    MChord m;
    for (int k = 0; k < line.values.size(); ++k)
        m.setValue(k + 1, line.values.at(k));
    if (ukulele)
        m.s5 = m.s6 = -1;
    m.fretPos = line.baseFret;
    m.userDefined = userDefined;
    return m;
}

MChord lookup(const QString &name, const QString &songDefines, const QString &library, int strings)
{
    const bool ukulele = strings == 4;
    if (const auto own = chordlib::findShape(songDefines, name, strings))
        return fromLine(*own, true, ukulele);
    if (const auto lib = chordlib::findShape(library, name, strings))
        return fromLine(*lib, false, ukulele);
    return {};
}

// Keys over a C root, 1 = the root: semitones above it plus one.
const QHash<QString, QList<int>> &suffixTable()
{
    // The thirteenths carry the thirteenth (22) where an eleventh chord has
    // its eleventh (18); with a raised eleventh (19) it stands for the fifth.
    static const QHash<QString, QList<int>> table = {
        {QStringLiteral("m"), {1, 4, 8}},
        {QStringLiteral("+"), {1, 5, 9}},
        {QStringLiteral("3"), {1, 5, 8}},
        {QStringLiteral("4"), {1, 5, 6, 8}},
        {QStringLiteral("5"), {1, 8}},
        {QStringLiteral("6"), {1, 5, 8, 10}},
        {QStringLiteral("7"), {1, 5, 8, 11}},
        {QStringLiteral("2"), {1, 3, 5, 8}},
        {QStringLiteral("9"), {1, 5, 8, 11, 15}},
        {QStringLiteral("m7"), {1, 4, 8, 11}},
        {QStringLiteral("M7"), {1, 5, 8, 12}},
        {QStringLiteral("-5"), {1, 5, 7}},
        {QStringLiteral("M9"), {1, 5, 8, 12, 15}},
        {QStringLiteral("m6"), {1, 4, 8, 10}},
        {QStringLiteral("m9"), {1, 4, 8, 11, 15}},
        {QStringLiteral("11"), {1, 5, 8, 11, 15, 18}},
        {QStringLiteral("13"), {1, 5, 8, 11, 15, 22}},
        {QStringLiteral("-9"), {1, 5, 8, 11, 14}},
        {QStringLiteral("+5"), {1, 5, 9}},
        {QStringLiteral("+9"), {1, 5, 8, 11, 16}},
        {QStringLiteral("aug"), {1, 5, 9}},
        {QStringLiteral("dim"), {1, 4, 7}},
        {QStringLiteral("sus"), {1, 6, 8}},
        {QStringLiteral("6/9"), {1, 5, 8, 10, 15}},
        {QStringLiteral("M11"), {1, 5, 8, 12, 15, 18}},
        {QStringLiteral("M13"), {1, 5, 8, 12, 15, 22}},
        {QStringLiteral("mM7"), {1, 4, 8, 12}},
        {QStringLiteral("mM9"), {1, 4, 8, 12, 15}},
        {QStringLiteral("m11"), {1, 4, 8, 11, 15, 18}},
        {QStringLiteral("m13"), {1, 4, 8, 11, 15, 22}},
        {QStringLiteral("m-5"), {1, 4, 7}},
        {QStringLiteral("7-9"), {1, 5, 8, 11, 14}},
        {QStringLiteral("7+9"), {1, 5, 8, 11, 16}},
        {QStringLiteral("7-5"), {1, 5, 7, 11}},
        {QStringLiteral("7+5"), {1, 5, 9, 11}},
        {QStringLiteral("7/6"), {1, 5, 8, 10, 11}},
        {QStringLiteral("9-5"), {1, 5, 7, 11, 15}},
        {QStringLiteral("9+5"), {1, 5, 9, 11, 15}},
        {QStringLiteral("9/6"), {1, 5, 8, 10, 11, 15}},
        {QStringLiteral("+11"), {1, 5, 8, 11, 15, 19}},
        {QStringLiteral("maj7"), {1, 5, 8, 12}},
        {QStringLiteral("7sus"), {1, 6, 8, 11}},
        {QStringLiteral("sus4"), {1, 6, 8}},
        {QStringLiteral("dim7"), {1, 4, 7, 10}},
        {QStringLiteral("add4"), {1, 5, 6, 8}},
        {QStringLiteral("add9"), {1, 5, 8, 15}},
        {QStringLiteral("M7+5"), {1, 5, 9, 12}},
        {QStringLiteral("maj9"), {1, 5, 8, 12, 15}},
        {QStringLiteral("m6/9"), {1, 4, 8, 10, 15}},
        {QStringLiteral("m7-5"), {1, 4, 7, 11}},
        {QStringLiteral("9+11"), {1, 5, 8, 11, 15, 19}},
        {QStringLiteral("11-9"), {1, 5, 8, 11, 14, 18}},
        {QStringLiteral("13-9"), {1, 5, 8, 11, 14, 22}},
        {QStringLiteral("7/13"), {1, 5, 8, 11, 22}},
        {QStringLiteral("sus2"), {1, 3, 8}},
        {QStringLiteral("-9+5"), {1, 5, 9, 11, 14}},
        {QStringLiteral("-9-5"), {1, 5, 7, 11, 14}},
        {QStringLiteral("7sus4"), {1, 6, 8, 11}},
        {QStringLiteral("7add4"), {1, 5, 6, 8, 11}},
        {QStringLiteral("maj11"), {1, 5, 8, 12, 15, 18}},
        {QStringLiteral("maj13"), {1, 5, 8, 12, 15, 22}},
        {QStringLiteral("mmaj7"), {1, 4, 8, 12}},
        {QStringLiteral("mmaj9"), {1, 4, 8, 12, 15}},
        {QStringLiteral("madd9"), {1, 4, 8, 15}},
        {QStringLiteral("13+11"), {1, 5, 11, 15, 19, 22}},
        {QStringLiteral("-9+11"), {1, 5, 8, 11, 14, 19}},
        {QStringLiteral("maj7+5"), {1, 5, 9, 12}},
        {QStringLiteral("13-9-5"), {1, 5, 7, 11, 14, 22}},
        {QStringLiteral("13-9+11"), {1, 5, 11, 14, 19, 22}},
    };
    return table;
}

} // namespace

MChord obtenirMChord(const QString &name, const QString &songDefines)
{
    return lookup(name, songDefines, Data::allChordsString(), 6);
}

MChord obtenirMChordUk(const QString &name, const QString &songDefines)
{
    return lookup(name, songDefines, Data::allChordsStringUk(), 4);
}

MChord pianoSuffixKeys(const QString &suffix)
{
    MChord m;
    const QList<int> keys = suffix.isEmpty() ? QList<int>{1, 5, 8} : suffixTable().value(suffix);
    for (int k = 0; k < keys.size() && k < 6; ++k)
        m.setValue(k + 1, keys.at(k));
    return m;
}

QString pianoBaseName(const QString &name)
{
    for (const char *bass : {"/C", "/D", "/E", "/F", "/G", "/A", "/B"}) {
        const qsizetype q = name.indexOf(QLatin1String(bass));
        if (q >= 0)
            return name.left(q);
    }
    return name;
}

MChord obtenirMChordPiano(const QString &name, const QString &songInversions)
{
    const QString base = pianoBaseName(name);
    int inversion = 0;
    if (const auto own = chordlib::findShape(songInversions, base, chordlib::kPianoLine))
        inversion = own->baseFret;
    if (base.isEmpty()) {
        MChord none;
        none.fretPos = inversion;
        return none;
    }
    const int root = ChordDet::noChordFromChord(base);
    // A written accidental belongs to the root even on a white key: Cb is B.
    const bool accidental = base.size() >= 2 && (base.at(1) == QLatin1Char('#') || base.at(1) == QLatin1Char('b'));
    MChord m = pianoSuffixKeys(base.mid(accidental ? 2 : 1));
    for (int k = 1; k <= 6; ++k)
        if (m.value(k) > 0)
            m.setValue(k, m.value(k) + root);
    m.fretPos = inversion;
    m.userDefined = false;
    return m;
}

} // namespace chordlookup
