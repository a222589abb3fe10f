// What Proceed starts: mail, print and Preview through a PDF in the library
// folder's "temp", and the export of the current song or the current tab
// into a chosen folder, one song per event-loop turn behind the progress popup.
#include "chordpro/export/WinChordProToPDF.h"

#include "chordpro/export/PdfExportRules.h"
#include "library/Data.h"
#include "library/PiecesDet.h"
#include "platform/AtomicFile.h"
#include "platform/Clock.h"
#include "platform/DesktopServices.h"
#include "platform/Dialogs.h"
#include "platform/Log.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "windows/PopupJauge.h"

namespace {

const QString kTemp = QStringLiteral("temp");

bool isPdfPath(const QString &path) { return QFileInfo(path).suffix().toLower() == QLatin1String("pdf"); }

QString fileNameOf(const QString &path) { return QFileInfo(path).fileName(); }

} // namespace

// ---- Version selection ---------------------------------------------------------------

void WinChordProToPDF::refreshDefNoteDefPDF(VersionSelection &selection)
{
    selection.defNote = selection.defPDF = selection.defCHO = selection.defMsg = 0;
    for (const WinIDPtr &id : Data::winIDs()) {
        if (id && id->idWin == selection.altDir) {
            selection.defNote = id->defNote;
            selection.defPDF = id->defPDF;
            selection.defCHO = id->defCHO;
            selection.defMsg = id->defMsg;
            return;
        }
    }
}

WinChordProToPDF::VersionSelection WinChordProToPDF::selectionFromCombo() const
{
    VersionSelection s;
    if (comboWinID_->currentIndex() > 0) {
        s.altMode = 1;
        s.altDir = comboWinID_->currentText();
    }
    refreshDefNoteDefPDF(s);
    s.includeMaster = buttonIncludeMaster_->isChecked();
    s.includeNote = buttonIncludeNote_->isChecked();
    return s;
}

QString WinChordProToPDF::subsPath(const QString &path, const VersionSelection &selection)
{
    if (selection.altMode == 0)
        return path;
    return winid::versionPath(path, selection.altDir, selection.defPDF, selection.defCHO);
}

bool WinChordProToPDF::creerPDF(const QString &outputPath, const PiecesPtr &piece, const QString &songPath,
                                const VersionSelection &selection, QString *error)
{
    chordpro::HeaderInfo header;
    if (piece && piece->pieceDet) {
        header.title = piece->pieceDet->titre;
        header.artist = piece->pieceDet->artistShown();
        header.note = piece->notetxtForDir(selection.altDir, selection.altMode, selection.defNote);
    }
    const pdfexport::RenderResult result = pdfexport::renderSongPdf(songPath, outputPath, settings(), header);
    if (!result.ok && error)
        *error = result.error;
    return result.ok;
}

// ---- Mail, print and Preview ---------------------------------------------------------

void WinChordProToPDF::exportPDF()
{
    const PiecesPtr piece = Data::getPiece(Data::songNoG());
    if (!piece || !piece->pieceDet)
        return;
    VersionSelection selection = selectionFromCombo();
    // These three always fall back to the master.
    if (selection.defPDF == 2)
        selection.defPDF = 0;
    if (selection.defCHO == 2)
        selection.defCHO = 0;
    const QString version = subsPath(piece->pieceDet->fichier, selection);
    const QString title = piece->pieceDet->titre;
    auto handOver = [this, &title](const QString &pdf) {
        if (oper_ == Mail)
            Data::mailFile(pdf, title);
        else if (oper_ == Print)
            Data::printPDF(pdf);
        else if (oper_ == Preview)
            Data::openFile(pdf);
    };
    if (isPdfPath(version)) {
        handOver(version);
        return;
    }

    const QDir library(refCurDir_);
    const QString tempDir = library.filePath(kTemp);
    if (refCurDir_.isEmpty() || (!QFileInfo(tempDir).isDir() && !library.mkdir(kTemp))) {
        Data::msg(QStringLiteral("The folder \"%1\" could not be made.").arg(tempDir));
        return;
    }
    const QString pdf = QDir(tempDir).filePath(pdfexport::withExtension(fileNameOf(version), QStringLiteral("pdf")));
    QString why;
    if (!creerPDF(pdf, piece, version, selection, &why)) {
        library.rmdir(kTemp); // only when nothing else is in it
        Data::msg(QStringLiteral("The PDF of \"%1\" could not be made: %2").arg(title, why));
        return;
    }
    handOver(pdf);
    if (oper_ == Print) {
        // Only what this print made goes: earlier mail and Preview files stay.
        QFile::remove(pdf);
        library.rmdir(kTemp);
    }
}

