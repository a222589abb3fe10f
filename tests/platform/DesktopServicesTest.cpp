#include "platform/DesktopServices.h"
#include "platform/desktop/PdfPrinting.h"
#include "platform/desktop/RecordingDesktopServices.h"
#include "platform/desktop/SystemDesktopServices.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDeadlineTimer>
#include <QDir>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfWriter>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>

using namespace platform;

namespace {

struct Launch {
    QString program;
    QStringList arguments;
};

// The real services with programs recorded instead of started.
struct Recorded {
    QList<Launch> launches;
    bool starts = true;
    SystemDesktopServices services;

    explicit Recorded(const QString &busAddress = QStringLiteral("unix:path=/nonexistent/tolvane-test-bus"))
        : services(SystemDesktopServices::Options{QStringLiteral("xdg-open"), QStringLiteral("xdg-email"), busAddress},
                   [this](const QString &program, const QStringList &arguments) {
                       launches.append({program, arguments});
                       return starts;
                   })
    {
    }
};

using testsupport::waitFor;

} // namespace

// A file name can hold quotes, "$(...)" or a leading dash: it must reach the
// program as one argument, never as text a shell or the program parses.
TEST(SystemDesktopServices, PathsTravelAsSingleAbsoluteArguments)
{
    QTemporaryDir dir;
    const QString hostile = dir.filePath(QStringLiteral("It's \"$(touch pwned)\"; a song.pdf"));
    Recorded recorded;
    EXPECT_TRUE(recorded.services.openPath(hostile));
    ASSERT_EQ(recorded.launches.size(), 1);
    EXPECT_EQ(recorded.launches[0].program, QStringLiteral("xdg-open"));
    EXPECT_EQ(recorded.launches[0].arguments, QStringList{hostile});

    // A relative name beginning with a dash is made absolute, so it is never an option.
    recorded.launches.clear();
    recorded.services.openPath(QStringLiteral("--help.pdf"));
    ASSERT_EQ(recorded.launches.size(), 1);
    EXPECT_TRUE(recorded.launches[0].arguments[0].startsWith(QLatin1Char('/')));

    EXPECT_FALSE(recorded.services.openPath(QString()));
    recorded.starts = false;
    EXPECT_FALSE(recorded.services.openUrl(QUrl(QStringLiteral("mailto:someone@example.org"))));
    EXPECT_EQ(recorded.launches.last().arguments, QStringList{QStringLiteral("mailto:someone@example.org")});
}

// The mail program's exit status is the answer, given later; the file reaches
// it as its own argument.
TEST(SystemDesktopServices, MailIsAnsweredByTheMailProgramsExitStatus)
{
    QTemporaryDir dir;
    const QString hostile = dir.filePath(QStringLiteral("It's \"$(touch pwned)\"; a song.pdf"));
    const QString arguments = dir.filePath(QStringLiteral("arguments"));
    const struct {
        const char *what;
        const char *exitCode; // nullptr: there is no such program
        bool prepared;
    } rows[] = {
        {"prepares the mail", "0", true},
        {"fails", "1", false},
        {"is missing", nullptr, false},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        QFile::remove(arguments);
        const QString program =
            row.exitCode ? testsupport::writeProgram(dir.filePath(QStringLiteral("mail %1").arg(QLatin1String(row.exitCode))),
                                                     QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$@\" > '%1'\nexit %2\n")
                                                         .arg(arguments, QLatin1String(row.exitCode))
                                                         .toUtf8())
                         : dir.filePath(QStringLiteral("no mail program"));
        SystemDesktopServices services(SystemDesktopServices::Options{QStringLiteral("xdg-open"), program, {}});
        std::optional<bool> answer;
        services.composeMail(hostile, [&answer](bool prepared) { answer = prepared; });
        ASSERT_TRUE(waitFor([&]() { return answer.has_value(); }));
        EXPECT_EQ(*answer, row.prepared);
        if (row.exitCode) {
            QFile written(arguments);
            ASSERT_TRUE(written.open(QIODevice::ReadOnly));
            EXPECT_EQ(QString::fromUtf8(written.readAll()), QStringLiteral("--attach\n%1\n").arg(hostile));
        }
    }
}

TEST(SystemDesktopServices, RevealWithoutAFileManagerOpensTheFolder)
{
    QTemporaryDir dir;
    const QString song = testsupport::writeFile(dir.filePath(QStringLiteral("Set 1/Song.pdf")), "%PDF");
    Recorded recorded;
    EXPECT_TRUE(recorded.services.revealInFileManager(song));
    ASSERT_EQ(recorded.launches.size(), 1);
    EXPECT_EQ(recorded.launches[0].arguments, QStringList{dir.filePath(QStringLiteral("Set 1"))});
}

namespace {

// A file manager on a private bus that records what it was asked to show.
class FakeFileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QStringList shown;
public slots:
    void ShowItems(const QStringList &uris, const QString &) { shown += uris; }
};

} // namespace

