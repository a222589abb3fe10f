#include "chordpro/editor/WinEdit.h"

#include "chordpro/ChordProEditing.h"
#include "chordpro/editor/EditorTextView.h"
#include "chordpro/editor/TransposeList.h"
#include "chords/SongFileEdit.h"
#include "library/Data.h"
#include "library/KeptNotes.h"
#include "library/Pieces.h"
#include "platform/AtomicFile.h"
#include "platform/Dialogs.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "platform/Vocabulary.h"

#include <QCloseEvent>
#include <QLabel>
#include <chrono>
#include <condition_variable>
#include <mutex>

using namespace chordpro::editing;

// ---- Closing and saving ---------------------------------------------------------------

struct WinEdit::Save {
    std::mutex mutex;
    std::condition_variable answered;
    bool done = false;
    bool written = false;
    QByteArray bytes; // what it writes
};

void WinEdit::startSave(const QString &path, const QString &newName)
{
    auto save = std::make_shared<Save>();
    save_ = save;
    saveName_ = path.isEmpty() ? newName : platform::fileName(path);
    const QByteArray bytes = txViewEdit_->toPlainText().toUtf8();
    save->bytes = bytes;
    struct Written {
        QString path;
        QString error;
        bool ok = false;
    };
    // The song's folder may sit on a share that stopped answering: the main thread waits on nothing.
    writes_.run(
        QStringLiteral("Editor save: %1").arg(path.isEmpty() ? newName : path),
        [save, path, newName, folder = Data::dirX(), bytes, held = songfile::fileCall()]() {
            if (held)
                held(path.isEmpty() ? folder : path);
            Written written{path, {}, false};
            if (path.isEmpty()) {
                const NewSongPath target = newSongPath(folder, newName);
                written.path = target.path;
                written.error = target.error;
            }
            if (!written.path.isEmpty())
                written.ok = platform::writeFileAtomically(written.path, bytes, &written.error);
            {
                const std::lock_guard lock(save->mutex);
                save->done = true;
                save->written = written.ok;
            }
            save->answered.notify_all();
            return written;
        },
        [this, save, isNew = path.isEmpty(), bytes](const Written &written) {
            if (save_ != save)
                return;
            save_.reset();
            endSaveWaits();
            if (!written.ok) {
                if (written.path.isEmpty())
                    Data::msg(QStringLiteral("The new song could not be saved: %1").arg(written.error));
                else
                    Data::msg(QStringLiteral("The song could not be saved to \"%1\": %2")
                                  .arg(platform::toNativeSeparators(written.path), written.error));
                return;
            }
            auto &center = platform::NotificationCenter::defaultCenter();
            if (isNew) {
                center.postActionKey(vocab::ReloadFolder);
            } else if (pieceCour_ && written.path.contains(QLatin1Char('(')) && written.path.contains(QLatin1Char(')'))) {
                Data::setSongNoG_MIDISent(0);
                center.postActionKey(vocab::RefreshNoteAndPdfDefaults);
            } else {
                center.postActionKey(vocab::RefreshFolder);
            }
            // The new song has its file now: a save after this one goes there.
            if (isNew && !pieceCour_)
                fichierCour_ = written.path;
            // Typed while it was written: saved in turn, and the window closes once that is.
            if (txViewEdit_->toPlainText().toUtf8() != bytes) {
                startSave(pieceCour_ ? pieceCour_->getPath() : fichierCour_, QString());
                return;
            }
            modifiee_ = false;
            closing_ = true;
            close();
        });
    saveLate_.start(0.5, false, [this, save] {
        if (save_ == save)
            saySaveWaits();
    });
}

void WinEdit::saySaveWaits()
{
    if (!save_)
        return;
    labelSaving_->show();
    if (!saveSaid_.isEmpty())
        return;
    saveSaid_ = saveAwaited(saveName_);
    labelSaving_->setText(saveSaid_);
    Q_EMIT noAnswer(saveSaid_);
}

void WinEdit::endSaveWaits()
{
    saveLate_.stop();
    labelSaving_->hide();
    if (!saveSaid_.isEmpty())
        Q_EMIT answered(std::exchange(saveSaid_, QString()));
}

