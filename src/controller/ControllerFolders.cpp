#include "audio/MusicX.h"
#include "controller/Controller.h"

#include "controller/SampleSong.h"
#include "library/Data.h"
#include "library/FolderWalk.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Keys.h"
#include "platform/Log.h"
#include "platform/MainMenu.h"
#include "platform/UserDefaults.h"
#include "windows/WindowPDFxSuper.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QPointer>
#include <algorithm>
#include <utility>

namespace {

bool isSlot(qint64 slot)
{
    return slot >= 0 && slot < controller::SlotCount;
}

} // namespace

QString Controller::obtenirDir(qint64 slot) const
{
    if (slot == -1)
        return controller::ensureHelpFolder();
    return folders_.dir(slot);
}

void Controller::conserverDir(const QString &path, qint64 slot)
{
    if (!isSlot(slot))
        return;
    platform::UserDefaults &defaults = platform::UserDefaults::standard();
    if (path.isEmpty())
        folders_.clear(defaults, slot, false);
    else
        folders_.assign(defaults, slot, path);
}

QString Controller::getLab(const QString &path)
{
    return controller::folderLabel(path);
}

QString Controller::defaultChordProString()
{
    return controller::defaultChordProString();
}

void Controller::buildMenus()
{
    if (menu1_)
        return;
    menu1_ = MainMenu::instance().addMenu(QStringLiteral("? ▹ Help Tolvane"), this);
    for (int i = 0; i < controller::SlotCount; ++i) {
        QAction *open = menu1_->addAction(QStringLiteral("(unassigned)"));
        open->setData(i);
        connect(open, &QAction::triggered, this, [this, i]() { refreshAfterRead(i, false); });
        slotItems_.append(open);
    }
    menu1_->addSeparator();
    QMenu *clearMenu = menu1_->addMenu(QStringLiteral("Unassign"));
    for (int i = 0; i < controller::SlotCount; ++i) {
        QAction *clear = clearMenu->addAction(QStringLiteral("(unassigned)"));
        connect(clear, &QAction::triggered, this, [this, i]() {
            if (Data::questionAvecCancel(
                    QStringLiteral("Are you sure you want to unassign tolvane no %1 ?").arg(i + 1)) == 1)
                doRefresh(i, 3, false, {});
        });
        clearItems_.append(clear);
    }
    QMenu *assignMenu = menu1_->addMenu(QStringLiteral("Choose a Folder for"));
    QMenu *playMenu = menu1_->addMenu(QStringLiteral("Continuous Play for"));
    for (int i = 0; i < controller::SlotCount; ++i) {
        connect(assignMenu->addAction(QStringLiteral("Tolvane %1").arg(i + 1)), &QAction::triggered, this,
                [this, i]() { doRefresh(i, 2, false, {}); });
        QAction *play = playMenu->addAction(QStringLiteral("Tolvane %1").arg(i + 1));
        play->setCheckable(true);
        connect(play, &QAction::triggered, this, [this, i]() { setContPlay(i, 1); });
        contPlayItems_.append(play);
    }
    QAction *assign = menu1_->addAction(QStringLiteral("Choose Another Folder for This Tolvane…"));
    connect(assign, &QAction::triggered, this, [this]() { doRefresh(currentDirNo_, 2, false, {}); });
    slotActions_.append(assign);
    // The current slot's own command asks nothing: the user sees which one it is.
    QAction *unassign = menu1_->addAction(QStringLiteral("Unassign This Tolvane"));
    connect(unassign, &QAction::triggered, this, [this]() { doRefresh(currentDirNo_, 3, false, {}); });
    slotActions_.append(unassign);
    contPlayX_ = menu1_->addAction(QStringLiteral("Continuous Play"));
    contPlayX_->setCheckable(true);
    connect(contPlayX_, &QAction::triggered, this, [this]() { setContPlay(currentDirNo_, 1); });
    slotActions_.append(contPlayX_);
    contPlayFlagX_ = menu1_->addAction(QStringLiteral("Continuous Play of Flagged Songs"));
    contPlayFlagX_->setCheckable(true);
    connect(contPlayFlagX_, &QAction::triggered, this, [this]() { setContPlayFlag(1); });
    slotActions_.append(contPlayFlagX_);
    slaveX_ = menu1_->addAction(QStringLiteral("Follow the Music Application"));
    slaveX_->setCheckable(true);
    connect(slaveX_, &QAction::triggered, this, [this]() { setSlave(1); });
    slotActions_.append(slaveX_);
    menu1_->addSeparator();
    // Shown when a song's information changed, until the next folder load.
    menuItemRefresh_ = menu1_->addAction(QStringLiteral("⚠️ Refresh the Song List"));
    menuItemRefresh_->setVisible(false);
    connect(menuItemRefresh_, &QAction::triggered, this, [this]() { actionRefresh(); });
    QAction *refresh = menu1_->addAction(QStringLiteral("Refresh\tCtrl+R"));
    connect(refresh, &QAction::triggered, this, [this]() { actionRefresh(); });
    QAction *help = menu1_->addAction(QStringLiteral("Help Tolvane"));
    connect(help, &QAction::triggered, this, [this]() { actionToggleInfo(); });
    QAction *pref = menu1_->addAction(QStringLiteral("Preferences…"));
    pref->setShortcut(QKeySequence::Preferences);
    connect(pref, &QAction::triggered, this, [this]() { actionPref(); });
    // The document windows are frameless: this is the way out, with shut-down's saving.
    QAction *quit = menu1_->addAction(QStringLiteral("Quit Tolvane"));
    quit->setShortcut(platform::QuitKey);
    connect(quit, &QAction::triggered, this, []() {
        platform::quitAsked();
        QCoreApplication::quit();
    });
    buildPeripheryMenus();
    addSettingsMenuItems();
}

