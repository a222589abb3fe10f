#include "chords/windows/WindowChords.h"

#include "ChordTestUtil.h"

#include "chords/ChordLibraryLine.h"
#include "chords/SongFileEdit.h"
#include "library/Data.h"
#include "platform/dialogs/ScriptedDialogs.h"
#include "support/GatedScan.h"
#include "support/TestSupport.h"
#include "windows/WindowFactory.h"
#include "windows/WindowPDFx.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class ChordStripTest : public ::testing::Test {
protected:
    // The program hands the strip's class to the factory at start-up.
    windowfactory::ScopedCreator stripClass_{14, [] { return new WindowChords; }};

    void SetUp() override
    {
        Data::allChordsString() = chordlib::defineLine(QStringLiteral("C"), {-1, 3, 2, 0, 1, 0}, 1)
                                  + chordlib::defineLine(QStringLiteral("Am"), {-1, 0, 2, 2, 1, 0}, 1);
        Data::allChordsStringUk() = chordlib::defineLine(QStringLiteral("C"), {0, 0, 0, 3}, 1);
        Data::chargerAllChordsString(false, -1, false); // marks them loaded: these texts stay
        Data::allChordsString() = chordlib::defineLine(QStringLiteral("C"), {-1, 3, 2, 0, 1, 0}, 1)
                                  + chordlib::defineLine(QStringLiteral("Am"), {-1, 0, 2, 2, 1, 0}, 1);
        Data::allChordsStringUk() = chordlib::defineLine(QStringLiteral("C"), {0, 0, 0, 3}, 1);
    }
    void TearDown() override
    {
        for (const QPointer<WindowPDFxSuper> &w : QList(Data::nsMutaryOfWindows()))
            if (w)
                Data::closeWinQuietly(w);
        Data::nsMutaryOfWindows().clear();
        testsupport::processEvents();
    }

    QString writeSong(const QString &name, const QString &text)
    {
        return testsupport::writeFile(dir.filePath(name), text.toUtf8());
    }

    WindowPDFx *tolvane()
    {
        auto *w = qobject_cast<WindowPDFx *>(Data::newWindowPDFx(false, 0));
        w->resize(800, 600);
        return w;
    }

    WindowChords *strip(int w, int h, qint64 instrument = 0)
    {
        auto *s = qobject_cast<WindowChords *>(Data::newWindowPDFx(false, 14));
        s->resize(w, h);
        s->iniFixPageNo(instrument);
        return s;
    }

    // A push, and the song's file read: the Tolvane window reads it off the main thread.
    static void push(WindowPDFxSuper *w, const PiecesPtr &piece)
    {
        w->setPDF(piece, 1, true, false, 0, nullptr, false);
        if (auto *tolvane = qobject_cast<WindowPDFx *>(w)) {
            ASSERT_TRUE(tolvane->renderer().waitForIdle());
        }
    }

    static QStringList names(const WindowChords *s)
    {
        QStringList out;
        for (ViewChordsSuper *v : s->diagrams())
            out.append(v->chordName());
        return out;
    }

    testsupport::FreshDefaults defaults;
    platform::ScriptedDialogs dialogs;
    QTemporaryDir dir;
};

QString manyChords(int n)
{
    QString body = QStringLiteral("{title: Many}\n");
    const char *roots[] = {"C", "D", "E", "F", "G"};
    const char *kinds[] = {"", "m", "7", "maj7", "sus4"};
    for (int i = 0; i < n; ++i)
        body += QStringLiteral("[%1%2]la ").arg(QLatin1String(roots[i / 5 % 5]), QLatin1String(kinds[i % 5]));
    return body + QLatin1Char('\n');
}

} // namespace

TEST_F(ChordStripTest, RowOrColumnByShape)
{
    WindowPDFx *t = tolvane();
    push(t, chordProPiece(writeSong(QStringLiteral("Many.cho"), manyChords(25))));
    WindowChords *s = strip(1900, 100);
    EXPECT_EQ(s->obtenirTitle(), QStringLiteral("Object - Chord Strip"));
    EXPECT_EQ(s->refTolvaneWin(), t);
    s->refreshInfo();
    EXPECT_EQ(s->nbChords(), 25);
    EXPECT_FALSE(s->isVertical());
    ASSERT_EQ(s->diagrams().size(), 20);
    EXPECT_EQ(s->diagrams().first()->size(), QSize(96, 96));
    EXPECT_EQ(names(s).first(), QStringLiteral("C"));
    EXPECT_EQ(names(s).at(1), QStringLiteral("Cm"));

    // Made higher than wide: one diagram per row, as wide as the window less 4.
    s->resize(120, 900);
    testsupport::processEvents();
    EXPECT_TRUE(s->isVertical());
    ASSERT_EQ(s->diagrams().size(), 25);
    EXPECT_EQ(s->diagrams().last()->width(), 116);
    EXPECT_GT(s->diagrams().last()->y(), s->diagrams().first()->y());

    s->iniFixPageNo(5);
    s->refreshInfo();
    EXPECT_TRUE(s->diagrams().isEmpty());
}

