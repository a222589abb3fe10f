#include "ChordProTestUtil.h"
#include "chords/ChordLibraryLine.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <sys/stat.h>
#include <gtest/gtest.h>

namespace {

TEST(ChordProLoad, ReadsUtf8AndWindows1252AndEmptiesOnMissingFile)
{
    QTemporaryDir dir;
    ChordPro cp;
    const QString utf8 = testsupport::writeFile(dir.filePath("a.chopro"), QStringLiteral("{t:Café}\nÉté").toUtf8());
    cptest::load(cp, utf8);
    EXPECT_EQ(cp.chordProData(), QStringLiteral("{t:Café}\nÉté"));

    // "Café déjà" in Windows-1252.
    const QString latin = testsupport::writeFile(dir.filePath("b.cho"), QByteArray("Caf\xe9 d\xe9j\xe0\n"));
    cptest::load(cp, latin);
    EXPECT_EQ(cp.chordProData(), QStringLiteral("Café déjà\n"));

    cptest::load(cp, dir.filePath("missing.cho"));
    EXPECT_TRUE(cp.chordProData().isEmpty());
    EXPECT_EQ(cp.nbPages(), 0);
    EXPECT_EQ(cp.myFontSizeRef(), 17.0);
    EXPECT_TRUE(cp.chargerPage(QSizeF(600, 800), {}).isEmpty());
}

// Before, a named pipe named ".cho" blocked the window for ever, a link to
// /dev/zero was read until the program was killed, and a 200 MB file froze
// the window for minutes while it was laid out.
TEST(ChordProLoad, OnlyRegularFilesUpToOneMegabyteAreLaidOut)
{
    QTemporaryDir dir;
    const QByteArray fits = "[C]Words\n" + QByteArray(ChordPro::kMaxSongBytes - 9, 'a');
    ASSERT_EQ(fits.size(), ChordPro::kMaxSongBytes);
    testsupport::writeFile(dir.filePath("fits.cho"), fits);
    testsupport::writeFile(dir.filePath("over.cho"), fits + "a");
    ASSERT_TRUE(QFile::link("/dev/zero", dir.filePath("zero.cho")));
    ASSERT_EQ(mkfifo(QFile::encodeName(dir.filePath("pipe.cho")).constData(), 0600), 0);
    const struct {
        const char *name;
        const char *problem;
        qsizetype textSize;
    } rows[] = {
        {"fits.cho", "", fits.size()},
        {"over.cho", "too large to lay out", 0},
        {"zero.cho", "cannot be opened: not a file", 0},
        {"pipe.cho", "cannot be opened: not a file", 0},
    };
    ChordPro cp;
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        cptest::load(cp, dir.filePath(row.name));
        EXPECT_EQ(cp.loadProblem(), QString::fromUtf8(row.problem));
        EXPECT_EQ(cp.chordProData().size(), row.textSize);
    }
}

TEST(ChordProLoad, FontSizeDirectiveSetsReferenceSize)
{
    QTemporaryDir dir;
    ChordPro cp(QRectF(0, 0, 611, 752), nullptr, false);
    cptest::load(cp, testsupport::writeFile(dir.filePath("s.cho"), "{fontsize: 12.5}\nText\n"));
    EXPECT_EQ(cp.myFontSizeRef(), 12.5);
    // More characters fit on a line at a smaller size.
    const int at125 = cp.nbMaxCarRef();
    cptest::load(cp, testsupport::writeFile(dir.filePath("t.cho"), "Text\n"));
    EXPECT_GT(at125, cp.nbMaxCarRef());
}

TEST(ChordProLoad, FontSizeRules)
{
    const struct {
        const char *value;
        double expected;
    } cases[] = {
        {"17.5", 17.5}, {"17.55", 17.5}, {"9", 9.0},   {"12.5", 12.5}, {" 12 ", 12.0}, {"14.", 14.0},
        {"100", 17.0},  {"0", 17.0},     {".5", 17.0}, {"abc", 17.0},  {"", 17.0},
    };
    for (const auto &c : cases) {
        const QString text = QStringLiteral("{fontsize:%1}").arg(QLatin1String(c.value));
        EXPECT_EQ(ChordPro::obtenirFontSize(text, 17.0), c.expected) << c.value;
    }
    EXPECT_EQ(ChordPro::obtenirFontSize(QStringLiteral("no directive"), 17.0), 17.0);
    EXPECT_EQ(ChordPro::obtenirFontSize(QStringLiteral("{FONTSIZE:11}"), 17.0), 11.0);
}