// ---- Export to a folder --------------------------------------------------------------

PopupJauge *WinChordProToPDF::popupJaugeController() const { return popupJaugeController_.data(); }

bool WinChordProToPDF::batchRunning() const { return popupJaugeController_ && popupJaugeController_->enCours(); }

void WinChordProToPDF::exportMultiplePDF(bool currentSongOnly)
{
    closeWin();
    const QString folder = platform::dialogs().chooseFolder(
        QStringLiteral("Tolvane"), QStringLiteral("Please select a destination folder for the PDF file(s)"),
        QDir::homePath());
    if (folder.isEmpty())
        return;
    if (const QString problem = pdfexport::outputFolderProblem(folder, refCurDir_); !problem.isEmpty()) {
        Data::msg(problem);
        return;
    }
    exportMultiplePDF_2(currentSongOnly, folder);
}

void WinChordProToPDF::exportMultiplePDF_2(bool currentSongOnly, const QString &outDir)
{
    if (!currentSongOnly) {
        const qint64 count = Data::getNbrPiecesOng(Data::onglNoG());
        if (Data::questionAvecCancel(QStringLiteral("Export %1 song(s) to %2").arg(QString::number(count), outDir)) != 1)
            return;
    }
    if (batchRunning()) {
        Data::msg(QStringLiteral("Export of PDF files is currently in progress."));
        return;
    }
    auto job = std::make_unique<Job>();
    job->selection = selectionFromCombo();
    if (job->selection.altMode == 1)
        job->selection.defPDF = job->selection.defCHO = 2;
    job->withAlternates = job->selection.altMode == 0 && job->selection.includeMaster;
    job->dirOut = outDir;
    job->settings = settings();

    if (currentSongOnly) {
        const PiecesPtr piece = Data::getPiece(Data::songNoG());
        if (piece && piece->pieceDet) {
            exportOnePDF(piece, job->selection, *job);
            if (job->withAlternates)
                exportAlternates(piece, *job);
        }
        finishBatch(*job);
        return;
    }

    // The songs are taken now: a folder load between turns must not change them.
    const qint64 tab = Data::onglNoG();
    const qint64 start = Data::indexInTitleArrayG(tab);
    const qint64 count = Data::getNbrPiecesOng(tab);
    const PiecesList &byTitle = Data::listePiecesByTitle();
    for (qint64 k = start; start >= 0 && k < start + count && k < byTitle.size(); ++k)
        job->songs.append(byTitle.at(k));
    job_ = std::move(job);

    if (!popupJaugeController_)
        popupJaugeController_ = new PopupJauge();
    popupJaugeController_->showPopupJauge(job_->withAlternates ? 2 : 1, false);
    const int passes = job_->withAlternates ? 2 : 1;
    popupJaugeController_->level1()->setRange(0, int(qMax<qsizetype>(job_->songs.size() * passes, 1)));
    platform::performAfter(0.0, this, [this]() { exportMultipleMaster(); });
}

void WinChordProToPDF::exportMultipleMaster() { exportMultipleStep(); }

void WinChordProToPDF::exportMultipleAlt() { exportMultipleStep(); }

void WinChordProToPDF::exportMultipleStep()
{
    if (!job_ || !popupJaugeController_)
        return;
    Job &job = *job_;
    const bool cancelled = popupJaugeController_->cancelPressed();
    if (job.nbOut < job.songs.size() && !cancelled) {
        const PiecesPtr piece = job.songs.at(job.nbOut);
        ++job.nbFileOut;
        ++job.nbOut;
        popupJaugeController_->txt1()->setText(
            QStringLiteral("%1%2/%3 %4")
                .arg(job.alternatePass ? QStringLiteral("Alt.:") : QString(), QString::number(job.nbOut),
                     QString::number(job.songs.size()), piece && piece->pieceDet ? piece->pieceDet->titre : QString()));
        popupJaugeController_->level1()->setValue(job.nbFileOut);
        if (job.alternatePass)
            exportAlternates(piece, job);
        else
            exportOnePDF(piece, job.selection, job);
        platform::performAfter(0.0, this, [this]() { exportMultipleStep(); });
        return;
    }
    if (!job.alternatePass && job.withAlternates && !cancelled) {
        job.nbOut = 0;
        job.alternatePass = true;
        platform::performAfter(0.0, this, [this]() { exportMultipleAlt(); });
        return;
    }
    popupJaugeController_->closePopupJauge();
    const std::unique_ptr<Job> done = std::move(job_);
    finishBatch(*done);
}

