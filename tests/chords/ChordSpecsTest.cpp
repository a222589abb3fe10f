#include "chords/ChordSpecs.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {

QString key1(const char *name, qint64 index = 0)
{
    ChordSpecs spec(index);
    spec.setChordName(QString::fromUtf8(name));
    return spec.sortString1();
}

// Names in the order their library keys give.
QStringList sorted(QList<const char *> names)
{
    std::sort(names.begin(), names.end(), [](const char *a, const char *b) { return key1(a) < key1(b); });
    QStringList out;
    for (const char *n : names)
        out.append(QString::fromUtf8(n));
    return out;
}

} // namespace

TEST(ChordSpecs, LibraryOrder)
{
    EXPECT_EQ(key1("Am", 5), QStringLiteral("0609Am/             00000005"));
    EXPECT_EQ(key1(""), QString());
    EXPECT_EQ(sorted({"Cm", "C7", "C/E", "C"}), (QStringList{"C", "C/E", "C7", "Cm"}));
    // Db is a D chord by its letter and comes before D; C# is a C chord.
    EXPECT_EQ(sorted({"D", "Db", "C#", "C", "Cm7", "am", "B"}),
              (QStringList{"C", "Cm7", "C#", "Db", "D", "B", "am"}));
    // The index keeps the user's order among shapes of one name.
    EXPECT_LT(key1("G", 3), key1("G", 7));
    EXPECT_GT(key1("Cmaj7add9sus4xyzA", 9), key1("Cmaj7add9sus4xyzB", 2)); // one name past 16 characters
}

TEST(ChordSpecs, FinerOrderByKind)
{
    const struct {
        const char *name;
        const char *kind;
    } rows[] = {{"C", "00"}, {"Cm", "01"}, {"C7", "02"}, {"C/E", "03"}, {"Cm/G", "04"}, {"A7", "02"},
                {"A/C#", "03"}, {"Bb", "06"}, {"Bb/D", "07"}, {"F#m7", "08"}, {"F#m7/E", "09"}, {"Eb7", "10"},
                {"Eb7/G", "11"}};
    for (const auto &r : rows) {
        ChordSpecs spec;
        spec.setChordName(QString::fromUtf8(r.name));
        EXPECT_EQ(spec.sortString2().mid(4, 2), QLatin1String(r.kind)) << r.name;
    }
    ChordSpecs g(1);
    g.setChordName(QStringLiteral("G"));
    MChord shape;
    shape.s1 = 3;
    shape.s2 = 2;
    shape.s6 = -1;
    shape.fretPos = 1;
    g.setChordX(shape);
    EXPECT_EQ(g.sortString2(), QStringLiteral("050700G132000-1"));
}
