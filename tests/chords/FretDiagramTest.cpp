#include "chords/FretDiagram.h"

#include <gtest/gtest.h>

#include "ChordTestUtil.h"

using namespace diagram;

namespace {

const QSizeF kSize(96, 96);

} // namespace

TEST(FretDiagram, BarreRule)
{
    struct Row {
        std::array<int, 6> p;
        int start, end, fret; // start 0: no barre
    };
    const Row rows[] = {
        {{1, 3, 3, 2, 1, 1}, 1, 6, 1},    // F: the whole neck
        {{-1, 1, 3, 3, 3, 1}, 2, 6, 1},   // Bb, A shape
        {{-1, 3, 2, 0, 1, 0}, 0, 0, 0},   // C: an open string below the lowest fret
        {{3, 2, 0, 0, 0, 3}, 0, 0, 0},    // G
        {{0, 2, 2, 1, 0, 0}, 0, 0, 0},    // E
        {{-1, 0, 2, 2, 2, 0}, 0, 0, 0},   // A, fingered
        {{1, 3, 3, 1, 1, 1}, 1, 6, 1},    // Fm
        {{2, 4, 4, 3, 2, 2}, 1, 6, 2},    // F#
        {{-1, -1, 0, 2, 3, 2}, 0, 0, 0},  // D
        {{-1, -1, 1, 1, 1, 1}, 0, 0, 0},  // four strings at one fret: a finger each
        {{-1, -1, 3, 2, 1, 1}, 5, 6, 1},  // small F: the two-string barre
        {{-1, 2, 4, 4, 4, 2}, 2, 6, 2},   // B
        {{-1, -1, 2, 2, 3, 3}, 0, 0, 0},
        {{0, 0, 0, 0, 0, 0}, 0, 0, 0},
        {{-1, -1, -1, -1, -1, -1}, 0, 0, 0},
    };
    for (const Row &r : rows) {
        const std::optional<Barre> b = ajusterBarre(r.p);
        if (r.start == 0) {
            EXPECT_FALSE(b) << r.p[0] << r.p[1] << r.p[2] << r.p[3] << r.p[4] << r.p[5];
            continue;
        }
        ASSERT_TRUE(b) << r.p[0] << r.p[1] << r.p[2] << r.p[3] << r.p[4] << r.p[5];
        EXPECT_EQ(b->start, r.start);
        EXPECT_EQ(b->end, r.end);
        EXPECT_EQ(b->fret, r.fret);
    }
}

TEST(FretDiagram, ColumnOrder)
{
    const MChord m = shape({1, 2, 3, 4, 5, 6}, 1);
    EXPECT_EQ(columnValues(m, false, false), (std::array<int, 6>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(columnValues(m, true, false), (std::array<int, 6>{6, 5, 4, 3, 2, 1}));
    EXPECT_EQ(columnValues(m, false, true), (std::array<int, 6>{0, 1, 2, 3, 4, 0}));
    EXPECT_EQ(columnValues(m, true, true), (std::array<int, 6>{0, 4, 3, 2, 1, 0}));
}

TEST(FretDiagram, PlanOfAShape)
{
    // Found nowhere: the name only.
    const FretPlan none = fretPlan(QStringLiteral("Xyz"), MChord(), {}, kSize);
    EXPECT_EQ(none.name, QStringLiteral("Xyz"));
    for (const FretColumn &c : none.columns) {
        EXPECT_EQ(c.mark, OpenMark::None);
        EXPECT_FALSE(c.dot);
    }
    EXPECT_FALSE(none.barre);
    EXPECT_TRUE(none.baseFret.isEmpty());
    EXPECT_FALSE(none.star);
    EXPECT_EQ(none.editMark, EditMark::Pencil);

    const FretPlan f = fretPlan(QStringLiteral("F"), shape({1, 3, 3, 2, 1, 1}, 1, true), {}, kSize);
    ASSERT_TRUE(f.barre);
    EXPECT_NEAR(f.barre->left(), f.columns[0].dot->left(), 0.01);
    EXPECT_NEAR(f.barre->right(), f.columns[5].dot->right(), 0.01);
    EXPECT_TRUE(f.nutShown);
    EXPECT_TRUE(f.star);
    // Dots sit halfway between their fret lines.
    EXPECT_NEAR(f.columns[1].dot->center().y(), (f.frets[2].y1() + f.frets[3].y1()) / 2, 0.01);

    const FretPlan f5 = fretPlan(QStringLiteral("A"), shape({1, 3, 3, 2, 1, 1}, 5), {}, kSize);
    EXPECT_EQ(f5.baseFret, QStringLiteral("5"));
    EXPECT_FALSE(f5.nutShown);
    EXPECT_FALSE(f5.star);

    const FretPlan c = fretPlan(QStringLiteral("C"), shape({-1, 3, 2, 0, 1, 0}, 1), {}, kSize);
    EXPECT_EQ(c.columns[0].mark, OpenMark::Muted);
    EXPECT_EQ(c.columns[3].mark, OpenMark::Open);
    EXPECT_EQ(c.columns[1].mark, OpenMark::None);
    EXPECT_FALSE(c.barre);

    // The grid has four rows: a fifth-row value has no dot.
    const FretPlan high = fretPlan(QStringLiteral("X"), shape({5, 3, 3, 2, 1, 9}, 1), {}, kSize);
    EXPECT_FALSE(high.columns[0].dot);
    EXPECT_FALSE(high.columns[5].dot);
    EXPECT_TRUE(high.columns[1].dot);

    FretOptions editing;
    editing.editing = true;
    editing.allowEditing = true;
    const FretPlan e = fretPlan(QStringLiteral("F"), shape({1, 3, 3, 2, 1, 1}, 1), editing, kSize);
    EXPECT_FALSE(e.barre);
    EXPECT_EQ(e.editMark, EditMark::Lock);
}

TEST(FretDiagram, UkulelePlan)
{
    FretOptions uke;
    uke.ukulele = true;
    // A ukulele F would make a barre on a guitar's columns; never here.
    const FretPlan plan = fretPlan(QStringLiteral("Bb"), shape({3, 2, 1, 1, -1, -1}, 1), uke, kSize);
    EXPECT_FALSE(plan.columns[0].shown);
    EXPECT_FALSE(plan.columns[5].shown);
    EXPECT_FALSE(plan.columns[0].dot);
    EXPECT_FALSE(plan.barre);
    ASSERT_TRUE(plan.columns[1].dot);
    EXPECT_NEAR(plan.columns[1].dot->center().y(), (plan.frets[2].y1() + plan.frets[3].y1()) / 2, 0.01);
    EXPECT_NEAR(plan.frets[0].x1(), plan.columns[1].string.x1(), 0.01);

    uke.rightHanded = true;
    const FretPlan mirrored = fretPlan(QStringLiteral("Bb"), shape({3, 2, 1, 1, -1, -1}, 1), uke, kSize);
    ASSERT_TRUE(mirrored.columns[4].dot);
    EXPECT_NEAR(mirrored.columns[4].dot->center().y(), plan.columns[1].dot->center().y(), 0.01);
}
