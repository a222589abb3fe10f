// What Proceed starts: mail, print and Preview through a PDF in the library
// folder's "temp", and the export of the current song or the current tab
// into a chosen folder, one song per event-loop turn behind the progress popup.
// The files are looked at, read and written on platform::FileWork threads: a
// share that does not answer holds the export alone.
#include "chordpro/export/WinChordProToPDF.h"

#include "chordpro/export/PdfExportRules.h"
#include "library/Data.h"
#include "library/PiecesDet.h"
#include "platform/AtomicFile.h"
#include "platform/Clock.h"
#include "platform/DesktopServices.h"
#include "platform/Dialogs.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/PdfProcess.h"
#include "platform/RegularFile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "windows/PopupJauge.h"

namespace {

const QString kTemp = QStringLiteral("temp");

bool isPdfPath(const QString &path) { return platform::suffix(path).toLower() == QLatin1String("pdf"); }

QString fileNameOf(const QString &path) { return platform::fileName(path); }

// A file the program could show can be copied.
constexpr qint64 kMaxCopyBytes = platform::PdfProcess::kMaxDocumentBytes;

QString failure(const QString &what, const QString &why) { return QStringLiteral("%1 (%2)").arg(what, why); }

// Copies source to target on the worker; the failure, "" when it went out.
QString copyFile(const QString &source, const QString &target)
{
    QString why;
    bool there = false;
    if (platform::copyToNewFile(source, target, kMaxCopyBytes, &why, &there))
        return QString();
    // A copy never replaces what is there, nor one made while the source was
    // read: it may be a PDF the performer edited after an earlier export.
    // (Files of this run took other names.)
    return failure(fileNameOf(source),
                   there ? QStringLiteral("a file of this name is already in the folder and was kept") : why);
}

void handOver(qint64 oper, const QString &pdf, const QString &title, const std::function<void()> &printed = {})
{
    if (oper == WinChordProToPDF::Mail)
        Data::mailFile(pdf, title);
    else if (oper == WinChordProToPDF::Print)
        Data::printPDF(pdf, printed);
    else if (oper == WinChordProToPDF::Preview)
        Data::openFile(pdf);
}

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

QString WinChordProToPDF::subsPath(const QString &path, const VersionSelection &selection, const FileLook &look)
{
    if (selection.altMode == 0)
        return path;
    return winid::versionPath(path, selection.altDir, selection.defPDF, selection.defCHO, look);
}

namespace {

chordpro::HeaderInfo headerFor(const PiecesPtr &piece, const WinChordProToPDF::VersionSelection &selection)
{
    chordpro::HeaderInfo header;
    if (piece && piece->pieceDet) {
        header.title = piece->pieceDet->titre;
        header.artist = piece->pieceDet->artistShown();
        header.note = piece->notetxtForDir(selection.altDir, selection.altMode, selection.defNote);
    }
    return header;
}

} // namespace

// ---- Mail, print and Preview ---------------------------------------------------------

struct WinChordProToPDF::Sheet {
    // Taken on the main thread when Proceed was pressed.
    qint64 oper = 0;
    QString library;
    chordpro::HeaderInfo header;
    pdfexport::PdfSettings settings;
    // Found on the worker.
    QString version;
    QString tempProblem; // the temp folder could not be made
    platform::FileBytes text;
};

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
    Sheet sheet;
    sheet.oper = oper_;
    sheet.library = refCurDir_;
    sheet.header = headerFor(piece, selection);
    sheet.settings = settings();
    const QString file = piece->pieceDet->fichier;
    sheetWork_.run(
        QStringLiteral("ChordPro to PDF: %1").arg(file),
        [sheet, file, selection, look = look_]() mutable {
            sheet.version = subsPath(file, selection, look);
            if (isPdfPath(sheet.version))
                return sheet;
            const QString tempDir = platform::filePath(sheet.library, kTemp);
            if (sheet.library.isEmpty() || (!platform::isFolder(tempDir) && !platform::makeFolder(tempDir)))
                sheet.tempProblem = QStringLiteral("The folder \"%1\" could not be made.").arg(tempDir);
            else
                sheet.text = platform::readRegularFile(sheet.version, ChordPro::kMaxSongBytes);
            return sheet;
        },
        [this](const Sheet &found) { handOverSheet(found); });
}