TEST_F(ChordStripTest, SongShapesAndSongChanges)
{
    WindowPDFx *t = tolvane();
    const PiecesPtr own = chordProPiece(writeSong(QStringLiteral("Own.cho"),
                                         QStringLiteral("{title: Own}\n{define: Am base-fret 5 frets x 0 2 2 1 0}\n[Am]a [C]b [Hm7]c\n")));
    push(t, own);
    WindowChords *s = strip(600, 100);
    s->refreshInfo();
    ASSERT_EQ(names(s), (QStringList{QStringLiteral("Am"), QStringLiteral("C"), QStringLiteral("Hm7")}));
    const QList<ViewChordsSuper *> views = s->diagrams();
    EXPECT_TRUE(views.at(0)->mChordx().userDefined);
    EXPECT_EQ(views.at(0)->mChordx().fretPos, 5);
    EXPECT_FALSE(views.at(1)->mChordx().userDefined);
    EXPECT_EQ(views.at(1)->mChordx().s2, 3);
    EXPECT_EQ(views.at(2)->mChordx(), MChord()); // found nowhere: the name only

    s->iniFixPageNo(1);
    s->refreshInfo();
    EXPECT_EQ(s->diagrams().at(1)->mChordx().s4, 3);
    EXPECT_EQ(s->diagrams().at(1)->mChordx().s5, -1);

    // A new song in the Tolvane window, whichever window hears of it first.
    const PiecesPtr next = chordProPiece(writeSong(QStringLiteral("Next.cho"), QStringLiteral("[G]x [D]y\n")));
    push(s, next);
    push(t, next);
    EXPECT_EQ(names(s), (QStringList{QStringLiteral("G"), QStringLiteral("D")}));

    // A PDF song leaves the strip empty.
    push(t, chordProPiece(testsupport::writePdf(dir.filePath(QStringLiteral("Sheet.pdf")), 1)));
    s->refreshInfo();
    EXPECT_EQ(s->nbChords(), 0);
}

TEST_F(ChordStripTest, FollowsItsTolvaneWindow)
{
    WindowPDFx *first = tolvane();
    WindowPDFx *drums = tolvane();
    drums->setAltMode(1);
    drums->setAltDir(QStringLiteral("Drum"));
    WindowPDFx *last = tolvane();

    WindowChords *s = strip(600, 100);
    s->iniMode(1, QStringLiteral("Drum"));
    EXPECT_EQ(s->refTolvaneWin(), drums);
    s->iniMode(2, QStringLiteral("Lead"));
    EXPECT_EQ(s->refTolvaneWin(), last);
    EXPECT_EQ(s->viewChordsRefTolvaneWin(), last);

    // The followed window has gone: the strip binds afresh at its next refresh.
    Data::nsMutaryOfWindows().removeAll(QPointer<WindowPDFxSuper>(last));
    EXPECT_FALSE(s->isTolvaneWinOkVerifOnly(true));
    EXPECT_EQ(s->viewChordsRefTolvaneWin(), nullptr);
    s->refreshInfo();
    EXPECT_EQ(s->refTolvaneWin(), first);
    EXPECT_EQ(s->altMode(), 0);
    delete last;
}

