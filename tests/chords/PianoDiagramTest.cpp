#include "chords/ChordLookup.h"
#include "chords/PianoDiagram.h"
#include "chords/PianoInversionText.h"

#include <gtest/gtest.h>

using namespace diagram;

namespace {

QList<int> keys(const MChord &m)
{
    QList<int> out;
    for (int k = 1; k <= 6; ++k)
        out.append(m.value(k));
    while (!out.isEmpty() && out.last() == 0)
        out.removeLast();
    return out;
}

MChord piano(const char *name, int inversion = 0)
{
    MChord m = chordlookup::obtenirMChordPiano(QLatin1String(name), QString());
    m.fretPos = inversion;
    return m;
}

} // namespace

TEST(PianoDiagram, InversionsStepAndWrap)
{
    PianoInversions c(piano("C"));
    EXPECT_EQ(c.counterText(), QStringLiteral("❮  1/3  ❯"));
    EXPECT_EQ(keys(c.shown()), (QList<int>{1, 5, 8}));
    c.step(false);
    EXPECT_EQ(keys(c.shown()), (QList<int>{13, 5, 8}));
    EXPECT_EQ(c.shown().fretPos, 1);
    c.step(false);
    EXPECT_EQ(keys(c.shown()), (QList<int>{13, 17, 8}));
    c.step(false);
    EXPECT_EQ(keys(c.shown()), (QList<int>{1, 5, 8}));
    EXPECT_EQ(c.noChord(), 1);

    PianoInversions back(piano("C"));
    back.step(true);
    EXPECT_EQ(back.noChord(), 3);
    EXPECT_EQ(back.counterText(), QStringLiteral("❮  3/3  ❯"));

    // An inversion kept in the song is shown at once.
    const PianoInversions stored(piano("Am", 2));
    EXPECT_EQ(stored.noChord(), 3);
    EXPECT_EQ(stored.shown().fretPos, 2);
}

TEST(PianoDiagram, EveryInversionStaysOnTheKeyboard)
{
    EXPECT_FALSE(PianoInversions(piano("C")).debutSurSol());
    EXPECT_FALSE(PianoInversions(piano("A")).debutSurSol());
    // B major reaches key 19: the keyboard starts at F.
    EXPECT_TRUE(PianoInversions(piano("B")).debutSurSol());
    for (const char *root : {"C", "C#", "D", "Eb", "E", "F", "F#", "G", "Ab", "A", "Bb", "B"}) {
        // Five-note chords can span more than the eleven white keys.
        for (const char *quality : {"", "m", "7", "maj7", "m6", "m7-5", "dim7", "sus4"}) {
            const QByteArray name = QByteArray(root) + quality;
            PianoInversions chord(piano(name.constData()));
            for (int i = 0; i <= chord.nbChord(); ++i) {
                for (int k = 1; k <= 6; ++k)
                    if (chord.shown().value(k) > 0) {
                        EXPECT_TRUE(keyPlace(chord.drawn().value(k), chord.debutSurSol()))
                            << name.constData() << " inversion " << chord.noChord() << " key " << k;
                    }
                chord.step(false);
            }
        }
    }
}

TEST(PianoDiagram, KeysWithoutNotesHaveInertArrows)
{
    // Before, such a chord counted "1/0" and stepped to inversion -1.
    PianoInversions none(piano("Cxyz"));
    EXPECT_EQ(none.nbChord(), 0);
    none.step(false);
    none.step(true);
    EXPECT_EQ(none.noChord(), 1);
    EXPECT_EQ(none.shown().fretPos, 0);
    const PianoPlan plan = pianoPlan(QStringLiteral("Cxyz"), none, QSizeF(120, 96));
    EXPECT_FALSE(plan.arrows);
    EXPECT_TRUE(plan.counter.isEmpty());
    EXPECT_TRUE(plan.dots.isEmpty());
}