void Controller::setDirButton(qint64 currentSlot)
{
    const controller::FolderMenuState state = controller::folderMenuState(folders_, currentSlot);
    if (!menu1_)
        return;
    menu1_->setTitle(state.folderMenuTitle);
    for (int i = 0; i < controller::SlotCount && i < slotItems_.size(); ++i) {
        const auto &item = state.items[size_t(i)];
        if (QAction *open = slotItems_.at(i)) {
            // After a tab, the menu shows the key that does the same from a window.
            open->setText(QStringLiteral("%1 %2\tCtrl+%1").arg(QString::number(i + 1), item.title));
            open->setToolTip(item.toolTip);
            open->setCheckable(true);
            open->setChecked(i == currentSlot && folders_.has(i));
        }
        if (QAction *clear = clearItems_.value(i)) {
            clear->setText(QStringLiteral("%1 %2").arg(QString::number(i + 1), item.title));
            clear->setEnabled(item.clearEnabled);
        }
    }
    for (const QPointer<QAction> &action : slotActions_)
        if (action)
            action->setEnabled(state.slotActionsEnabled);
}

void Controller::doChargerHelpTolvane()
{
    currentDirNo_ = -1;
    awaitedDirNo_ = -1;
    doRefresh(-1, 0, false, {});
}

void Controller::actionToggleInfo()
{
    doChargerHelpTolvane();
}

bool Controller::creerDefaultChordPro(const QString &folder, std::function<void(const FolderReads &)> opened)
{
    if (Data::questionAvecCancel(QStringLiteral("No PDF or ChordPro files found in the selected folder.\n"
                                                "Select Yes to create a sample ChordPro file.")) != 1)
        return false;
    // Written and read again off the main thread, as any library folder is.
    const quint64 asked = ++folderReadAsked_;
    folderReads_.run(
        QStringLiteral("Sample song: %1").arg(folder),
        [folder, held = songFileCall_]() {
            if (held)
                held(folder);
            QString error;
            const bool written = controller::writeSampleSong(folder, &error);
            return std::pair{written, error};
        },
        [this, asked, folder, opened = std::move(opened)](const std::pair<bool, QString> &written) {
            if (asked != folderReadAsked_ || terminated_)
                return;
            if (!written.first) {
                Data::msg(QStringLiteral("The sample ChordPro file could not be written in %1.\n%2")
                              .arg(folder, written.second));
                return;
            }
            readFolders({folder}, opened);
        });
    return true;
}

bool Controller::scanSlot(qint64 slot, bool noMsg, const FolderReads &reads)
{
    Data::chargerTabsForDirNo(slot, false);
    loadTabsSettings(slot);
    const QString folder = obtenirDir(slot);
    if (folder.isEmpty())
        return false;
    // A folder the reads do not hold became the slot's since: it is not read here.
    const auto read = reads.constFind(folder);
    return read != reads.cend() && Data::chargerFichiers(folder, *read, noMsg);
}