bool WinEdit::closeWin()
{
    if (!modifiee_)
        return true;
    // One under way closes the window as it answers.
    if (save_) {
        saySaveWaits();
        return false;
    }
    if (pieceCour_ || !fichierCour_.isEmpty()) {
        startSave(pieceCour_ ? pieceCour_->getPath() : fichierCour_, QString());
        return false;
    }
    const QString text = txViewEdit_->toPlainText();
    chordProDocument_.determinerTitreSousTitreCle(text);
    const QString title = chordProDocument_.obtenirTitre();
    const QString subtitle = chordProDocument_.obtenirSousTitre();
    if (title.isEmpty()) {
        Data::msg(QStringLiteral("A title must be specified. Please use Shift-Tab to insert a title spec."));
        return false;
    }
    if (title == QLatin1String("Title")) {
        Data::msg(QStringLiteral("Please, replace 'Title' by a valid title for your song"));
        return false;
    }
    if (subtitle == QLatin1String("Artist")) {
        Data::msg(QStringLiteral("Please, replace 'Artist' by a valid artist for your song"));
        return false;
    }
    sauvegarderNouveauFichier();
    return false;
}

bool WinEdit::sauvegarderNouveauFichier()
{
    const QString name = newSongBaseName(chordProDocument_.obtenirTitre(), chordProDocument_.obtenirSousTitre());
    if (name.isEmpty()) {
        Data::msg(QStringLiteral("Please enter a valid title."));
        return false;
    }
    startSave(QString(), name);
    return true;
}

void WinEdit::settleOnQuit()
{
    // Nobody answers at a quit, and the window never holds it up.
    if (!modifiee_)
        return;
    if (!save_)
        closeWin();
    if (const std::shared_ptr<Save> save = std::exchange(save_, nullptr)) {
        std::unique_lock lock(save->mutex);
        save->answered.wait_for(lock, std::chrono::milliseconds(platform::quitWaitLeftMs(platform::kQuitWaitsMs)),
                                [&save] { return save->done; });
        // What changed since the save began (typed while it waited) is kept aside with the rest.
        if (save->written && txViewEdit_->toPlainText().toUtf8() == save->bytes) {
            modifiee_ = false;
            return;
        }
    }
    QString name;
    if (pieceCour_ || !fichierCour_.isEmpty()) {
        name = platform::completeBaseName(pieceCour_ ? pieceCour_->getPath() : fichierCour_);
    } else {
        chordProDocument_.determinerTitreSousTitreCle(txViewEdit_->toPlainText());
        const QString title = chordProDocument_.obtenirTitre();
        if (title != QLatin1String("Title"))
            name = newSongBaseName(title, chordProDocument_.obtenirSousTitre());
    }
    if (name.isEmpty())
        name = QStringLiteral("New song");
    keptnotes::keepSong(name, txViewEdit_->toPlainText());
    modifiee_ = false;
}

void WinEdit::actionButtonEscape()
{
    // A save under way closes the window as it answers.
    if (save_) {
        saySaveWaits();
        return;
    }
    if (modifiee_) {
        const qint64 answer = Data::askToSave(QStringLiteral("Save changes?"), true);
        if (answer < 0)
            return;
        if (answer == 0)
            modifiee_ = false;
    }
    if (closeWin()) {
        closing_ = true;
        close();
    }
}

void WinEdit::actionButtonCmdEnter()
{
    if (closeWin()) {
        closing_ = true;
        close();
    }
}

void WinEdit::reject() { actionButtonEscape(); }

void WinEdit::closeEvent(QCloseEvent *event)
{
    if (save_ && !closing_ && !platform::quitting()) {
        saySaveWaits();
        event->ignore();
        return;
    }
    if (!closing_ && platform::quitting()) {
        settleOnQuit();
    } else if (!closing_ && modifiee_) {
        const qint64 answer = Data::askToSave(QStringLiteral("Save changes?"), true);
        if (answer < 0 || (answer == 1 && !closeWin())) {
            event->ignore();
            return;
        }
        modifiee_ = false;
    }
    event->accept();
    windowWillClose();
    QDialog::done(QDialog::Accepted);
}

void WinEdit::windowWillClose()
{
    closing_ = false;
    endSaveWaits();
    txViewEdit_->hideCompletion();
    if (TransposeListController_)
        TransposeListController_->closeWin();
    pieceCour_.reset();
    fichierCour_.clear();
    Data::activateKeywin();
}