void WinChordProToPDF::handOverSheet(const Sheet &sheet)
{
    const QString title = sheet.header.title;
    if (isPdfPath(sheet.version)) {
        handOver(sheet.oper, sheet.version, title);
        return;
    }
    if (!sheet.tempProblem.isEmpty()) {
        Data::msg(sheet.tempProblem);
        return;
    }
    const QString library = sheet.library;
    const QString pdf = platform::filePath(platform::filePath(library, kTemp),
                                           pdfexport::withExtension(fileNameOf(sheet.version), QStringLiteral("pdf")));
    QByteArray bytes;
    const pdfexport::RenderResult rendered =
        pdfexport::renderSongPdf(sheet.version, sheet.text, sheet.settings, sheet.header, &bytes);
    struct Written {
        bool ok = false;
        QString why;
    };
    sheetWork_.run(
        QStringLiteral("ChordPro to PDF: %1").arg(pdf),
        [pdf, bytes, library, rendered]() {
            Written written{rendered.ok, rendered.error};
            if (written.ok)
                written.ok = platform::writeFileAtomically(pdf, bytes, &written.why);
            if (!written.ok)
                platform::removeEmptyFolder(platform::filePath(library, kTemp));
            return written;
        },
        [this, oper = sheet.oper, pdf, title, library](const Written &written) {
            if (!written.ok) {
                Data::msg(QStringLiteral("The PDF of \"%1\" could not be made: %2").arg(title, written.why));
                return;
            }
            // Only what this print made goes, once the print has read it: earlier mail and Preview files stay.
            handOver(oper, pdf, title, [self = QPointer<WinChordProToPDF>(this), pdf, library]() {
                if (self)
                    self->sheetWork_.run(
                        QStringLiteral("ChordPro to PDF: %1").arg(pdf),
                        [pdf, library]() {
                            return platform::removeFile(pdf) && platform::removeEmptyFolder(platform::filePath(library, kTemp));
                        }, [](bool) {});
            });
        });
}

// ---- Export to a folder --------------------------------------------------------------

PopupJauge *WinChordProToPDF::popupJaugeController() const { return popupJaugeController_.data(); }

bool WinChordProToPDF::batchRunning() const { return job_ != nullptr; }

bool WinChordProToPDF::exporting() const { return job_ || sheetWork_.busy() || folderWork_.busy(); }

void WinChordProToPDF::exportMultiplePDF(bool currentSongOnly)
{
    closeWin();
    const QString folder = platform::dialogs().chooseFolder(
        QStringLiteral("Tolvane"), QStringLiteral("Please select a destination folder for the PDF file(s)"),
        platform::homePath());
    if (folder.isEmpty())
        return;
    // Both folders are looked at: the library's may be on a share.
    folderWork_.run(
        QStringLiteral("ChordPro to PDF: %1").arg(folder),
        [folder, library = refCurDir_]() { return pdfexport::outputFolderProblem(folder, library); },
        [this, currentSongOnly, folder](const QString &problem) {
            if (!problem.isEmpty()) {
                Data::msg(problem);
                return;
            }
            exportMultiplePDF_2(currentSongOnly, folder);
        });
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
        // The current song goes through the same turns, without the popup.
        const PiecesPtr piece = Data::getPiece(Data::songNoG());
        if (piece && piece->pieceDet)
            job->songs.append(piece);
        job_ = std::move(job);
        platform::performAfter(0.0, this, [this]() { exportMultipleMaster(); });
        return;
    }

    // The songs are taken now: a folder load between turns must not change them.
    const qint64 tab = Data::onglNoG();
    const qint64 start = Data::indexInTitleArrayG(tab);
    const qint64 count = Data::getNbrPiecesOng(tab);
    const PiecesList &byTitle = Data::listePiecesByTitle();
    for (qint64 k = start; start >= 0 && k < start + count && k < byTitle.size(); ++k)
        job->songs.append(byTitle.at(k));
    job->shown = true;
    job_ = std::move(job);

    if (!popupJaugeController_) {
        popupJaugeController_ = new PopupJauge();
        connect(popupJaugeController_.data(), &PopupJauge::closed, this, [this]() {
            if (job_ && job_->shown)
                batchWindowClosed();
        });
    }
    popupJaugeController_->showPopupJauge(job_->withAlternates ? 2 : 1, false);
    const int passes = job_->withAlternates ? 2 : 1;
    popupJaugeController_->level1()->setRange(0, int(qMax<qsizetype>(job_->songs.size() * passes, 1)));
    platform::performAfter(0.0, this, [this]() { exportMultipleMaster(); });
}