void Controller::loadHelpFolder()
{
    Data::chargerTabsForDirNo(-1, true);
    initTabsSettings(-1);
    Data::chargerFichiers(obtenirDir(-1), false);
    currentDirNo_ = -1;
}

void Controller::refreshCommonStart(qint64 slot)
{
    unaskedWriteFailureTold_ = false;
    audio::MusicX::clearPrev();
    clearFilterState();
    if (menuItemRefresh_)
        menuItemRefresh_->setVisible(false);
    setDirButton(slot);
    setOnglet(0, 1);
    if (Data::songNoG() > 0)
        keepBookMark(currentDirNo_);
    Data::setSongNoG_MIDISent(0);
    songNoG_next_ = 0;
    songNoG_itunes_ = 0;
    songNoG_ev_ = 0;
    songNoG_prev_ = 0;
    songNoG_prev_prev_ = 0;
    songNoG_ongl_ = 0;
    Data::setOnglNoG(0);
    onglNoGuser_ = 0;
    if (tocON_)
        masquerToc();
    for (int tab = 0; tab < Data::kTabs; ++tab) {
        Data::setIndexInTitleArrayG(tab, -1);
        Data::setIndexInAuthorArrayG(tab, -1);
    }
}

void Controller::refreshAfterRead(qint64 slot, bool refreshOnly, bool inTurns)
{
    if (slot == -1 && awaitedDirNo_ >= 0)
        slot = awaitedDirNo_;
    QString folder;
    if (isSlot(slot))
        folder = folders_.has(slot) ? folders_.dir(slot) : folders_.missingDir(slot);
    // The help folder is bundled and local; a slot without a folder asks for one.
    if (folder.isEmpty()) {
        doRefresh(slot, 1, refreshOnly, {}, inTurns);
        return;
    }
    QStringList folders{folder};
    if (slot != 0 && folders_.has(0) && folders_.dir(0) != folder)
        folders << folders_.dir(0);
    readFolders(folders, [this, slot, refreshOnly, inTurns, activeWhenAsked = dejaAct_](const FolderReads &reads) {
        // Asked before the program was first active (at start), it offers no sample song, however late it answers.
        const bool active = std::exchange(dejaAct_, dejaAct_ && activeWhenAsked);
        doRefresh(slot, 1, refreshOnly, reads, inTurns);
        dejaAct_ = active;
    });
}

void Controller::readFolders(const QStringList &folders, std::function<void(const FolderReads &)> then)
{
    const quint64 asked = ++folderReadAsked_;
    folderReads_.run(
        QStringLiteral("Library folder: %1").arg(folders.first()),
        [folders, held = songFileCall_]() {
            FolderReads reads;
            for (const QString &f : folders) {
                if (held)
                    held(f);
                reads.insert(f, readFolder(f));
            }
            return reads;
        },
        [this, asked, then = std::move(then)](const FolderReads &reads) {
            if (asked != folderReadAsked_ || terminated_)
                return;
            then(reads);
        });
    folderReadLate_.start(0.5, false, [this, asked, folder = folders.first()]() {
        if (asked != folderReadAsked_)
            return;
        if (!folderAwaited_.isEmpty())
            endFailure(folderAwaited_);
        folderAwaited_ = QStringLiteral("The library folder does not answer: \"%1\" opens once it does.").arg(folder);
        tellFailure(folderAwaited_, Held::UntilEnded);
    });
}

void Controller::chooseFolder(qint64 slot, bool offerSample)
{
    const QString chosen = Data::dirPopup();
    if (chosen.isEmpty()) {
        reopenShown();
        return;
    }
    readFolders({chosen}, [this, slot, offerSample, chosen](const FolderReads &reads) {
        Data::keepChosenFolder(chosen, reads.constFind(chosen)->usable);
        if (openChosen(slot, chosen, *reads.constFind(chosen), offerSample))
            return;
        // Without a song in it the slot takes none: a sample song, or another folder.
        const auto written = [this, slot, chosen](const FolderReads &again) {
            openChosen(slot, chosen, *again.constFind(chosen), true);
        };
        if (!offerSample || !creerDefaultChordPro(chosen, written))
            chooseFolder(slot, offerSample);
    });
}