TEST(ChordProLoad, HeaderLookup)
{
    EXPECT_EQ(ChordPro::obtenirChaine(QStringLiteral("x {TITLE:Song}"), QStringLiteral("{title:")), QStringLiteral("Song"));
    EXPECT_EQ(ChordPro::obtenirChaine(QStringLiteral("{title:}"), QStringLiteral("{title:")), std::nullopt);
    EXPECT_EQ(ChordPro::obtenirChaine(QStringLiteral("{title:Unclosed\nmore"), QStringLiteral("{title:")),
              std::nullopt);
    EXPECT_EQ(ChordPro::obtenirChaine(QStringLiteral("Line [C]text {title: Late }"), QStringLiteral("{TITLE:")),
              QStringLiteral(" Late "));
    // Offsets were taken in an upper-cased copy, where each "ß" became "SS": the value came out shifted.
    EXPECT_EQ(ChordPro::obtenirChaine(QStringLiteral("Straße ßß {title:Song}"), QStringLiteral("{title:")),
              QStringLiteral("Song"));
}

TEST(ChordProLoad, TitleSubtitleKeyPreferLongForms)
{
    ChordPro cp;
    cp.determinerTitreSousTitreCle(QStringLiteral("{t:Short}{title: Long }\n{st:Artist}\n{K:Am}"));
    EXPECT_EQ(cp.titre(), QStringLiteral("Long"));
    EXPECT_EQ(cp.sousTitre(), QStringLiteral("Artist"));
    EXPECT_EQ(cp.cle(), QStringLiteral("Am"));
    cp.determinerTitreSousTitreCle(QStringLiteral("{title:}\nbody"));
    EXPECT_TRUE(cp.titre().isEmpty());
    EXPECT_TRUE(cp.sousTitre().isEmpty());
    EXPECT_TRUE(cp.cle().isEmpty());
}

TEST(ChordProLoad, ChordListHoldsEachChordOnceInOrder)
{
    ChordPro cp;
    cptest::layout(cp, QStringLiteral("[C]one [G]two [C]three [ Am ]four\n{c: see [F]}\n[]x"));
    EXPECT_EQ(cp.listeAccords(), QStringLiteral(";C;G;Am;F;"));
    // Every pass starts the list afresh.
    cptest::layout(cp, QStringLiteral("[D]only"));
    EXPECT_EQ(cp.listeAccords(), QStringLiteral(";D;"));
}

TEST(ChordProLoad, GuitarAndUkuleleDefinitions)
{
    const QString g = QStringLiteral("{define G               |3:2:0:0:0:3#x:x:x:x:x:x#01}\n");
    const struct {
        const char *directive;
        const char *guitar;
        const char *ukulele;
    } cases[] = {
        {"{define: G base-fret 1 frets 3 2 0 0 0 3}", "G", ""},
        {"{define:G base-fret 1 frets 3 2 0 0 0 3}", "G", ""},
        // A blank before "}" counts as a seventh value; a fingering adds more.
        {"{define: G base-fret 1 frets 3 2 0 0 0 3 }", "", ""},
        {"{define: G base-fret 1 frets 3 2 0 0 0 3 fingers 3 2 0 0 0 4}", "", ""},
        {"{define: Dsus base-fret 3 frets x x 0 2 3 X}", "{define Dsus            |x:x:0:2:3:x#x:x:x:x:x:x#03}\n", ""},
        {"{define: C base-fret 1 frets 0 0 0 3}", "", "{define C               |0:0:0:3#x:x:x:x#01}\n"},
        // A two-digit fret or a base fret above 12 used to become a wrong shape ("10" read as 0, 15 as 12).
        {"{define: E7 base-fret 1 frets 0 2 0 1 10 0}", "", ""},
        {"{define: E7 base-fret 15 frets 0 2 0 1 0 0}", "", ""},
        {"{define: A base-fret 12 frets x 0 2 2 2 0}", "{define A               |x:0:2:2:2:0#x:x:x:x:x:x#12}\n", ""},
        {"{define: AVeryLongChordName base-fret 2 frets x 0 2 2 2 0}",
         "{define AVeryLongChordNa|x:0:2:2:2:0#x:x:x:x:x:x#02}\n", ""},
    };
    for (const auto &c : cases) {
        ChordPro cp;
        cptest::layout(cp, QLatin1String(c.directive) + QStringLiteral("\nText\n"));
        cp.convertDefine();
        EXPECT_TRUE(cp.defineConverted());
        const QString expected = QLatin1String(c.guitar) == QLatin1String("G") ? g : QString::fromLatin1(c.guitar);
        EXPECT_EQ(cp.listeDefine(), expected) << c.directive;
        EXPECT_EQ(cp.listeDefineUk(), QString::fromLatin1(c.ukulele)) << c.directive;
    }
}

