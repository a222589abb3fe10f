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
#include "platform/RegularFile.h"
#include "platform/Vocabulary.h"

#include <QCloseEvent>
#include <QLabel>
#include <chrono>
#include <condition_variable>
#include <mutex>

using namespace chordpro::editing;

// ---- Closing and saving ---------------------------------------------------------------

// A new song's save: its name is found where it is written, so it is no
// edit of a known file and keeps a queue of its own.
struct WinEdit::Save {
    std::mutex mutex;
    std::condition_variable answered;
    bool done = false;
    bool written = false;
    QString path;     // where it went
    QByteArray bytes; // what it writes
    QString name;     // the song's name, should it be kept aside
    QString then;     // typed after it once the window had gone: written there next
    songfile::WaitingCopy kept; // said to wait, it is on the local disk too: a kill does not take it

    QString text() const { return then.isEmpty() ? QString::fromUtf8(bytes) : then; }
    void keepWhileWaiting() { kept.keep(name, text()); }
};

QString WinEdit::shownPath() const { return pieceCour_ ? pieceCour_->getPath() : fichierCour_; }

// A save not written leaves the file as it was known before it: the next save
// must not take its own text, never written, for another program's change.
void WinEdit::keptOnDisk(bool written, const QString &known, const QString &asked)
{
    if (!written && onDisk_ == asked)
        onDisk_ = known;
}

void WinEdit::startSave(const QString &path, const QString &newName)
{
    const quint64 id = ++savesAsked_;
    closingOn_ = id;
    saveName_ = path.isEmpty() ? newName : platform::fileName(path);
    queuedText_ = txViewEdit_->toPlainText();
    const bool entry = pieceCour_ != nullptr;
    if (!path.isEmpty()) {
        // In the song's one queue: a chord edit asked before or after it is kept.
        const QString known = std::exchange(onDisk_, queuedText_);
        saves_.replace(path, queuedText_, known, [this, id, path, entry, known, asked = queuedText_](bool written) {
            keptOnDisk(written, known, asked);
            saveAnswered(id, written ? path : QString(), false, entry);
        });
        // Behind one that already waits: said at once.
        showSaveWaits();
        return;
    }
    auto save = std::make_shared<Save>();
    newSave_ = save;
    onDisk_ = queuedText_;
    save->bytes = queuedText_.toUtf8();
    save->name = newName;
    struct Written {
        QString path;
        QString error;
        bool ok = false;
    };
    // The song's folder may sit on a share that stopped answering: the main thread waits on nothing.
    writes_.run(
        QStringLiteral("Editor save: %1").arg(newName),
        [save, newName, folder = Data::dirX(), bytes = save->bytes, held = songfile::fileCall()]() {
            if (held)
                held(folder);
            Written written;
            // A name another program takes between the look and the write stays its own: the next is looked for,
            // unless the look finds the same one again (a link to nothing).
            for (QString refused;;) {
                const NewSongPath target = newSongPath(folder, newName);
                written = {target.path, target.error, false};
                bool there = false;
                if (!written.path.isEmpty())
                    written.ok = platform::createFileAtomically(written.path, bytes, &written.error, &there);
                if (!there || written.path == std::exchange(refused, written.path))
                    break;
            }
            {
                const std::lock_guard lock(save->mutex);
                save->done = true;
                save->written = written.ok;
                save->path = written.path;
            }
            save->answered.notify_all();
            return written;
        },
        [this, save, id, entry](const Written &written) {
            if (newSave_ != save)
                return;
            newSave_.reset();
            saveLate_.stop();
            saySaveWaits(QString());
            if (!written.ok) {
                keepFailedSave(save, written.path.isEmpty()
                                         ? QStringLiteral("The new song could not be saved: %1.").arg(written.error)
                                         : QStringLiteral("The song could not be saved to \"%1\": %2.")
                                               .arg(platform::toNativeSeparators(written.path), written.error));
            } else {
                save->kept.drop();
                if (!save->then.isEmpty())
                    saves_.replace(written.path, save->then, QString::fromUtf8(save->bytes),
                                   [this, path = written.path](bool done) { saveAnswered(0, done ? path : QString(), false, false); });
            }
            saveAnswered(id, written.ok ? written.path : QString(), true, entry);
        });
    saveLate_.start(0.5, false, [this, save] {
        if (newSave_ != save)
            return;
        save->keepWhileWaiting();
        saySaveWaits(songfile::editAwaited(save->name));
    });
}

void WinEdit::keepFailedSave(const std::shared_ptr<Save> &save, const QString &failure)
{
    // The window may have gone: the performer's text does not go with the failed write.
    writes_.run(
        QStringLiteral("Editor keeps: %1").arg(save->name),
        [name = save->name, text = save->text()]() {
            bool kept = false;
            QString said = songfile::keepAside(name, text, &kept);
            return std::pair{said, kept};
        },
        [save, failure](const std::pair<QString, bool> &kept) {
            // The copy kept while it waited goes once this one holds the text, not before: a kill between the two
            // would take it.
            if (kept.second)
                save->kept.drop();
            Data::msg(failure + kept.first);
        });
}