bool Controller::openChosen(qint64 slot, const QString &chosen, const FolderRead &read, bool quiet)
{
    endFolderRead();
    const qint64 slotBefore = currentDirNo_;
    refreshCommonStart(slot);
    Data::chargerTabsForDirNo(slot, false);
    loadTabsSettings(slot);
    const bool loaded = Data::chargerFichiers(chosen, read, quiet);
    if (loaded) {
        conserverDir(QString(), slot);
        conserverDir(chosen, slot);
        currentDirNo_ = slot;
    } else if (currentDirNo_ >= 0) {
        Data::chargerTabsForDirNo(currentDirNo_, false);
        loadTabsSettings(currentDirNo_);
    } else {
        Data::chargerTabsForDirNo(-1, true);
        initTabsSettings(-1);
    }
    refreshCommonEnd(false, slotBefore, false);
    return loaded;
}

void Controller::reopenShown()
{
    const qint64 shown = currentDirNo_ >= 0 ? currentDirNo_ : awaitedDirNo_;
    if (isSlot(shown) && (folders_.has(shown) || !folders_.missingDir(shown).isEmpty()))
        refreshAfterRead(shown, false);
    else
        doRefresh(-1, 0, false, {});
}

void Controller::endFolderRead()
{
    ++folderReadAsked_;
    folderReadLate_.stop();
    if (!folderAwaited_.isEmpty())
        endFailure(std::exchange(folderAwaited_, QString()));
}

void Controller::doRefresh(qint64 slot, qint64 code, bool refreshOnly, const FolderReads &reads, bool inTurns)
{
    TLOG(QStringLiteral("Controller doRefresh %1 %2").arg(QString::number(slot), QString::number(code)));
    // This refresh supersedes a folder read still under way.
    endFolderRead();
    platform::UserDefaults &defaults = platform::UserDefaults::standard();
    const qint64 slotBefore = currentDirNo_;
    // Codes that name a slot need a real one; the help folder is -1.
    if ((code == 2 || code == 3) && !isSlot(slot))
        code = -1;
    if (code == 1 && !isSlot(slot) && slot != -1)
        code = -1;
    if (code == 1 && slot == -1 && awaitedDirNo_ >= 0)
        slot = awaitedDirNo_;
    // A missing folder is not an empty one: the lists shown stay. Before the
    // start's folder answered none are shown: the help folder stands in.
    if (code == 1) {
        if (const QString gone = unavailableFolder(slot, reads); !gone.isEmpty()) {
            if (currentDirNo_ < 0 && Data::songNbrG() <= 0)
                doRefresh(-1, 0, refreshOnly, {}, inTurns);
            tellFailure(QStringLiteral("The folder \"%1\" is not available.").arg(gone));
            return;
        }
    }
    // A chosen folder, and the one shown again after a cancelled choice or
    // another slot unassigned, are read off the main thread as a key's are.
    if (code == 2 || (code == 1 && isSlot(slot) && !folders_.has(slot))) {
        chooseFolder(slot, code == 1);
        return;
    }
    if (code == 3) {
        // The stored folder goes at once, so a restart does not bring it back.
        folders_.clear(defaults, slot, true);
        if (slot == awaitedDirNo_)
            awaitedDirNo_ = -1;
        if (slot != currentDirNo_) {
            setDirButton(currentDirNo_);
            reopenShown();
            return;
        }
        code = 0;
    }
    refreshCommonStart(slot);

    switch (code) {
    case 0:
        loadHelpFolder();
        break;
    case 1:
        if (slot == -1) {
            loadHelpFolder();
        } else if (scanSlot(slot, true, reads)) {
            currentDirNo_ = slot;
        } else {
            // A sample song written there opens the slot once read; slot 0 or help stands in meanwhile.
            if (dejaAct_)
                creerDefaultChordPro(obtenirDir(slot), [this, slot](const FolderReads &written) {
                    doRefresh(slot, 1, false, written);
                });
            if (slot != 0 && folders_.has(0) && scanSlot(0, true, reads))
                currentDirNo_ = 0;
            else
                loadHelpFolder();
        }
        break;
    default:
        break;
    }
    refreshCommonEnd(refreshOnly, slotBefore, inTurns);
}

// A slot whose folder is gone (a stick pulled out, a folder renamed) keeps
// its place; it loads again once the folder is back. Answers the folder that
// cannot be used, "" when it can or the slot has none.
QString Controller::unavailableFolder(qint64 slot, const FolderReads &reads)
{
    if (!isSlot(slot))
        return QString();
    const QString path = folders_.has(slot) ? folders_.dir(slot) : folders_.missingDir(slot);
    if (path.isEmpty())
        return QString();
    // The reads' word stands for the file system's: a folder they do not hold is not looked at here.
    const auto read = reads.constFind(path);
    const bool usable = read != reads.cend() && read->usable;
    folders_.tell(slot, path, usable);
    return usable ? QString() : path;
}