TEST(SystemDesktopServices, RevealAsksTheFileManagerOverDBus)
{
    testsupport::PrivateBus bus;
    if (bus.address().isEmpty())
        GTEST_SKIP() << "no dbus-daemon";
    QTemporaryDir dir;
    const QString song = testsupport::writeFile(dir.filePath(QStringLiteral("My Song #1.pdf")), "%PDF");

    // Nobody owns the name yet: the folder is opened instead.
    {
        Recorded recorded(bus.address());
        EXPECT_TRUE(recorded.services.revealInFileManager(song));
        ASSERT_TRUE(waitFor([&]() { return !recorded.launches.isEmpty(); }));
        EXPECT_EQ(recorded.launches[0].arguments, QStringList{dir.path()});
    }

    FakeFileManager manager;
    QDBusConnection service = QDBusConnection::connectToBus(bus.address(), QStringLiteral("fake-file-manager"));
    ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.FileManager1")));
    ASSERT_TRUE(service.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), &manager,
                                       QDBusConnection::ExportAllSlots));
    Recorded recorded(bus.address());
    EXPECT_TRUE(recorded.services.revealInFileManager(song));
    ASSERT_TRUE(waitFor([&]() { return !manager.shown.isEmpty(); }));
    EXPECT_EQ(manager.shown, QStringList{QUrl::fromLocalFile(song).toString(QUrl::FullyEncoded)});
    testsupport::processEvents();
    EXPECT_TRUE(recorded.launches.isEmpty());
    service.unregisterObject(QStringLiteral("/org/freedesktop/FileManager1"));
    QDBusConnection::disconnectFromBus(QStringLiteral("fake-file-manager"));
}

namespace {

// A PDF whose pages are filled black edge to edge, each of the given size in points.
QString writeFilledPdf(const QString &path, const QList<QSizeF> &pages)
{
    // Page sizes are always portrait; a landscape page is a turned layout.
    auto layoutFor = [](const QSizeF &size) {
        const bool landscape = size.width() > size.height();
        return QPageLayout(QPageSize(landscape ? size.transposed() : size, QPageSize::Point),
                           landscape ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF());
    };
    QPdfWriter writer(path);
    writer.setResolution(72);
    writer.setPageLayout(layoutFor(pages.first()));
    QPainter painter(&writer);
    for (int i = 0; i < pages.size(); ++i) {
        if (i > 0) {
            writer.setPageLayout(layoutFor(pages[i]));
            writer.newPage();
        }
        painter.fillRect(QRectF(QPointF(0, 0), pages[i]), Qt::black);
    }
    painter.end();
    return path;
}

// Share of dark pixels on a printed page.
double darkShare(QPdfDocument &printed, int page)
{
    // Unprinted paper renders transparent: lay it on white.
    QImage image(60, 85, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter(&image).drawImage(0, 0, printed.render(page, image.size()));
    int dark = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            dark += qGray(image.pixel(x, y)) < 128;
    return double(dark) / (image.width() * image.height());
}

} // namespace

TEST(PdfPrinting, PagesFillThePaperTurnedToItsOrientation)
{
    QTemporaryDir dir;
    const QSizeF a4(595, 842);
    const QString song = writeFilledPdf(dir.filePath(QStringLiteral("song.pdf")), {a4, a4.transposed(), QSizeF(300, 424)});

    QPdfDocument source;
    ASSERT_EQ(source.load(song), QPdfDocument::Error::None);
    ASSERT_GT(source.pagePointSize(1).width(), source.pagePointSize(1).height());
    source.close();

    QPrinter printer(QPrinter::ScreenResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath(QStringLiteral("printed.pdf")));
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);
    ASSERT_TRUE(printPdfFile(song, printer));

    QPdfDocument printed;
    ASSERT_EQ(printed.load(printer.outputFileName()), QPdfDocument::Error::None);
    ASSERT_EQ(printed.pageCount(), 3);
    for (int page = 0; page < 3; ++page) {
        EXPECT_NEAR(printed.pagePointSize(page).width(), 595, 1);
        // No margins, the landscape page turned, the small page scaled up.
        EXPECT_GT(darkShare(printed, page), 0.95) << page;
    }
}

TEST(PdfPrinting, PrintsTheRangeAskedAndRefusesBrokenFiles)
{
    QTemporaryDir dir;
    const QString song = testsupport::writePdf(dir.filePath(QStringLiteral("song.pdf")), 4);
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath(QStringLiteral("printed.pdf")));
    ASSERT_TRUE(printPdfFile(song, printer, 2, 3));
    QPdfDocument printed;
    ASSERT_EQ(printed.load(printer.outputFileName()), QPdfDocument::Error::None);
    EXPECT_EQ(printed.pageCount(), 2);
    printed.close();

    const QString broken = testsupport::writeFile(dir.filePath(QStringLiteral("broken.pdf")), "%PDF-1.4 garbage");
    printer.setOutputFileName(dir.filePath(QStringLiteral("none.pdf")));
    EXPECT_FALSE(printPdfFile(broken, printer));
    EXPECT_FALSE(printPdfFile(dir.filePath(QStringLiteral("missing.pdf")), printer));
    EXPECT_FALSE(printPdfFile(song, printer, 5, 6));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("none.pdf"))));
}

TEST(RecordingDesktopServices, RecordsHandOffsWhileInstalled)
{
    {
        RecordingDesktopServices recorder;
        EXPECT_EQ(&desktop(), &recorder);
        desktop().revealInFileManager(QStringLiteral("/songs/a.pdf"));
        recorder.setAnswer(false);
        EXPECT_EQ(desktop().printPdf(QStringLiteral("/songs/a.pdf")), DesktopServices::PrintOutcome::Failed);
        EXPECT_EQ(recorder.lines(), QStringList({"reveal /songs/a.pdf", "print /songs/a.pdf"}));
    }
    EXPECT_NE(dynamic_cast<SystemDesktopServices *>(&desktop()), nullptr);
}

#include "DesktopServicesTest.moc"