void WinChordProToPDF::exportAlternates(const PiecesPtr &piece, Job &job)
{
    for (const WinIDPtr &id : Data::winIDs()) {
        if (!id)
            continue;
        VersionSelection alt;
        alt.altMode = 1;
        alt.altDir = id->idWin;
        alt.defNote = id->defNote;
        alt.defMsg = id->defMsg;
        alt.defPDF = alt.defCHO = 2;
        alt.includeMaster = false; // the master went out in the first pass
        alt.includeNote = job.selection.includeNote;
        exportOnePDF(piece, alt, job);
    }
}

void WinChordProToPDF::finishBatch(Job &job)
{
    if (!job.premierFichier.isEmpty())
        platform::desktop().revealInFileManager(job.premierFichier);
    if (const QString text = pdfexport::closingMessage(!job.premierFichier.isEmpty(), job.failures); !text.isEmpty())
        Data::msg(text);
}

// ---- One song ------------------------------------------------------------------------

void WinChordProToPDF::noteFailure(Job &job, const QString &what, const QString &why)
{
    job.failures.append(QStringLiteral("%1 (%2)").arg(what, why));
}

bool WinChordProToPDF::writeCopy(const QString &source, const QString &fileName, Job &job)
{
    const QString target = pdfexport::freeOutputPath(job.dirOut, fileName, job.written);
    // A copy never replaces what is there: it may be a PDF the performer edited
    // after an earlier export. (Files of this run took other names above.)
    if (const QFileInfo there(target); there.exists() || there.isSymLink()) {
        noteFailure(job, fileName, QStringLiteral("a file of this name is already in the folder and was kept"));
        return false;
    }
    QFile in(source);
    QString why;
    if (!in.open(QIODevice::ReadOnly)) {
        noteFailure(job, fileNameOf(source), in.errorString());
        return false;
    }
    if (!platform::writeFileAtomically(target, in.readAll(), &why)) {
        noteFailure(job, fileName, why);
        return false;
    }
    job.written.insert(target);
    if (job.premierFichier.isEmpty())
        job.premierFichier = target;
    return true;
}

bool WinChordProToPDF::writeRender(const PiecesPtr &piece, const QString &songPath, const QString &fileName,
                                   const VersionSelection &selection, Job &job)
{
    const QString target = pdfexport::freeOutputPath(job.dirOut, fileName, job.written);
    chordpro::HeaderInfo header;
    if (piece && piece->pieceDet) {
        header.title = piece->pieceDet->titre;
        header.artist = piece->pieceDet->artistShown();
        header.note = piece->notetxtForDir(selection.altDir, selection.altMode, selection.defNote);
    }
    const pdfexport::RenderResult result = pdfexport::renderSongPdf(songPath, target, job.settings, header);
    if (!result.ok) {
        noteFailure(job, fileNameOf(songPath), result.error);
        return false;
    }
    job.written.insert(target);
    if (job.premierFichier.isEmpty())
        job.premierFichier = target;
    return true;
}

void WinChordProToPDF::exportOnePDF(const PiecesPtr &piece, const VersionSelection &selection, Job &job)
{
    if (!piece || !piece->pieceDet)
        return;
    const QString file = piece->pieceDet->fichier;
    QString firstName;
    auto wrote = [&firstName](bool ok, const QString &name) {
        if (ok && firstName.isEmpty())
            firstName = name;
    };
    if (selection.altMode != 0) {
        const QString alt = subsPath(file, selection);
        if (!alt.isEmpty()) {
            const QString name = pdfexport::withExtension(fileNameOf(alt), QStringLiteral("pdf"));
            wrote(isPdfPath(alt) ? writeCopy(alt, fileNameOf(alt), job) : writeRender(piece, alt, name, selection, job),
                  name);
        }
    }
    if (selection.altMode == 0 || selection.includeMaster) {
        // The master's header carries the master's note.
        VersionSelection master = selection;
        master.altMode = 0;
        master.altDir.clear();
        master.defNote = 0;
        const QString name = pdfexport::withExtension(fileNameOf(file), QStringLiteral("pdf"));
        wrote(isPdfPath(file) ? writeCopy(file, fileNameOf(file), job) : writeRender(piece, file, name, master, job),
              name);
    }
    if (!firstName.isEmpty() && selection.includeNote && piece->pieceDet->note) {
        // One note serves the song, its alternates and its sibling of the other kind: copied once.
        const QString note = notefile::notePathForSong(file);
        if (!job.notesCopied.contains(note) && writeCopy(note, fileNameOf(note), job))
            job.notesCopied.insert(note);
    }
}