TEST(PianoDiagram, KeyPlaces)
{
    const struct {
        int value;
        bool f;
        int index;
        bool black;
    } rows[] = {
        {1, false, 1, false},  {2, false, 1, true},   {4, false, 2, true},  {5, false, 3, false},
        {6, false, 4, false},  {7, false, 4, true},   {12, false, 7, false}, {13, false, 8, false},
        {14, false, 8, true},  {16, false, 9, true},  {18, false, 11, false}, {1, true, 1, false},
        {2, true, 1, true},    {6, true, 3, true},    {7, true, 4, false},  {8, true, 5, false},
        {9, true, 5, true},    {18, true, 10, true},  {19, true, 11, false},
    };
    for (const auto &r : rows) {
        const auto place = keyPlace(r.value, r.f);
        ASSERT_TRUE(place) << r.value << (r.f ? " F" : " C");
        EXPECT_EQ(place->index, r.index) << r.value << (r.f ? " F" : " C");
        EXPECT_EQ(place->black, r.black) << r.value << (r.f ? " F" : " C");
    }
    EXPECT_FALSE(keyPlace(0, false));
    EXPECT_FALSE(keyPlace(19, false));
    EXPECT_FALSE(keyPlace(20, true));
    EXPECT_FALSE(keyPlace(-11, true));

    // No black key between E and F or B and C.
    const PianoPlan c = pianoPlan(QStringLiteral("C"), PianoInversions(piano("C")), QSizeF(120, 96));
    EXPECT_EQ(c.whiteKeys.size(), 11);
    EXPECT_EQ(c.blackKeys.size(), 8);
    EXPECT_EQ(c.dots.size(), 3);
    EXPECT_TRUE(c.dots.first().root);
}

TEST(PianoInversionText, DirectivesKeptInTheSong)
{
    const struct {
        const char *before;
        const char *chord;
        int inversion;
        bool changed;
        const char *after;
    } rows[] = {
        {"{title: T}\n{key: C}\n[Am]x\n", "Am", 1, true, "{title: T}\n{key: C}\n{x_piano: Am inversion 1}\n[Am]x\n"},
        {"{title: T}\n[Am]x\n", "Am", 2, true, "{title: T}\n{x_piano: Am inversion 2}\n[Am]x\n"},
        {"[Am]x\n", "Am", 1, true, "{x_piano: Am inversion 1}\n[Am]x\n"},
        {"{T: Straße}\n{K: G}\n[G]x\n", "G", 1, true, "{T: Straße}\n{K: G}\n{x_piano: G inversion 1}\n[G]x\n"},
        {"{title: ẞ ß ß}\n[G]x\n", "G", 1, true, "{title: ẞ ß ß}\n{x_piano: G inversion 1}\n[G]x\n"},
        {"{t: T}\n{x_piano: Am inversion 1}\n[Am]x\n", "Am", 2, true, "{t: T}\n{x_piano: Am inversion 2}\n[Am]x\n"},
        {"{t: T}\n{x_piano: Am inversion 1}\n[Am]x\n", "Am", 0, true, "{t: T}\n[Am]x\n"},
        {"{x_piano: Am inversion 1}\n[Am]x\n", "Am", 0, true, "[Am]x\n"},
        {"{t: T}\n{x_piano: Am7 inversion 1}\n[Am]x\n", "Am", 0, false, "{t: T}\n{x_piano: Am7 inversion 1}\n[Am]x\n"},
        {"{t: T}\n{x_piano: Am inversion 1}\n", "Am", 1, false, "{t: T}\n{x_piano: Am inversion 1}\n"},
        {"{title: T\n[Am]x\n", "Am", 1, true, "{x_piano: Am inversion 1}\n{title: T\n[Am]x\n"},
        {"[C]x\n", "C", 0, false, "[C]x\n"},
        // A "%2" in a chord name stays part of the name (found by the fuzzer).
        {"[C%2]x\n", "C%2", 1, true, "{x_piano: C%2 inversion 1}\n[C%2]x\n"},
    };
    for (const auto &r : rows) {
        QString text = QString::fromUtf8(r.before);
        EXPECT_EQ(pianotext::setInversion(text, QString::fromUtf8(r.chord), r.inversion), r.changed) << r.before;
        EXPECT_EQ(text, QString::fromUtf8(r.after)) << r.before;
    }
}