void WinEdit::saveAnswered(quint64 id, const QString &written, bool isNew, bool entry)
{
    if (!written.isEmpty()) {
        auto &center = platform::NotificationCenter::defaultCenter();
        if (isNew) {
            center.postActionKey(vocab::ReloadFolder);
        } else if (entry && written.contains(QLatin1Char('(')) && written.contains(QLatin1Char(')'))) {
            Data::setSongNoG_MIDISent(0);
            center.postActionKey(vocab::RefreshNoteAndPdfDefaults);
        } else {
            center.postActionKey(vocab::RefreshFolder);
        }
    }
    // The window has gone on since: closed, or on another song.
    if (id == 0 || id != closingOn_)
        return;
    closingOn_ = 0;
    showSaveWaits();
    // It stays, having said why.
    if (written.isEmpty())
        return;
    // The new song has its file now: a save after this one goes there.
    if (isNew && !pieceCour_)
        fichierCour_ = written;
    // Typed while it was written: saved in turn, and the window closes once that is.
    if (txViewEdit_->toPlainText() != queuedText_) {
        startSave(shownPath(), QString());
        return;
    }
    modifiee_ = false;
    closing_ = true;
    close();
}

void WinEdit::saySaveWaits(const QString &notice)
{
    if (notice == saveSaid_)
        return;
    if (!saveSaid_.isEmpty())
        Q_EMIT answered(saveSaid_);
    saveSaid_ = notice;
    if (!notice.isEmpty())
        Q_EMIT noAnswer(notice);
    showSaveWaits();
}

void WinEdit::showSaveWaits()
{
    labelSaving_->setText(saveAwaited(saveName_));
    labelSaving_->setVisible(closingOn_ != 0 && !saveSaid_.isEmpty());
}

void WinEdit::leaveSaving()
{
    const QString text = txViewEdit_->toPlainText();
    if (closingOn_ != 0 && text != queuedText_) {
        if (const QString path = shownPath(); !path.isEmpty()) {
            const QString known = std::exchange(onDisk_, text);
            saves_.replace(path, text, known, [this, path, known, text](bool written) {
                keptOnDisk(written, known, text);
                saveAnswered(0, written ? path : QString(), false, false);
            });
        } else if (newSave_) {
            newSave_->then = text;
            if (newSave_->kept.held())
                newSave_->keepWhileWaiting();
        }
    }
    closingOn_ = 0;
    modifiee_ = false;
}

bool WinEdit::closeWin()
{
    if (!modifiee_)
        return true;
    // One under way closes the window as it answers.
    if (closingOn_ != 0)
        return false;
    if (const QString path = shownPath(); !path.isEmpty()) {
        startSave(path, QString());
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
    const bool open = isVisible() && modifiee_;
    if (open && closingOn_ == 0)
        closeWin();
    const bool refused = open && closingOn_ == 0;
    // A song's saves are kept aside with the rest of its queue (SongFileEdits::settleAllOnQuit).
    leaveSaving();
    if (const std::shared_ptr<Save> save = std::exchange(newSave_, nullptr)) {
        saveLate_.stop();
        std::unique_lock lock(save->mutex);
        save->answered.wait_for(lock, std::chrono::milliseconds(platform::quitWaitLeftMs(platform::kQuitWaitsMs)),
                                [&save] { return save->done; });
        // Over its copy kept while it waited, said at the next start as the quit's.
        if (!save->written) {
            save->keepWhileWaiting();
        } else {
            save->kept.drop();
            if (!save->then.isEmpty())
                saves_.replace(save->path, save->then, QString::fromUtf8(save->bytes));
        }
    }
    if (!refused)
        return;
    // A new song without a name it can be saved under.
    chordProDocument_.determinerTitreSousTitreCle(txViewEdit_->toPlainText());
    const QString title = chordProDocument_.obtenirTitre();
    QString name = title != QLatin1String("Title") ? newSongBaseName(title, chordProDocument_.obtenirSousTitre()) : QString();
    if (name.isEmpty())
        name = QStringLiteral("New song");
    keptnotes::keepSong(name, txViewEdit_->toPlainText());
}

void WinEdit::actionButtonEscape()
{
    // A save under way goes on without the window.
    if (closingOn_ != 0) {
        leaveSaving();
        closing_ = true;
        close();
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
    // A save under way goes on without the window.
    if (closingOn_ != 0 && !closing_ && !platform::quitting())
        leaveSaving();
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
    closingOn_ = 0;
    // The title rows say a save that waits until it is written.
    showSaveWaits();
    txViewEdit_->hideCompletion();
    if (TransposeListController_)
        TransposeListController_->closeWin();
    pieceCour_.reset();
    fichierCour_.clear();
    Data::activateKeywin();
}