// The stored folders are looked at off the main thread, as a folder read
// looks at its own, each on its own: a share that does not answer holds no
// key, nor the other slots' answers.
void Controller::checkStoredSlots()
{
    const std::array<QString, controller::SlotCount> asked = folders_.unchecked();
    for (size_t n = 0; n < asked.size(); ++n) {
        if (asked[n].isEmpty())
            continue;
        folderReads_.run(
            QStringLiteral("Library folder slot %1: %2").arg(QString::number(n + 1), asked[n]),
            [folder = asked[n], held = songFileCall_]() {
                if (held)
                    held(folder);
                return folderwalk::usable(folder);
            },
            [this, n, folder = asked[n]](bool usable) {
                if (terminated_)
                    return;
                folders_.tell(qint64(n), folder, usable);
                setDirButton(currentDirNo_);
            });
    }
}

void Controller::refreshCommonEnd(bool refreshOnly, qint64 slotBefore, bool inTurns)
{
    if (currentDirNo_ >= 0)
        awaitedDirNo_ = -1;
    setDirButton(currentDirNo_);
    if (currentDirNo_ >= 0)
        setContPlay(currentDirNo_, 0);
    setSlave(0);
    setContPlayFlag(0);
    ajusterMenuGenre();
    if (Data::songNoG() <= 0)
        Data::setSongNoG(1);
    Data::setSongNbrG(Data::listePiecesByTitle().size());
    // Entering another slot restores the song and sort last used there.
    if (refreshOnly || Data::songNoG() == 1 || currentDirNo_ != slotBefore)
        gotoBookMark(currentDirNo_);
    if (Data::songNoG() > Data::songNbrG())
        Data::setSongNoG(Data::songNbrG());
    Data::listePiecesPrec().clear();
    if (Data::songNbrG() <= 0) {
        clearWindowsForEmptyList();
        return;
    }
    bool anyWindow = false;
    for (const QPointer<WindowPDFxSuper> &w : Data::nsMutaryOfWindows())
        anyWindow = anyWindow || w;
    if (!anyWindow && Data::newWindowPDFx(false, 0)) {
        ajusterDimmer();
        setTabsName();
        refreshInspector();
    }
    if (!inTurns) {
        chargerPages();
        showScannedToc();
        return;
    }
    nextTurn([this] {
        chargerPages();
        nextTurn([this] { showScannedToc(); });
    });
}

void Controller::showScannedToc()
{
    Data::determinerNbTocG();
    afficherToc(true);
    // Said once per scan, when the windows are there to say it.
    if (const QString note = folderwalk::message(Data::lastScan()); !note.isEmpty())
        tellFailure(note);
    Data::lastScan() = folderwalk::Result();
}

void Controller::nextTurn(std::function<void()> fn)
{
    platform::runOnMain([self = QPointer<Controller>(this), fn = std::move(fn)]() {
        if (self && !self->terminated_)
            fn();
    });
}

// Without a song nothing may point at a song: the windows show nothing.
void Controller::clearWindowsForEmptyList()
{
    Data::setSongNoG(0);
    Data::setSongNbrG(0);
    Data::setSongNoG_MIDISent(0);
    pageNo1_ = 1;
    for (const QPointer<WindowPDFxSuper> &w : Data::nsMutaryOfWindows())
        if (w)
            w->resetPDF();
    Data::determinerNbTocG();
}

void Controller::keepBookMark(qint64 slot)
{
    if (!isSlot(slot))
        return;
    options_.sortBookMark[size_t(slot)] = Data::currentSort();
    options_.songNoBookMark[size_t(slot)] = Data::songNoG();
}

void Controller::gotoBookMark(qint64 slot)
{
    if (!isSlot(slot))
        return;
    const qint64 sort = options_.sortBookMark[size_t(slot)];
    Data::setCurrentSort(sort == 1 ? 1 : 0);
    currentSortPrev_ = Data::currentSort();
    const qint64 songNo = options_.songNoBookMark[size_t(slot)];
    if (songNo >= 0 && songNo <= Data::songNbrG())
        Data::setSongNoG(songNo == 0 ? 1 : songNo);
}

QString Controller::getPath(qint64 songNo) const
{
    const PiecePtr piece = Data::getPiece(songNo);
    return piece ? piece->getPath() : QString();
}