TEST(ChordProLoad, DefinitionsAreCollectedAsWrittenAndNotRendered)
{
    ChordPro cp;
    const QStringList out = cptest::layout(
        cp, QStringLiteral("{define: G base-fret 1 frets 3 2 0 0 0 3}\n{define: C base-fret 1 frets 0 0 0 3}\n"
                           "{x_piano: C inversion 1}\n{Define: X frets 1 1 1 1 1 1}\n"));
    EXPECT_TRUE(out.isEmpty()) << out.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(cp.listeDefineOrig(), QStringLiteral("{define: G base-fret 1 frets 3 2 0 0 0 3}"));
    EXPECT_EQ(cp.listeDefineOrigUk(), QStringLiteral("{define: C base-fret 1 frets 0 0 0 3}"));
    EXPECT_EQ(cp.listeInversionOrig(), QStringLiteral("{x_piano: C inversion 1}"));
}

TEST(ChordProLoad, PianoInversions)
{
    ChordPro cp;
    cptest::layout(cp, QStringLiteral("{x_piano: C inversion 1}{x_piano: Dm7 inversion 15}\n"));
    cp.convertInversion();
    EXPECT_TRUE(cp.inversionConverted());
    EXPECT_EQ(cp.listeInversion(),
              QStringLiteral("{x_piano C               |01}\n{x_piano Dm7             |12}\n"));
}

TEST(ChordProLoad, ReloadClearsConvertedState)
{
    QTemporaryDir dir;
    const QString path = testsupport::writeFile(dir.filePath("p.cho"),
                                                "{x_piano: C inversion 2}\n{define: G base-fret 1 frets 3 2 0 0 0 3}\n");
    ChordPro cp;
    cptest::load(cp, path);
    cp.chargerPage(QSizeF(600, 800), {});
    cp.convertInversion();
    cp.convertDefine();
    ASSERT_FALSE(cp.listeInversion().isEmpty());

    // The second load kept "inversion converted" while the pass emptied the
    // list, so the song's piano shapes were never converted again.
    cptest::load(cp, path);
    EXPECT_FALSE(cp.inversionConverted());
    EXPECT_FALSE(cp.defineConverted());
    cp.chargerPage(QSizeF(600, 800), {});
    EXPECT_FALSE(cp.inversionConverted());
    cp.convertInversion();
    EXPECT_EQ(cp.listeInversion(), QStringLiteral("{x_piano C               |02}\n"));
}

TEST(ChordLibraryLine, WritesOnlyShapesItsFieldsCanHold)
{
    EXPECT_EQ(chordlib::fixedName(QStringLiteral("Am")), QStringLiteral("Am              "));
    EXPECT_EQ(chordlib::fixedName(QStringLiteral("12345678901234567890")), QStringLiteral("1234567890123456"));
    EXPECT_EQ(chordlib::defineLine(QStringLiteral("C"), {chordlib::kMuted, 3, 2, 0, 1, 0}, 1),
              QStringLiteral("{define C               |x:3:2:0:1:0#x:x:x:x:x:x#01}\n"));
    EXPECT_EQ(chordlib::defineLine(QStringLiteral("C"), {0, 0, 0, 3}, 0),
              QStringLiteral("{define C               |0:0:0:3#x:x:x:x#00}\n"));
    EXPECT_TRUE(chordlib::defineLine(QStringLiteral("C"), {0, 0, 0}, 1).isEmpty());
    EXPECT_TRUE(chordlib::defineLine(QStringLiteral("C"), {0, 0, 0, 10}, 1).isEmpty());
    EXPECT_TRUE(chordlib::defineLine(QStringLiteral("C"), {0, 0, 0, 1}, 13).isEmpty());
    EXPECT_EQ(chordlib::pianoLine(QStringLiteral("G7"), -3), QStringLiteral("{x_piano G7              |00}\n"));
}

TEST(ChordProColors, OneTableOfReadableDefaults)
{
    // Every role has a colour, and text stands out from the page.
    for (int r = 0; r < int(chordpro::ColorRole::Count); ++r)
        EXPECT_TRUE(chordpro::defaultColor(chordpro::ColorRole(r)).isValid());
    const QColor page = chordpro::defaultColor(chordpro::ColorRole::Background);
    for (auto role : {chordpro::ColorRole::Text, chordpro::ColorRole::Chord})
        EXPECT_GT(std::abs(chordpro::defaultColor(role).lightness() - page.lightness()), 100);
    EXPECT_EQ(chordpro::namedColor(QStringLiteral("LyricsChordColor")), chordpro::defaultColor(chordpro::ColorRole::Chord));
    EXPECT_FALSE(chordpro::namedColor(QStringLiteral("Nope")).isValid());
}

} // namespace
