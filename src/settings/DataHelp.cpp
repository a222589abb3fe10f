#include "settings/DataHelp.h"

#include "library/ChosenFile.h"
#include "library/Data.h"
#include "platform/Dialogs.h"
#include "platform/FileWork.h"
#include "platform/ModalRun.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"
#include "platform/dialogs/FileChooser.h"
#include "settings/HelpPages.h"

#include <QHBoxLayout>
#include <QPdfDocument>
#include <QPdfView>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// The bundled help pages are far smaller.
constexpr qint64 kMaxHelpPageBytes = 64ll << 20;

} // namespace

DataHelp::DataHelp(QWidget *parent)
    : QDialog(parent), copies_(std::make_unique<platform::FileWork>())
{
    setWindowTitle(helppages::title(0));
    auto *outer = new QVBoxLayout(this);
    document_ = new QPdfDocument(this);
    pdfView1_ = new QPdfView;
    pdfView1_->setDocument(document_);
    pdfView1_->setPageMode(QPdfView::PageMode::MultiPage);
    pdfView1_->setZoomMode(QPdfView::ZoomMode::FitToWidth);
    outer->addWidget(pdfView1_, 1);
    auto *buttons = new QHBoxLayout;
    auto *print = new QPushButton(QStringLiteral("Print…"));
    auto *save = new QPushButton(QStringLiteral("Save a Copy…"));
    auto *close = new QPushButton(QStringLiteral("Close"));
    buttons->addWidget(print);
    buttons->addWidget(save);
    buttons->addStretch();
    buttons->addWidget(close);
    outer->addLayout(buttons);
    for (QPushButton *b : {print, save, close})
        b->setAutoDefault(false);
    connect(print, &QPushButton::clicked, this, &DataHelp::actionPrint);
    connect(save, &QPushButton::clicked, this, &DataHelp::actionPreview);
    connect(close, &QPushButton::clicked, this, &DataHelp::closeWin);
    resize(720, 860);
}

DataHelp::~DataHelp() = default;

namespace {
std::function<QString()> &folderProvider()
{
    static std::function<QString()> provider;
    return provider;
}
} // namespace

void DataHelp::setFolderProvider(const std::function<QString()> &provider)
{
    folderProvider() = provider;
}

QString DataHelp::url1(qint64 n)
{
    setWindowTitle(helppages::title(n));
    if (folder_.isEmpty() && folderProvider())
        folder_ = folderProvider()();
    return platform::filePath(folder_, helppages::fileName(n));
}

void DataHelp::showDataHelp(qint64 n, bool modal)
{
    gNoHelp_ = n;
    modalWin_ = modal;
    setWindowModality(modal ? Qt::ApplicationModal : Qt::NonModal);
    setWindowFlag(Qt::WindowStaysOnTopHint, modal);
    shown_ = url1(n);
    document_->close();
    // A missing document leaves the view empty.
    document_->load(shown_);
    if (modal) {
        platform::runModal(*this);
        return;
    }
    show();
    raise();
    activateWindow();
}

void DataHelp::actionPrint()
{
    Data::printPDF(shown_);
}

void DataHelp::actionPreview()
{
    QString target = platform::dialogs().chooseSaveFile(Data::alertTitle(), QStringLiteral("Save a copy of this help page (PDF)"),
                                                        platform::homePath(), platform::fileName(shown_));
    if (target.isEmpty())
        return;
    // Only a PDF: a name without the extension gets it, and the chooser did
    // not ask about that name. The chosen place may be a share that does not answer.
    const bool pdf = platform::suffix(target).compare(QLatin1String("pdf"), Qt::CaseInsensitive) == 0;
    if (!pdf)
        target += QStringLiteral(".pdf");
    chosenfile::write(
        *copies_, QStringLiteral("the help page's copy"), target, pdf,
        [source = shown_, target, held = platform::FileChooser::FileCalls::get()] {
            if (held)
                held(target);
            const platform::FileBytes page = platform::readRegularFile(source, kMaxHelpPageBytes);
            if (page.ok())
                return chosenfile::Bytes{page.bytes, {}};
            return chosenfile::Bytes{{}, page.error.isEmpty() ? QStringLiteral("the help page could not be read") : page.error};
        },
        this,
        [target](const QString &error) {
            if (error.isEmpty())
                Data::openFile(target);
            else
                Data::msg(QStringLiteral("The help page could not be saved to %1: %2").arg(target, error));
        });
}

void DataHelp::closeWin()
{
    if (QWidget *focus = focusWidget())
        focus->clearFocus();
    done(QDialog::Accepted);
}

void DataHelp::done(int result)
{
    const bool wasShown = isVisible();
    QDialog::done(result);
    if (!wasShown)
        return;
    document_->close();
    Data::activateKeywin();
}
