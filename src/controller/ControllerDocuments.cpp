#include "controller/Controller.h"

#include "library/Data.h"
#include "library/SongFiles.h"
#include "library/WinID.h"
#include "platform/AtomicFile.h"
#include "platform/Dialogs.h"
#include "platform/Log.h"
#include "platform/RegularFile.h"
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
    // One song-file command at a time: the one under way answers first.
    if (songFiles_.busy())
        return;
    const QString target = songfile::chordProPathBeside(song);
    const qint64 slot = currentDirNo_;
    const QString folder = folders_.dir(slot);
    struct Made {
        bool existed = false;
        bool written = false;
        QString error;
    };
    songFiles_.run(
        QStringLiteral("New ChordPro file: %1").arg(target),
        [song, target, held = songFileCall_]() {
            if (held)
                held(target);
            Made made;
            made.existed = !songfile::chordProSibling(song).isEmpty();
            // One another program makes meanwhile is not replaced either.
            if (!made.existed)
                made.written = platform::createFileAtomically(target, QByteArray(), &made.error, &made.existed);
            return made;
        },
        [this, target, slot, folder](const Made &made) {
            if (made.existed) {
                Data::msg(QStringLiteral("ChordPro file %1 already exists.").arg(target));
                return;
            }
            if (!made.written) {
                Data::msg(QStringLiteral("The file %1 could not be written: %2").arg(target, made.error));
                return;
            }
            // Another folder shown meanwhile stays as it is; the file waits in its own.
            if (currentDirNo_ != slot || folders_.dir(slot) != folder)
                return;
            refreshAfterRead(currentDirNo_, false);
            showEditor(nullptr, target, true);
        });
}

void Controller::actionSupprimerDocument()
{
    const PiecePtr piece = Data::getPiece(Data::songNoG());
    if (!piece || !piece->pieceDet || songFiles_.busy())
        return;
    const QString song = piece->pieceDet->fichier;
    const QString title = piece->pieceDet->titre;
    QStringList ids;
    for (const WinIDPtr &id : Data::winIDs())
        if (id)
            ids << id->idWin;
    const QString what = QStringLiteral("Delete song: %1").arg(song);
    const std::function<void(const QString &)> held = songFileCall_;
    songFiles_.run(
        what,
        [song, ids, held]() {
            if (held)
                held(song);
            return songfile::deletionPlan(song, ids);
        },
        [this, song, title, what, held](const songfile::DeletionPlan &plan) {
            // Asked only of the song still shown: the performer may have moved on while the folder was silent.
            const PiecePtr now = Data::getPiece(Data::songNoG());
            if (platform::quitting() || !now || !now->pieceDet || now->pieceDet->fichier != song)
                return;
            const QString question =
                plan.shared ? QStringLiteral("Delete %1 ?\nFile %2 will be deleted.").arg(title, song)
                            : QStringLiteral("Delete %1 ?\nFile %2 will be deleted.\nCorresponding .txt file and "
                                             "alternate versions will also be deleted.")
                                  .arg(title, song);
            if (!Data::question(question))
                return;
            // To the trash, so that a song deleted by mistake on stage can come back.
            songFiles_.run(
                what,
                [song, files = plan.files, held]() {
                    if (held)
                        held(song);
                    QStringList kept;
                    for (const QString &file : files)
                        if (!platform::moveToTrash(file))
                            kept << file;
                    return kept;
                },
                [this](const QStringList &kept) {
                    if (!kept.isEmpty())
                        Data::msg(QStringLiteral("These files could not be moved to the trash and were kept:\n%1")
                                      .arg(kept.join(QLatin1Char('\n'))));
                    if (currentDirNo_ >= 0)
                        refreshAfterRead(currentDirNo_, false);
                    else
                        doRefresh(-1, 0, false, {});
                });
        });
}
