#include "controller/Controller.h"

#include "controller/MetroRules.h"
#include "events/windows/WinNoteF.h"
#include "library/Data.h"
#include "midi/Midi.h"
#include "midi/windows/MidiPref4.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"
#include "windows/WindowPDFxSuper.h"

#include <QSoundEffect>
#include <atomic>
#include <condition_variable>
#include <mutex>

// The metronome's state. What the clock loop reads lives in Shared, which the
// loop holds on its own, so the loop never reaches into the controller.
struct Controller::MetroState {
    struct Shared {
        std::atomic<double> duration{0.6};
        std::atomic<bool> stopAuto{false};
        std::atomic<qint64> nbtempo{16};
        std::atomic<bool> cancel{false};
        // Counts the loops started, so a late automatic stop never stops a newer run.
        std::atomic<quint64> generation{0};
        std::mutex mutex;
        std::condition_variable ended;
        bool running = false;
    };

    MetroState() = default;
    MetroState(const MetroState &) = delete;
    MetroState &operator=(const MetroState &) = delete;
    ~MetroState()
    {
        metroTimer.stop();
        shared->cancel = true;
        joinClock();
    }

    // Waits, without polling, until the clock loop has ended.
    void joinClock()
    {
        std::unique_lock lock(shared->mutex);
        shared->ended.wait(lock, [this]() { return !shared->running; });
    }

    std::shared_ptr<Shared> shared = std::make_shared<Shared>();
    platform::Timer metroTimer;
    bool grestart = false;
    bool greframe = false;
    bool gskipmetro = false;
    bool busy = false;
    double startSync = 0;
    double lastBeat = 0;
    qint64 clicks = 0;
};

Controller::MetroState &Controller::metro()
{
    if (!metro_)
        metro_ = std::make_shared<MetroState>();
    return *metro_;
}

double Controller::gduration() const { return metro_ ? metro_->shared->duration.load() : 0.6; }
bool Controller::gskipmetro() const { return metro_ && metro_->gskipmetro; }
void Controller::setGskipmetro(bool skip) { metro().gskipmetro = skip; }
bool Controller::gStopAuto() const { return metro_ && metro_->shared->stopAuto; }
qint64 Controller::gnbtempo() const { return metro_ ? metro_->shared->nbtempo.load() : 16; }
bool Controller::metroTimerActive() const { return metro_ && metro_->metroTimer.isActive(); }
qint64 Controller::clicksPlayed() const { return metro_ ? metro_->clicks : 0; }

void Controller::traiter_metroOn()
{
    if (!Data::metroOn())
        traiter_metroOnOff();
}

void Controller::traiter_metroOff()
{
    if (Data::metroOn())
        traiter_metroOnOff();
}

void Controller::traiter_metroOnOff()
{
    MetroState &m = metro();
    if (Data::syncMode() == 2) {
        Data::setGcount(-1);
        Data::setGcountTo(0);
        setMsgX(QStringLiteral("Sync Mode is set to External!"), QString(), false);
        return;
    }
    if (!Data::metroOn()) {
        Midi::initTimeLastTapTempo(-1);
        startMetroTimer();
        return;
    }
    const metro::OnOffPress press =
        metro::pressWhileRunning(m.startSync, platform::now(), m.shared->nbtempo, m.shared->stopAuto);
    if (press.stop) {
        stopMetroTimer();
        return;
    }
    m.shared->nbtempo = press.nbtempo;
    m.shared->stopAuto = press.stopAuto;
}

void Controller::traiter_metroType()
{
    MetroState &m = metro();
    WindowPDFxSuper *key = Data::getKeyWin();
    if (!key)
        return;
    if (Data::metroOn()) {
        key->setMetroType();
        return;
    }
    // With the metronome off the new type is shown for a few beats.
    if (key->typeMetro() != 2) {
        key->setMetroType();
        m.shared->nbtempo = 4;
        m.shared->stopAuto = true;
        startMetroTimer();
    } else {
        m.shared->nbtempo = 1;
        m.shared->stopAuto = true;
        startMetroTimer();
        if (WindowPDFxSuper *now = Data::getKeyWin())
            now->setMetroType();
    }
}

void Controller::restartMetronome()
{
    stopMetroTimer();
    traiter_metroOnOff();
    traiter_metroOnOff();
}

void Controller::refreshTapTempo()
{
    Midi::keepTapTempo();
    refreshtempoX();
    if (winNoteF())
        winNoteF()->refreshTempoTap();
    metroFollowTempo();
}

void Controller::metroFollowTempo()
{
    if (Data::metroOn()) {
        stopMetroTimer();
        startMetroTimer();
    }
}

void Controller::startMetroTimer()
{
    MetroState &m = metro();
    m.shared->duration = metro::beatDuration(Data::gtempo());
    m.grestart = true;
    if (Data::syncMode() == 0) {
        updateMetro();
        m.metroTimer.start(0.01, true, [this]() { updateMetro(); });
    }
    Data::audioPlayerObj();  // the click loads before the first beat
    Data::setMetroOn(true);
    if (Data::syncMode() == 1) {
        // The clock's beat 1 is now; the on/off command measures from it.
        m.startSync = platform::now();
        startClock();
    }
}

