#include "controller/Controller.h"

#include "library/Data.h"
#include "library/SongFiles.h"
#include "platform/DesktopServices.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"
#include "windows/WindowPDFxSuper.h"

#include <QAction>

namespace {

const QString kHelpRefusal = QStringLiteral("This action is disabled in the Help Tolvane.");

} // namespace

QString Controller::getFichier() const
{
    const PiecePtr piece = Data::getPiece(Data::songNoG());
    if (!piece || !piece->pieceDet)
        return QString();
    const QString own = piece->pieceDet->fichier;
    // The version the key window shows, as its renderer found it: the song itself until it has answered.
    if (WindowPDFxSuper *key = Data::getWinController()) {
        const std::optional<QString> shown = key->versionShown(own, false);
        if (shown && !shown->isEmpty())
            return *shown;
    }
    return own;
}

void Controller::enableMenuPDF1(bool enabled)
{
    const bool on = enabled && currentDirNo_ >= 0;
    for (const QPointer<QAction> &item : songItems_)
        if (item)
            item->setEnabled(on);
}

void Controller::openDirInFinder()
{
    const QString folder = obtenirDir(currentDirNo_);
    if (!folder.isEmpty())
        platform::desktop().openPath(folder);
}

void Controller::posiDirInFinder()
{
    const QString folder = obtenirDir(currentDirNo_);
    if (!folder.isEmpty())
        platform::desktop().revealInFileManager(folder);
}

void Controller::posiPieceInFinder()
{
    const QString file = getFichier();
    if (!file.isEmpty())
        platform::desktop().revealInFileManager(file);
}

void Controller::actionOpenPDFx(qint64 tag)
{
    if (currentDirNo_ < 0) {
        Data::msg(kHelpRefusal);
        return;
    }
    const QString file = getFichier();
    if (file.isEmpty())
        return;
    if (tag >= 1) {
        Data::openFileX(file, false);
        return;
    }
    if (afficherPopupSiPlusieursVersions())
        return;
    if (songfile::isPdfFile(file))
        Data::openFile(file);
    else if (Data::optExtOpen())
        Data::openFileX(file, false);
    else
        showEditor(Data::getPiece(Data::songNoG()), QString(), false);
}

void Controller::actionOpenPDF2x()
{
    const QString file = getFichier();
    if (file.isEmpty() || !selectTolvaneWin())
        return;
    if (songfile::isPdfFile(file))
        Data::openFile(file);
    else
        afficherWinChordProToPDF(2);
}

void Controller::mailPiece()
{
    const PiecePtr piece = Data::getPiece(Data::songNoG());
    const QString file = getFichier();
    if (!piece || file.isEmpty())
        return;
    Data::mailFile(file, piece->pieceDet->titre);
}

void Controller::mailPiece2()
{
    const PiecePtr piece = Data::getPiece(Data::songNoG());
    const QString file = getFichier();
    if (!piece || file.isEmpty() || !selectTolvaneWin())
        return;
    if (songfile::isPdfFile(file))
        Data::mailFile(file, piece->pieceDet->titre);
    else
        afficherWinChordProToPDF(0);
}

void Controller::printPiece()
{
    const QString file = getFichier();
    if (file.isEmpty())
        return;
    if (songfile::isPdfFile(file)) {
        Data::printPDF(file);
        return;
    }
    if (selectTolvaneWin())
        afficherWinChordProToPDF(1);
}

void Controller::actionExportPDFx(qint64 tag)
{
    if (!Data::getPiece(Data::songNoG()) || !selectTolvaneWin())
        return;
    afficherWinChordProToPDF(tag == 0 ? 3 : 4);
}

void Controller::askSongHeader(const PiecesDetPtr &det)
{
    if (terminated_)
        return;
    const QString path = det->fichier;
    QList<std::weak_ptr<PiecesDet>> &asked = headersAsked_[path];
    asked.append(det);
    // Asked already: that answer serves this record too.
    if (asked.size() > 1)
        return;
    songHeaders_.run(
        QStringLiteral("Song header: %1").arg(path),
        [path, held = songFileCall_]() {
            if (held)
                held(path);
            return PiecesDet::readHeader(path);
        },
        [this, path](const PiecesDet::Header &header) {
            bool changed = false;
            for (const std::weak_ptr<PiecesDet> &record : headersAsked_.take(path))
                if (const PiecesDetPtr det = record.lock())
                    changed = Pieces::tookHeader(*det, header) || changed;
            if (changed)
                platform::NotificationCenter::defaultCenter().postActionKey(vocab::SongInfoChanged);
        });
}
