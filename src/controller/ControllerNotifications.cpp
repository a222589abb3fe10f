#include "controller/Controller.h"

#include "controller/CommandText.h"
#include "controller/PreferencesDialog.h"
#include "library/Data.h"
#include "platform/Clock.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "platform/Vocabulary.h"
#include "settings/DataPref8.h"
#include "windows/WindowPDFxSuper.h"

#include <QDBusConnection>
#include <QGuiApplication>
#include <QScreen>
#include <limits>

using controller::KeyInput;
using platform::Notification;

namespace {

// A number parameter inside the 32-bit range, else nullopt (nothing to do).
std::optional<qint64> numberParam(const Notification &n)
{
    bool ok = false;
    const qint64 v = n.intParam(&ok);
    if (!ok || v < std::numeric_limits<qint32>::min() || v > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return v;
}

QString textParam(const Notification &n)
{
    return n.hasParam() ? n.stringParam() : QString();
}

} // namespace

void Controller::registerObservers()
{
    platform::NotificationCenter &center = platform::NotificationCenter::defaultCenter();
    auto number = [this, &center](const QString &name, std::function<void(qint64)> fn) {
        center.addObserver(
            name,
            [fn](const Notification &n) {
                if (const auto v = numberParam(n))
                    fn(*v);
            },
            this);
    };
    auto text = [this, &center](const QString &name, std::function<void(const QString &)> fn) {
        center.addObserver(name, [fn](const Notification &n) { fn(textParam(n)); }, this);
    };
    auto bare = [this, &center](const QString &name, std::function<void()> fn) {
        center.addObserver(name, [fn](const Notification &) { fn(); }, this);
    };

    number(vocab::mySwipe, [this](qint64 p) { traiterSwipe(p); });
    bare(vocab::refreshSpeaker, []() { Data::sendingMidi(false); });
    number(vocab::ActionOnglet, [this](qint64 tab) { actionOnglet2(tab, false); });
    number(vocab::ActionOngletB, [this](qint64 tab) {
        if (tab >= 0 && tab < Data::kTabs && Data::getNbrPiecesOng(tab) >= 1)
            actionOnglet2(tab, false);
    });
    number(vocab::ActionScrollCurrentOnglet, [this](qint64 value) {
        if (value < 0 || value > 127)
            return;
        const qint64 count = Data::getNbrPiecesOng(Data::onglNoG());
        if (count < 1)
            return;
        actionGoToSongInTab((count - 1) * value / 127, false);
    });
    text(vocab::ActionInsererMessage, [this](const QString &t) { insererMessage(t); });
    text(vocab::ActionInsererAction, [this](const QString &t) { insererAction(t); });
    center.addObserver(
        vocab::ActionEditChord, [this](const Notification &n) { actionEditChordReceived(textParam(n), n.object); }, this);
    text(vocab::ActionInsererTag, [this](const QString &t) { insererTag(t); });
    text(vocab::ActionOpen, [this](const QString &path) { actionOpen(path, false); });
    text(vocab::ActionOpenNew, [this](const QString &path) { actionOpen(path, true); });
    text(vocab::ActionDisplayHideList, [this](const QString &w) { actionDisplayHideList(w); });
    text(vocab::ActionMessage, [this](const QString &t) { actionMessage(t, false); });
    text(vocab::ActionSetChordStripGuitar, [this](const QString &id) { setChordStripX(0, id); });
    text(vocab::ActionSetChordStripUkulele, [this](const QString &id) { setChordStripX(1, id); });
    text(vocab::ActionSetChordStripPiano, [this](const QString &id) { setChordStripX(2, id); });
    text(vocab::ActionSetChordStripHidden, [this](const QString &id) { setChordStripX(3, id); });
    text(vocab::ActionMessageStay, [this](const QString &t) { actionMessage(t, true); });
    text(vocab::ActionNotice, [this](const QString &t) { tellFailure(t); });
    text(vocab::ActionNoticeHeld, [this](const QString &t) { tellFailure(t, Held::UntilEnded); });
    text(vocab::ActionNoticeEnded, [this](const QString &t) { endFailure(t); });
    bare(vocab::ActionIndexing, [this]() { sayIndexing(); });
    text(vocab::ActionPageUpForWinID, [this](const QString &id) { pageUpDownforWinIDX(id, false); });
    text(vocab::ActionPageDownForWinID, [this](const QString &id) { pageUpDownforWinIDX(id, true); });
    text(vocab::ActionPageDownPreloadForWinID, [this](const QString &id) { pageUpDownforWinIDX(id, true); });
    number(vocab::ActionGoToSongNo, [this](qint64 n) { actionGoToSongInTab(n, true); });
    number(vocab::ActionGoToGenreNo, [this](qint64 g) { actionGoToGenreNo(g); });
    number(vocab::ActionPlayNextPause, [this](qint64 g) { actionPlayNextPause(g); });
    number(vocab::ActionGoToGenreNoAndPlayPause, [this](qint64 g) { actionGoToGenreNoAndPlayPause(g); });
    number(vocab::ActionGoToGenreNoAndPlayPause2, [this](qint64 g) { actionGoToGenreNoAndPlayPause2(g); });
    number(vocab::ActionGoToGenreNoAndPlayNow, [this](qint64 g) { actionGoToGenreNoAndPlayNow(g); });
    bare(vocab::ActionAudioPlayerClose, [this]() { actionAudioPlayerCloseReceived(); });
    bare(vocab::ActionAudioPreviewClose, [this]() { actionAudioPreviewCloseReceived(); });
    bare(vocab::ActionDemarrerMuteTimer, [this]() {
        setGenreX(6);
        play_trackAndskipTo(0.0);
    });
    number(vocab::ActionGoToPageNo, [this](qint64 p) { actionGoToPageNo(p, false); });
    number(vocab::ActionGoToPageBottomNo, [this](qint64 p) { actionGoToPageNo(p, true); });
    number(vocab::ActionPlaySongNo, [this](qint64 n) {
        if (n < 0 || n >= Data::getNbrPiecesOng(Data::onglNoG()))
            return;
        stop_if_playing(true);
        actionGoToSongInTab(n, true);
        playCurrentTrackAndskipTo(0.0);
    });
    number(vocab::ActionCmdOnglet, [this](qint64 tab) { actionOnglet2(tab, true); });
    center.addObserver(vocab::ActionKey, [this](const Notification &n) { actionKeyReceived(n); }, this);
    number(vocab::ActionKeyPref, [this](qint64 k) { actionKeyPref(k); });

    if (auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        connect(app, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
            if (state == Qt::ApplicationActive)
                appAct();
            else if (state == Qt::ApplicationInactive)
                appInact();
        });
        connect(app, &QGuiApplication::screenAdded, this, [this](QScreen *) { appChangeScreenParameters(); });
        connect(app, &QGuiApplication::screenRemoved, this, [this](QScreen *) { appChangeScreenParameters(); });
    }
}