TEST_F(ChordStripTest, PianoInversionsKeptInTheSong)
{
    const QString text = QStringLiteral("{title: Straße}\n{key: C}\n[Am]la [C]li [Am/G]lo\n");
    const QString path = writeSong(QStringLiteral("Piano.cho"), text);
    const PiecesPtr piece = chordProPiece(path);
    WindowPDFx *t = tolvane();
    push(t, piece);
    WindowChords *s = strip(600, 100, 2);
    s->refreshInfo();
    auto *am = qobject_cast<ViewChordsP *>(s->diagrams().at(0));
    ASSERT_NE(am, nullptr);
    EXPECT_EQ(am->inversions().counterText(), QStringLiteral("❮  1/3  ❯"));

    // Someone else edits the file meanwhile: that edit is kept.
    const QString edited = text + QStringLiteral("[G]added elsewhere\n");
    testsupport::writeFile(path, edited.toUtf8());
    am->actionInversion(false);
    ASSERT_TRUE(testsupport::waitFor([s] { return !s->songEditing(); }));
    EXPECT_EQ(readTextFile(path), QStringLiteral("{title: Straße}\n{key: C}\n{x_piano: Am inversion 1}\n[Am]la [C]li [Am/G]lo\n"
                                             "[G]added elsewhere\n"));
    // The window showing the song reads it again at the next push.
    EXPECT_EQ(t->pieceCour(), nullptr);
    push(t, piece);
    s->refreshInfo();
    EXPECT_EQ(qobject_cast<ViewChordsP *>(s->diagrams().at(0))->inversions().noChord(), 2);
    // The bass is dropped: Am/G shares Am's inversion.
    EXPECT_EQ(qobject_cast<ViewChordsP *>(s->diagrams().at(2))->inversions().noChord(), 2);

    // Back to the root position: the directive goes with its line.
    auto *again = qobject_cast<ViewChordsP *>(s->diagrams().at(0));
    again->actionInversion(true);
    ASSERT_TRUE(testsupport::waitFor([s] { return !s->songEditing(); }));
    EXPECT_EQ(readTextFile(path), edited);
    EXPECT_TRUE(dialogs.records().isEmpty());
}

TEST_F(ChordStripTest, UnwritableSongIsReportedAndKept)
{
    songfile::SongFileEdits edits;
    std::optional<bool> written;
    const auto edit = [&](const QString &path, songfile::SongFileEdits::Edit change) {
        written.reset();
        edits.edit(path, QString(), std::move(change), [&](bool done) { written = done; });
        EXPECT_TRUE(testsupport::waitFor([&] { return written.has_value(); }));
        return written.value_or(true);
    };
    // Before, a failed write went unnoticed while the window's copy of the song changed.
    const QString path = QStringLiteral("/proc/version");
    const QString before = readTextFile(path);
    EXPECT_FALSE(edit(path, [](QString &t) {
        t.prepend(QStringLiteral("x"));
        return true;
    }));
    ASSERT_EQ(dialogs.texts().size(), 1);
    EXPECT_TRUE(dialogs.texts().first().contains(path));
    EXPECT_EQ(readTextFile(path), before);

    dialogs.clear();
    const QString gone = dir.filePath(QStringLiteral("Gone.cho"));
    EXPECT_FALSE(edit(gone, [](QString &) { return true; }));
    ASSERT_EQ(dialogs.texts().size(), 1);
    EXPECT_TRUE(dialogs.texts().first().contains(gone));
    EXPECT_FALSE(QFile::exists(gone));

    // Nothing to change: nothing is written.
    dialogs.clear();
    const QString same = writeSong(QStringLiteral("Same.cho"), QStringLiteral("[C]x\n"));
    EXPECT_FALSE(edit(same, [](QString &) { return false; }));
    EXPECT_TRUE(dialogs.records().isEmpty());

    // Before, the song was read and written on the main thread: a share that
    // stopped answering froze every key. Now the edit applies once it answers.
    const testsupport::MainThreadFilesFail guard;
    testsupport::Gate share;
    songfile::setFileCall([share](const QString &) { share.wait(); });
    written.reset();
    edits.edit(
        same, QString(),
        [](QString &t) {
            t += QStringLiteral("held");
            return true;
        },
        [&](bool done) { written = done; });
    testsupport::processEvents();
    EXPECT_FALSE(written.has_value());
    EXPECT_EQ(readTextFile(same), QStringLiteral("[C]x\n"));
    share.open();
    songfile::setFileCall({});
    ASSERT_TRUE(testsupport::waitFor([&] { return written.has_value(); }));
    EXPECT_EQ(readTextFile(same), QStringLiteral("[C]x\nheld"));
}

TEST_F(ChordStripTest, NamesStandOutFromTheBackground)
{
    // The names and string marks were drawn in the light palette's black on the strip's black background.
    const WindowChords *s = strip(600, 104);
    EXPECT_GT(std::abs(s->actColor().lightness() - s->pdfColor().lightness()), 128);
}
