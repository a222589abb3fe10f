#include "chords/ChordDet.h"
#include "chords/ChordLibraryLine.h"
#include "chords/ChordLookup.h"
#include "library/Data.h"

#include <QHash>
#include <QSet>
#include <gtest/gtest.h>

namespace {

const char *const kRoots[] = {"C", "C#", "Db", "D", "D#", "Eb", "E", "F", "F#",
                              "Gb", "G", "G#", "Ab", "A", "A#", "Bb", "B"};
const char *const kQualities[] = {"",    "m",    "7",   "m7",  "maj7",  "M7",  "6",   "m6",  "9",   "add9",
                                  "sus", "sus4", "sus2", "7sus4", "dim", "dim7", "aug", "+", "m7-5"};

struct Instrument {
    int id;
    int strings;
    QList<int> tuning; // MIDI notes, s1 first
};

const Instrument kGuitar{0, 6, {40, 45, 50, 55, 59, 64}}; // E A D G B E
const Instrument kUkulele{1, 4, {67, 60, 64, 69}};        // G C E A, re-entrant

QHash<QString, chordlib::LineShape> readLibrary(const Instrument &inst)
{
    QHash<QString, chordlib::LineShape> shapes;
    const QString text = Data::obtenirDefaultChordStringforInstrument(inst.id);
    EXPECT_FALSE(text.isEmpty());
    EXPECT_TRUE(text.endsWith(QLatin1Char('\n')));
    const QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &line : lines) {
        EXPECT_EQ(line.size(), inst.strings == 6 ? 52 : 44) << qPrintable(line);
        const auto parsed = chordlib::parseLine(line, inst.strings);
        if (!parsed) {
            ADD_FAILURE() << "not a library line: " << qPrintable(line);
            continue;
        }
        const QString name = parsed->name.trimmed();
        EXPECT_FALSE(shapes.contains(name)) << "twice: " << qPrintable(name);
        shapes.insert(name, parsed->shape);
    }
    return shapes;
}

void checkMusic(const Instrument &inst)
{
    const QHash<QString, chordlib::LineShape> shapes = readLibrary(inst);
    EXPECT_GE(shapes.size(), 17 * 19);
    for (const char *root : kRoots) {
        for (const char *quality : kQualities) {
            const QString name = QLatin1String(root) + QLatin1String(quality);
            SCOPED_TRACE(qPrintable(name));
            ASSERT_TRUE(shapes.contains(name));
            const chordlib::LineShape &s = shapes.value(name);
            EXPECT_GE(s.baseFret, 1);
            EXPECT_LE(s.baseFret, 12);

            // The chord's pitch classes from the piano table.
            const int rootPc = ChordDet::noChordFromChord(name);
            const MChord keys = chordlookup::pianoSuffixKeys(QLatin1String(quality));
            QSet<int> chord;
            for (int k = 1; k <= 6; ++k)
                if (keys.value(k) > 0)
                    chord.insert((rootPc + keys.value(k) - 1) % 12);
            ASSERT_GE(chord.size(), 3);

            QList<int> sounded; // pitch classes, low string first
            for (int k = 0; k < inst.strings; ++k) {
                const int v = s.values.at(k);
                EXPECT_GE(v, -1);
                EXPECT_LE(v, 4);
                if (v < 0)
                    continue;
                const int fret = s.baseFret + v - 1;
                EXPECT_GE(fret, 0) << "string " << k + 1;
                sounded.append((inst.tuning.at(k) + fret) % 12);
            }
            for (int pc : sounded)
                EXPECT_TRUE(chord.contains(pc)) << "pitch class " << pc << " is not in the chord";

            QSet<int> needed = chord;
            const int fifth = (rootPc + 7) % 12;
            if (chord.size() >= 4)
                needed.remove(fifth);
            if (inst.id == 1 && chord.size() >= 5)
                needed.remove(rootPc);
            for (int pc : needed)
                EXPECT_TRUE(sounded.contains(pc)) << "pitch class " << pc << " is missing";

            if (inst.id == 0) {
                ASSERT_FALSE(sounded.isEmpty());
                EXPECT_EQ(sounded.first(), rootPc) << "the lowest string sounded is not the root";
            } else {
                EXPECT_EQ(sounded.size(), 4) << "a ukulele string is muted";
            }
        }
    }
    // Enharmonic spellings share one shape.
    const QList<QPair<const char *, const char *>> pairs = {
        {"C#", "Db"}, {"D#", "Eb"}, {"F#", "Gb"}, {"G#", "Ab"}, {"A#", "Bb"}};
    for (const auto &[sharp, flat] : pairs)
        for (const char *quality : kQualities) {
            const chordlib::LineShape a = shapes.value(QLatin1String(sharp) + QLatin1String(quality));
            const chordlib::LineShape b = shapes.value(QLatin1String(flat) + QLatin1String(quality));
            EXPECT_EQ(a.values, b.values) << sharp << quality;
            EXPECT_EQ(a.baseFret, b.baseFret) << sharp << quality;
        }
}

} // namespace

TEST(DefaultLibraries, GuitarShapesSoundTheirChords)
{
    checkMusic(kGuitar);
}

TEST(DefaultLibraries, UkuleleShapesSoundTheirChords)
{
    checkMusic(kUkulele);
}