void Controller::actionGoToSongInTab(qint64 n, bool checkCount)
{
    if (n < 0)
        return;
    if (checkCount && n >= Data::getNbrPiecesOng(Data::onglNoG()))
        return;
    if (tocON_)
        masquerToc();
    const qint64 start = tabStart(Data::onglNoG());
    if (start >= 0)
        gotoSongNo(start + n + 1, false, true);
}

void Controller::actionGoToGenreNo(qint64 genre)
{
    if (genre <= 0 || genre > 7)
        return;
    doRefreshCue_ = true;
    setGenreX(genre);
    userGenre_ = Data::currentGenreG();
}

void Controller::actionPlayNextPause(qint64 genre)
{
    const PagePass pass = windowPrePass(true);
    const PiecePtr piece = Data::getPiece(Data::songNoG());
    const qint64 pages = (piece && piece->pieceDet) ? piece->pieceDet->nbrPagesMax : 1;
    if (((ituneTimer_.isActive() || slaveTimer_.isActive()) && pageNo1_ + pass.extra < pages)
        || (zoomON_ && zoomTop_)) {
        traiterDown(pass.sync, pass.extra, false);
        return;
    }
    if (genre < 1)
        playCurrentTrackAndskipTo(0.0);
    else if (genre <= 7)
        platform::NotificationCenter::defaultCenter().post(vocab::ActionGoToGenreNoAndPlayPause, genre);
}

void Controller::actionGoToGenreNoAndPlayPause(qint64 genre)
{
    if (stop_if_playing(true) || genre < 1 || genre > 7)
        return;
    if (genre == 6 && options_.keyTag(KeyInput::Mute) != controller::NoActionTag) {
        demarrerCountDownCountToPourMute();
        return;
    }
    setGenreX(genre);
    play_trackAndskipTo(0.0);
}

void Controller::actionGoToGenreNoAndPlayPause2(qint64 genre)
{
    if (genre < 1 || ituneTimer_.isActive() || slaveTimer_.isActive())
        return;
    if (genre > 6) {
        playCurrentTrackAndskipTo(0.0);
        return;
    }
    if (genre == 6 && options_.keyTag(KeyInput::Mute) != controller::NoActionTag) {
        demarrerCountDownCountToPourMute();
        return;
    }
    setGenreX(genre);
    play_trackAndskipTo(0.0);
}