void WinChordProToPDF::exportMultipleMaster() { exportMultipleStep(); }

void WinChordProToPDF::exportMultipleAlt() { exportMultipleStep(); }

void WinChordProToPDF::nextTurn()
{
    platform::performAfter(0.0, this, [this]() { exportMultipleStep(); });
}

void WinChordProToPDF::exportMultipleStep()
{
    if (!job_)
        return;
    Job &job = *job_;
    PopupJauge *gauge = job.shown ? popupJaugeController_.data() : nullptr;
    const bool cancelled = gauge && gauge->cancelPressed();
    if (job.nbOut < job.songs.size() && !cancelled) {
        job.current = job.songs.at(job.nbOut);
        ++job.nbFileOut;
        ++job.nbOut;
        if (gauge) {
            const PiecesPtr &piece = job.current;
            gauge->txt1()->setText(QStringLiteral("%1%2/%3 %4")
                                       .arg(job.alternatePass ? QStringLiteral("Alt.:") : QString(),
                                            QString::number(job.nbOut), QString::number(job.songs.size()),
                                            piece && piece->pieceDet ? piece->pieceDet->titre : QString()));
            gauge->level1()->setValue(job.nbFileOut);
        }
        // The progress shows the song until its files have answered.
        if (job_)
            exportSong(job_->alternatePass ? alternateSelections(*job_) : QList<VersionSelection>{job_->selection});
        return;
    }
    if (!job.alternatePass && job.withAlternates && !cancelled) {
        job.nbOut = 0;
        job.alternatePass = true;
        platform::performAfter(0.0, this, [this]() { exportMultipleAlt(); });
        return;
    }
    const std::unique_ptr<Job> done = std::move(job_);
    if (gauge)
        gauge->closePopupJauge();
    finishBatch(*done);
}

void WinChordProToPDF::batchWindowClosed()
{
    // A song held by a silent share is left behind: its answer is dropped.
    folderWork_.end();
    job_.reset();
}

QList<WinChordProToPDF::VersionSelection> WinChordProToPDF::alternateSelections(const Job &job)
{
    QList<VersionSelection> selections;
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
        selections.append(alt);
    }
    return selections;
}

void WinChordProToPDF::finishBatch(Job &job)
{
    if (!job.premierFichier.isEmpty())
        platform::desktop().revealInFileManager(job.premierFichier);
    if (const QString text = pdfexport::closingMessage(!job.premierFichier.isEmpty(), job.failures); !text.isEmpty())
        Data::msg(text);
}

// ---- One song ------------------------------------------------------------------------

void WinChordProToPDF::exportSong(const QList<VersionSelection> &selections)
{
    const Job &job = *job_;
    const PiecesPtr &piece = job.current;
    if (!piece || !piece->pieceDet) {
        nextTurn();
        return;
    }
    const QString file = piece->pieceDet->fichier;
    // One note serves the song, its alternates and its sibling of the other kind: copied once.
    QString note;
    if (job.selection.includeNote && piece->pieceDet->note)
        note = notefile::notePathForSong(file);
    if (job.notesCopied.contains(note))
        note.clear();
    const QString what = QStringLiteral("ChordPro to PDF: %1").arg(file);
    folderWork_.run(
        what,
        [file, selections, note, dirOut = job.dirOut, written = job.written, look = look_]() {
            SongTurn turn;
            turn.outputs = gatherOutputs(file, selections, dirOut, written, look);
            turn.note = note;
            return turn;
        },
        [this, what](const SongTurn &found) {
            if (!job_)
                return;
            SongTurn turn = found;
            renderOutputs(turn, *job_);
            bool anyWritten = false;
            bool toWrite = false;
            for (const Output &o : turn.outputs) {
                anyWritten = anyWritten || o.written;
                toWrite = toWrite || !o.pdf.isEmpty();
            }
            if (!toWrite && (!anyWritten || turn.note.isEmpty())) {
                takeTurn(turn);
                return;
            }
            folderWork_.run(
                what,
                [turn, dirOut = job_->dirOut, written = job_->written]() mutable {
                    writeRenders(turn, dirOut, written);
                    return turn;
                },
                [this](const SongTurn &done) { takeTurn(done); });
        });
}

