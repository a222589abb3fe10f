#include "library/SongFiles.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace songfile;

namespace {

QStringList names(const QStringList &paths)
{
    QStringList list;
    for (const QString &p : paths)
        list << QFileInfo(p).fileName();
    return list;
}

} // namespace

TEST(SongFiles, DeletionTakesTheNoteAndAlternatesOnlyWhenNoSiblingSharesThem)
{
    struct Row {
        const char *what;
        QStringList present;
        const char *song;
        bool shared;
        QStringList deleted;
    };
    const QStringList ids = {QStringLiteral("Lead"), QStringLiteral("Drum")};
    const Row rows[] = {
        {"pdf beside a cho", {"Song.pdf", "Song.cho", "Song.txt", "Song---Lead.pdf"}, "Song.pdf", true, {"Song.pdf"}},
        {"pdf beside a capitalised CRD", {"Song.pdf", "Song.CRD", "Song.txt"}, "Song.pdf", true, {"Song.pdf"}},
        // Before, only "Song.PDF" counted as the PDF of a ChordPro song, so a
        // lower-case one lost the note and alternates they share.
        {"chopro beside a lower-case pdf", {"Song.chopro", "Song.pdf", "Song.txt"}, "Song.chopro", true, {"Song.chopro"}},
        {"chopro beside a PDF", {"Song.chopro", "Song.PDF", "Song.txt"}, "Song.chopro", true, {"Song.chopro"}},
        {"chopro alone",
         {"Song.chopro", "Song.txt", "Song---Lead.chopro", "Song---Drum.pdf", "Song---Bass.chopro"},
         "Song.chopro",
         false,
         {"Song.chopro", "Song.txt", "Song---Lead.chopro"}},
        {"PDF alone, capital extension",
         {"Song.PDF", "Song.TXT", "Song---Drum.pdf"},
         "Song.PDF",
         false,
         {"Song.PDF", "Song.TXT", "Song---Drum.pdf"}},
        {"another song's files stay", {"Song.pdf", "Song 2.txt", "Songs.txt"}, "Song.pdf", false, {"Song.pdf"}},
        {"pattern characters in the name", {"[Song]*.pdf", "[Song]*.txt", "Song.txt"}, "[Song]*.pdf", false,
         {"[Song]*.pdf", "[Song]*.txt"}},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.what);
        QTemporaryDir dir;
        for (const QString &name : r.present)
            testsupport::writeFile(dir.filePath(name), "x");
        const DeletionPlan plan = deletionPlan(dir.filePath(QString::fromUtf8(r.song)), ids);
        EXPECT_EQ(plan.shared, r.shared);
        EXPECT_EQ(names(plan.files), r.deleted);
    }
}

TEST(SongFiles, ChordProSiblingsAndPdfTest)
{
    QTemporaryDir dir;
    testsupport::writeFile(dir.filePath(QStringLiteral("A.pdf")), "x");
    testsupport::writeFile(dir.filePath(QStringLiteral("A.TAB")), "x");
    testsupport::writeFile(dir.filePath(QStringLiteral("A.cho")), "x");
    testsupport::writeFile(dir.filePath(QStringLiteral("B.pdf")), "x");
    // "cho" comes before "tab" in the search order.
    EXPECT_EQ(QFileInfo(chordProSibling(dir.filePath(QStringLiteral("A.pdf")))).fileName(), QStringLiteral("A.cho"));
    EXPECT_TRUE(chordProSibling(dir.filePath(QStringLiteral("B.pdf"))).isEmpty());
    EXPECT_EQ(chordProPathBeside(QStringLiteral("/s/B.PDF")), QStringLiteral("/s/B.chopro"));
    EXPECT_TRUE(isPdfFile(QStringLiteral("/s/x.PDF")));
    EXPECT_TRUE(isPdfFile(QStringLiteral("/s/x.Pdf")));
    EXPECT_FALSE(isPdfFile(QStringLiteral("/s/pdf.chopro")));
    EXPECT_FALSE(isPdfFile(QStringLiteral("/s/pdf")));
}
