#include "platform/DesktopServices.h"
#include "platform/desktop/PdfPrinting.h"
#include "platform/desktop/RecordingDesktopServices.h"
#include "platform/desktop/SystemDesktopServices.h"
#include "platform/ModalRun.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfWriter>
#include <QPrintDialog>
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

    QPrinter printer(QPrinter::ScreenResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath(QStringLiteral("printed.pdf")));
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);
    const PdfToPrint pdf = readPdfToPrint(song, {});
    ASSERT_EQ(pdf.pages, 3) << pdf.why.toStdString();
    const testsupport::FixtureFiles worker; // the print worker's work, tried here directly
    ASSERT_EQ(printPdfPages(pdf.bytes, printer, 0, 0, {}), QString());

    QPdfDocument printed;
    ASSERT_EQ(printed.load(printer.outputFileName()), QPdfDocument::Error::None);
    ASSERT_EQ(printed.pageCount(), 3);
    for (int page = 0; page < 3; ++page) {
        EXPECT_NEAR(printed.pagePointSize(page).width(), 595, 1);
        // No margins, the landscape page turned, the small page scaled up.
        EXPECT_GT(darkShare(printed, page), 0.95) << page;
    }

    const QSizeF a4At1200(9921, 14031);
    const struct {
        QSizeF page, paper;
        bool rotate;
        QSize render;
    } rows[] = {
        // A fine printer gets images of at most 300 dpi.
        {a4, a4At1200, false, QSize(2479, 3508)},
        {a4.transposed(), a4At1200, true, QSize(3508, 2479)},
        // Below the cap the image has the paper's own pixels.
        {QSizeF(300, 424), a4, false, QSize(595, 841)},
        {QSizeF(), a4, false, QSize()},
    };
    for (const auto &row : rows) {
        const PagePlacement place = placePage(row.page, row.paper);
        EXPECT_TRUE(place.rotate == row.rotate && place.renderSize == row.render) << row.page.width();
    }
}

// Printing never reads the file or loads the document on the main thread:
// before, a damaged page tree kept it in the PDF library for good.
TEST(PdfPrinting, PrintsTheRangeAskedAndRefusesBrokenFilesLater)
{
    QTemporaryDir dir;
    const QString song = testsupport::writePdf(dir.filePath(QStringLiteral("song.pdf")), 4);
    const QString printed = dir.filePath(QStringLiteral("printed.pdf"));
    SystemDesktopServices::Options options;
    options.printLoadMs = 1500;
    std::optional<SystemDesktopServices> services(std::in_place, options);
    std::optional<int> asked;
    setModalRunner([&](QDialog &dialog) {
        auto *print = qobject_cast<QPrintDialog *>(&dialog);
        if (!print)
            return int(QDialog::Rejected);
        asked = print->maxPage();
        print->printer()->setOutputFormat(QPrinter::PdfFormat);
        print->printer()->setOutputFileName(printed);
        print->printer()->setPrintRange(QPrinter::PageRange);
        print->printer()->setFromTo(2, 3);
        return int(QDialog::Accepted);
    });
    const struct {
        QString path;
        DesktopServices::PrintOutcome outcome;
        QString why;
    } rows[] = {
        {song, DesktopServices::PrintOutcome::Printed, {}},
        {testsupport::writeFile(dir.filePath(QStringLiteral("broken.pdf")), "%PDF-1.4 garbage"),
         DesktopServices::PrintOutcome::Failed, QStringLiteral("it is damaged or not a PDF file")},
        {dir.filePath(QStringLiteral("missing.pdf")), DesktopServices::PrintOutcome::Failed, QStringLiteral("it is not there")},
        {testsupport::writeFile(dir.filePath(QStringLiteral("looping.pdf")), testsupport::loopingPdf()),
         DesktopServices::PrintOutcome::Failed, QStringLiteral("the PDF reader gives up on it")},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.path.toStdString());
        std::optional<std::pair<DesktopServices::PrintOutcome, QString>> answer;
        services->printPdf(row.path, [&](DesktopServices::PrintOutcome outcome, const QString &why) { answer = {outcome, why}; });
        EXPECT_FALSE(answer.has_value());
        // The main thread turns all along.
        QElapsedTimer sinceTurn;
        qint64 longestTurn = 0;
        sinceTurn.start();
        ASSERT_TRUE(waitFor([&] {
            longestTurn = std::max(longestTurn, sinceTurn.restart());
            return answer.has_value();
        }));
        if (row.outcome == DesktopServices::PrintOutcome::Failed) {
            EXPECT_LT(longestTurn, 1000);
        }
        EXPECT_EQ(answer->first, row.outcome);
        EXPECT_EQ(answer->second, row.why);
    }
    EXPECT_EQ(asked, 4) << "the dialog opened once, with the pages to choose from";
    QPdfDocument document;
    document.load(printed);
    EXPECT_EQ(document.pageCount(), 2);

    // A print still loading does not hold the end of its services, and answers nothing.
    bool answered = false;
    services->printPdf(dir.filePath(QStringLiteral("looping.pdf")), [&](auto, const QString &) { answered = true; });
    QElapsedTimer ending;
    ending.start();
    services.reset();
    EXPECT_LT(ending.elapsed(), 1000);
    testsupport::processEvents();
    EXPECT_FALSE(answered);
    setModalRunner({});
}

TEST(RecordingDesktopServices, RecordsHandOffsWhileInstalled)
{
    {
        RecordingDesktopServices recorder;
        EXPECT_EQ(&desktop(), &recorder);
        desktop().revealInFileManager(QStringLiteral("/songs/a.pdf"));
        recorder.setAnswer(false);
        std::optional<DesktopServices::PrintOutcome> outcome;
        desktop().printPdf(QStringLiteral("/songs/a.pdf"), [&](DesktopServices::PrintOutcome o, const QString &) { outcome = o; });
        EXPECT_EQ(outcome, DesktopServices::PrintOutcome::Failed);
        EXPECT_EQ(recorder.lines(), QStringList({"reveal /songs/a.pdf", "print /songs/a.pdf"}));
    }
    EXPECT_NE(dynamic_cast<SystemDesktopServices *>(&desktop()), nullptr);
}

#include "DesktopServicesTest.moc"