QList<WinChordProToPDF::Output> WinChordProToPDF::gatherOutputs(const QString &file,
                                                                const QList<VersionSelection> &selections,
                                                                const QString &dirOut, QSet<QString> written,
                                                                const FileLook &look)
{
    QList<Output> outputs;
    auto add = [&](const QString &source, const VersionSelection &selection) {
        Output o;
        o.source = source;
        o.selection = selection;
        o.render = !isPdfPath(source);
        o.fileName = o.render ? pdfexport::withExtension(fileNameOf(source), QStringLiteral("pdf")) : fileNameOf(source);
        o.target = pdfexport::freeOutputPath(dirOut, o.fileName, written);
        if (o.render) {
            o.text = platform::readRegularFile(source, ChordPro::kMaxSongBytes);
        } else {
            o.failure = copyFile(source, o.target);
            o.written = o.failure.isEmpty();
        }
        written.insert(o.target);
        outputs.append(o);
    };
    for (const VersionSelection &selection : selections) {
        if (selection.altMode != 0) {
            if (const QString alt = subsPath(file, selection, look); !alt.isEmpty())
                add(alt, selection);
        }
        if (selection.altMode == 0 || selection.includeMaster) {
            // The master's header carries the master's note.
            VersionSelection master = selection;
            master.altMode = 0;
            master.altDir.clear();
            master.defNote = 0;
            add(file, master);
        }
    }
    return outputs;
}

void WinChordProToPDF::renderOutputs(SongTurn &turn, const Job &job)
{
    for (Output &o : turn.outputs) {
        if (!o.render)
            continue;
        const pdfexport::RenderResult result =
            pdfexport::renderSongPdf(o.source, o.text, job.settings, headerFor(job.current, o.selection), &o.pdf);
        if (!result.ok)
            o.failure = failure(fileNameOf(o.source), result.error);
        o.text = platform::FileBytes();
    }
}

void WinChordProToPDF::writeRenders(SongTurn &turn, const QString &dirOut, QSet<QString> written)
{
    bool anyWritten = false;
    for (Output &o : turn.outputs) {
        if (!o.pdf.isEmpty()) {
            QString why;
            o.written = platform::writeFileAtomically(o.target, o.pdf, &why);
            if (!o.written)
                o.failure = failure(fileNameOf(o.source), why);
            o.pdf.clear();
        }
        if (o.written)
            written.insert(o.target);
        anyWritten = anyWritten || o.written;
    }
    if (!anyWritten || turn.note.isEmpty())
        return;
    Output note;
    note.source = turn.note;
    note.fileName = fileNameOf(turn.note);
    note.target = pdfexport::freeOutputPath(dirOut, note.fileName, written);
    note.failure = copyFile(note.source, note.target);
    note.written = note.failure.isEmpty();
    turn.outputs.append(note);
}

void WinChordProToPDF::takeTurn(const SongTurn &turn)
{
    if (!job_)
        return;
    Job &job = *job_;
    for (const Output &o : turn.outputs) {
        if (o.written) {
            job.written.insert(o.target);
            if (job.premierFichier.isEmpty())
                job.premierFichier = o.target;
            if (o.source == turn.note)
                job.notesCopied.insert(turn.note);
        } else if (!o.failure.isEmpty()) {
            job.failures.append(o.failure);
        }
    }
    nextTurn();
}