void Controller::actionGoToGenreNoAndPlayNow(qint64 genre)
{
    if (genre < 1 || genre > 7)
        return;
    stop_if_playing(true);
    setGenreX(genre);
    play_trackAndskipTo(Data::gskipTo());
    Data::setGskipTo(0);
}

void Controller::actionGoToPageNo(qint64 page, bool bottom)
{
    if (page < 1)
        return;
    const PiecePtr piece = Data::getPiece(Data::songNoG());
    if (!piece)
        return;
    // No going back during a mute run.
    const bool running = bottom ? ituneTimer_.isActive() : (ituneTimer_.isActive() || slaveTimer_.isActive());
    if (page < pageNo1_ && Data::currentGenreG() == 6 && running)
        return;
    if (bottom) {
        zoomTop_ = false;
        setPDFx(piece, page, false, getPieceNext(), true, true);
    } else {
        zoomTop_ = true;
        pageNo1_ = page;
        setPDFx(piece, page, true, getPieceNext(), true, true);
    }
    if (zoomON_)
        ajusterCadreX();
}

void Controller::actionMessage(const QString &text, bool stay)
{
    const controller::RoutedMessage routed = controller::splitMessage(text);
    setMsgX(routed.message, routed.winID, stay);
}

void Controller::actionDisplayHideList(const QString &word)
{
    if (word.isEmpty()) {
        actionEqual();
        return;
    }
    const qint64 quick = controller::quickFilterNumber(word);
    if (tocON_) {
        const qint64 tags = Data::tagsTemp().size();
        const bool currentQuick = quick > 0 && Data::filterNoG() == tags - quick;
        if (word == Data::filterString() || currentQuick) {
            Data::setFilterString(QString());
            clearFilterState();
            masquerToc();
            return;
        }
    }
    if (!tocON_)
        actionEqual();
    Data::setFilterNoG(1);
    Data::setFilterTypeG(0);
    filterON_ = false;
    if (quick == 0)
        Data::setFilterString(word);
    prevNextFilterNoG(Data::filterNoG(), 1, quick, true);
}

void Controller::actionOpen(const QString &path, bool asNew)
{
    if (currentDirNo_ < 0) {
        Data::msg(QStringLiteral("This action is disabled in the Help Tolvane."));
        return;
    }
    if (path.isEmpty())
        return;
    // A PDF goes to the default viewer only, never on to the editor.
    if (!asNew && platform::suffix(path).toUpper() == QLatin1String("PDF")) {
        Data::openFile(path);
        return;
    }
    if (Data::optExtOpen())
        Data::openFileX(path, false);
    else
        showEditor(nullptr, path, asNew);
}

void Controller::actionKeyPref(qint64 key)
{
    // The key-pad check box counts as it stands in the open window.
    lastKeyTest_ = controller::keyPrefName(key, windowPref_ ? windowPref_->keyPadChecked() : options_.keyPad);
    if (windowPref_)
        windowPref_->setKeyTestText(lastKeyTest_);
}

void Controller::appAct()
{
    if (Data::getDirOn())
        return;
    if (!dejaAct_) {
        dejaAct_ = true;
        return;
    }
    ajusterWindowLevel(false);
    const bool assignmentsShown = dataPref8Controller_ && dataPref8Controller_->isVisible();
    if (!Data::recOn() && !assignmentsShown && !(windowPref_ && windowPref_->isVisible()))
        refreshPDForChordPro(false);
    refreshVersionsWindow();
}

void Controller::appInact()
{
    if (Data::getDirOn())
        return;
    ajusterWindowLevel(true);
}

void Controller::appChangeScreenParameters()
{
    refreshScreenList();
    const qint64 screens = QGuiApplication::screens().size();
    if (lastNbScreens_ == 0 || lastNbScreens_ == screens)
        return;
    // The current set comes back in its layout for the new screen count once
    // the screens have settled.
    platform::performAfter(1.0, this, [this]() { setScreensetX(Data::currentScreensetG(), false); });
}

void Controller::receiveSleepNote()
{
    TLOG(QStringLiteral("Controller receiveSleepNote"));
    traiter_metroOff();
}

void Controller::receiveWakeNote()
{
    TLOG(QStringLiteral("Controller receiveWakeNote"));
}

void Controller::onPrepareForSleep(bool start)
{
    if (start)
        receiveSleepNote();
    else
        receiveWakeNote();
}

void Controller::startSleepWatch()
{
    QDBusConnection bus = QDBusConnection::systemBus();
    const bool ok = bus.isConnected()
                    && bus.connect(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                                   QStringLiteral("org.freedesktop.login1.Manager"),
                                   QStringLiteral("PrepareForSleep"), this, SLOT(onPrepareForSleep(bool)));
    if (!ok)
        TLOG(QStringLiteral("Controller: no system bus, sleep and wake are not followed"));
}