void Controller::stopMetroTimer()
{
    MetroState &m = metro();
    m.metroTimer.stop();
    m.shared->stopAuto = false;
    m.shared->nbtempo = 16;
    Data::setMetroOn(false);
    Data::setGcount(-1);
    Data::setGcountTo(0);
    // The loop sees the metronome off within a poll; Stop goes out only after it ended.
    m.joinClock();
    Midi::sendClock(metro::kClockStop);
    updateMetroWithNbTickX(0, true, false);
}

void Controller::startClock()
{
    MetroState &m = metro();
    const std::shared_ptr<MetroState::Shared> shared = m.shared;
    {
        std::lock_guard lock(shared->mutex);
        if (shared->running)
            return;
        // Running before the loop starts: a stop that comes first still waits for it.
        shared->running = true;
        shared->cancel = false;
    }
    Data::setClockOn(true);
    MidiPref4::refreshDestForClock();
    MidiPref4::refreshDestForTick();
    const quint64 generation = ++shared->generation;
    QPointer<Controller> self(this);
    platform::runGlobal([shared, generation, self]() {
        metro::ClockLoopIO io;
        io.now = []() { return platform::now(); };
        io.sleep = [](double s) { platform::sleepWorker(s); };
        io.send = [](quint8 status) { Midi::sendClock(status); };
        io.running = [shared]() { return Data::metroOn() && !shared->cancel; };
        io.beatDuration = [shared]() { return shared->duration.load(); };
        io.autoStopDue = [shared]() {
            return shared->stopAuto && Data::gnbTick() >= shared->nbtempo && Data::nbTick() >= 13;
        };
        const metro::ClockEnd end = metro::runClockLoop(io);
        {
            std::lock_guard lock(shared->mutex);
            shared->running = false;
            Data::setClockOn(false);
        }
        shared->ended.notify_all();
        if (end == metro::ClockEnd::AutoStop) {
            // The stop touches timers and windows: it runs on the main thread.
            platform::runOnMain([shared, generation, self]() {
                if (self && shared->generation == generation && Data::metroOn())
                    self->stopMetroTimer();
            });
        }
    });
}

void Controller::updateMetro()
{
    MetroState &m = metro();
    const double now = platform::now();
    const double d = m.shared->duration;
    if (m.busy || !(d > 0))
        return;
    m.busy = true;
    bool restart = m.startSync == 0;
    if (m.grestart) {
        m.grestart = false;
        m.greframe = true;
        restart = true;
    }
    if (restart) {
        m.startSync = now;
        Data::setGnbTick(0);
        m.lastBeat = 0;
    }
    if (m.greframe) {
        m.greframe = false;
        updateMetroWithNbTickX(0, true, true);
    }
    const qint64 n = metro::beatsDue(now, m.startSync, d);
    if (Data::gnbTick() < n) {
        Data::setGnbTick(Data::gnbTick() + 1);
        if (Data::gcount() >= 0) {
            auto &center = platform::NotificationCenter::defaultCenter();
            if (Data::gcountSkip()
                && metro::isFirstBeatOfBar(Data::gnbTick(), Data::valOrDefNbBeatForCurrentSong(0))) {
                Data::setGcountSkip(false);
                if (Data::gTriggerAutoMute()) {
                    Data::setOptMetroSound(1);
                    center.postActionKey(vocab::MetronomeSoundIndicator);
                }
            }
            if (!Data::gcountSkip())
                Data::setGcount(Data::gcount() - 1);
            if (Data::gcount() == 0) {
                if (Data::gTriggerAutoMute()) {
                    Data::setOptMetroSound(0);
                    Data::setGTriggerAutoMute(false);
                    center.postActionKey(vocab::MetronomeSoundIndicator);
                }
                if (Data::gTriggerAuto()) {
                    Data::setGTriggerAuto(false);
                    center.postActionKey(vocab::NextCue);
                }
                if (Data::gPlayAutoForGenre() >= 0) {
                    Data::setGPlayAutoForGenre(-1);
                    center.post(vocab::ActionDemarrerMuteTimer);
                }
            }
        }
        m.lastBeat = now;
        if (Data::gnbTick() != n) {
            // Several beats came due at once: the count jumps, the skipped ones are not shown.
            Data::setGnbTick(qint32(n));
            m.busy = false;
            return;
        }
        if (!m.gskipmetro)
            updateMetroWithNbTickX(Data::gnbTick(), false, false);
    }
    if (m.lastBeat > 0 && now - m.lastBeat > d * 0.5) {
        updateMetroWithNbTickX(0, true, false);
        m.lastBeat = 0;
        if (m.shared->stopAuto && Data::gnbTick() >= m.shared->nbtempo) {
            m.busy = false;
            stopMetroTimer();
            return;
        }
    }
    m.busy = false;
}

void Controller::updateMetroWithNbTickX(qint64 nbTick, bool masquer, bool reset)
{
    if (!masquer) {
        if (metro::clickSounds(Data::tickSound(), Data::optMetroSound() != 0, Data::gcountSkip(), Data::gnbTick())) {
            ++metro().clicks;
            if (QSoundEffect *click = Data::audioPlayerObj())
                click->play();
        }
        if (Data::nbDestForTick() > 0)
            Midi::sendTick(1);
    }
    const auto windows = Data::nsMutaryOfWindows();
    for (const QPointer<WindowPDFxSuper> &w : windows)
        if (w)
            w->updateMetroWithNbTick(nbTick, masquer, reset);
}
