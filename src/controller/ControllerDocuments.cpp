#include "controller/Controller.h"

#include "library/Data.h"
#include "library/SongFiles.h"
#include "library/WinID.h"
#include "platform/AtomicFile.h"
#include "platform/Log.h"
#include "windows/WindowPDFxSuper.h"


namespace {

const QString kHelpRefusal = QStringLiteral("This action is disabled in the Help Tolvane.");

} // namespace

void Controller::lancerEditeur()
{
    if (currentDirNo_ < 0) {
        Data::msg(kHelpRefusal);
        return;
    }
    if (afficherPopupSiPlusieursVersions())
        return;
    const PiecePtr piece = Data::getPiece(Data::songNoG());
    if (!piece || !piece->pieceDet || piece->pieceDet->typeFichier1 != 1)
        return;
    if (Data::optExtOpen())
        Data::openFileX(piece->pieceDet->fichier, false);
    else
        showEditor(piece, QString(), false);
}

bool Controller::isPlusieursVersionsEnCours() const
{
    const PiecePtr piece = Data::getPiece(Data::songNoG());
    if (!piece || !piece->pieceDet)
        return false;
    const QString file = piece->pieceDet->fichier;
    for (const WinIDPtr &id : Data::winIDs()) {
        if (!id)
            continue;
        for (const QPointer<WindowPDFxSuper> &w : Data::nsMutaryOfWindows()) {
            if (!w || w->winType() != 0 || w->altDir().isEmpty() || w->altDir() != id->idWin || !w->altModeOk())
                continue;
            // A window whose renderer has not answered counts as showing the master.
            const std::optional<QString> shown = w->versionShown(file, false);
            if (shown && !shown->isEmpty())
                return true;
        }
    }
    return false;
}

bool Controller::afficherPopupSiPlusieursVersions()
{
    if (!isPlusieursVersionsEnCours())
        return false;
    showVersionChooser();
    return true;
}

void Controller::actionCreerChordProDocument()
{
    if (currentDirNo_ < 0) {
        Data::msg(kHelpRefusal);
        return;
    }
    showEditor(nullptr, QString(), false);
}

void Controller::actionCreerChordProFromPDF()
{
    if (currentDirNo_ < 0) {
        Data::msg(kHelpRefusal);
        return;
    }
    const PiecePtr piece = Data::getPiece(Data::songNoG());
    if (!piece || !piece->pieceDet)
        return;
    const QString song = piece->pieceDet->fichier;
    if (!songfile::isPdfFile(song)) {
        Data::msg(QStringLiteral("Current song must be a PDF to use this function."));
        return;
    }
    const QString target = songfile::chordProPathBeside(song);
    if (!songfile::chordProSibling(song).isEmpty()) {
        Data::msg(QStringLiteral("ChordPro file %1 already exists.").arg(target));
        return;
    }
    QString error;
    if (!platform::writeFileAtomically(target, QByteArray(), &error)) {
        Data::msg(QStringLiteral("The file %1 could not be written: %2").arg(target, error));
        return;
    }
    doRefresh(currentDirNo_, 1, false);
    showEditor(nullptr, target, true);
}

void Controller::actionSupprimerDocument()
{
    const PiecePtr piece = Data::getPiece(Data::songNoG());
    if (!piece || !piece->pieceDet)
        return;
    const QString song = piece->pieceDet->fichier;
    QStringList ids;
    for (const WinIDPtr &id : Data::winIDs())
        if (id)
            ids << id->idWin;
    const songfile::DeletionPlan plan = songfile::deletionPlan(song, ids);
    const QString question =
        plan.shared ? QStringLiteral("Delete %1 ?\nFile %2 will be deleted.").arg(piece->pieceDet->titre, song)
                    : QStringLiteral("Delete %1 ?\nFile %2 will be deleted.\nCorresponding .txt file and alternate "
                                     "versions will also be deleted.")
                          .arg(piece->pieceDet->titre, song);
    if (!Data::question(question))
        return;
    // To the trash, so that a song deleted by mistake on stage can come back.
    QStringList kept;
    for (const QString &file : plan.files)
        if (!songfile::moveToTrash(file))
            kept << file;
    if (!kept.isEmpty())
        Data::msg(QStringLiteral("These files could not be moved to the trash and were kept:\n%1")
                      .arg(kept.join(QLatin1Char('\n'))));
    if (currentDirNo_ >= 0)
        doRefresh(currentDirNo_, 1, false);
    else
        doRefresh(-1, 0, false);
}
