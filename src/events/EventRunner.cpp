#include "library/DataEvents.h"

#include "events/EventScript.h"
#include "events/EventsGlue.h"
#include "events/RunProgress.h"
#include "library/Data.h"
#include "library/TextNumbers.h"
#include "midi/Midi.h"
#include "platform/Clock.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"

#include <algorithm>

using namespace eventscript;

namespace {

// The array a pass is walking; a handler that starts another pass on it is refused.
const SongEvArray *g_passArray = nullptr;

// Queued now, sent by the engine's paced drain once the pass has queued everything.
void sendMidiInstruction(const QString &text)
{
    Midi::sendMIDIfromString(text, QString(), true);
}

void startMidiQueue()
{
    Midi::processMidiEvents();
}

void post(const QString &name, const QVariant &param)
{
    platform::NotificationCenter::defaultCenter().post(name, param);
}

void postActionKey(int code)
{
    platform::NotificationCenter::defaultCenter().postActionKey(code);
}

void startCountIn(const SongEv &ev, bool countTo, bool display)
{
    const qint32 beats = std::min(textnum::intValue(ev.actionTxt), 99);
    DataEvents::activerCountDownCountToFor(beats, countTo, display, false, -1, false);
}

} // namespace

bool DataEvents::processOneSongEvent(const SongEvPtr &evPtr)
{
    if (!evPtr)
        return false;
    const SongEv &ev = *evPtr;
    if (Data::recOn() && (ev.actionType == ActPlay || ev.actionType == ActStop || ev.actionType == ActStopNoReset))
        return false;
    if (ev.evType == EvMidi || ev.evType == EvMidiGroup) {
        if (ev.actionTxt.isEmpty())
            return false;
        sendMidiInstruction(ev.actionTxt);
        return true;
    }
    switch (ev.actionType) {
    case ActMessage:
        post(vocab::ActionMessage, ev.actionTxt);
        break;
    case ActMessageStay:
        post(vocab::ActionMessageStay, ev.actionTxt);
        break;
    case ActPage:
    case ActPageBottom: {
        const qint32 page = textnum::intValue(ev.actionTxt);
        if (page >= 1)
            post(ev.actionType == ActPage ? vocab::ActionGoToPageNo : vocab::ActionGoToPageBottomNo, page);
        break;
    }
    case ActMetronomeSoundOff:
    case ActMetronomeSoundOn:
    case ActMetronomeStop:
    case ActMetronomeStart:
        postActionKey(ev.actionType);
        break;
    case ActTempo: {
        const qint32 tempo = textnum::intValue(ev.actionTxt);
        if (tempo >= 1 && tempo <= 300) {
            Data::setGtempo(tempo);
            postActionKey(vocab::TempoChanged);
        }
        break;
    }
    case ActCountDown: startCountIn(ev, false, false); break;
    case ActCountTo: startCountIn(ev, true, false); break;
    case ActDisplayCountDown: startCountIn(ev, false, true); break;
    case ActDisplayCountTo: startCountIn(ev, true, true); break;
    case ActPlay: {
        const qint32 genre = textnum::intValue(ev.actionTxt);
        platform::runGlobal([genre]() {
            platform::runOnMain([genre]() { post(vocab::ActionGoToGenreNoAndPlayPause2, genre); });
        });
        break;
    }
    case ActStop:
    case ActStopNoReset: {
        // Handled once the pass is over: stopping reloads the song and its
        // events, which must not happen under a pass walking them.
        const int code = ev.actionType == ActStop ? vocab::Stop : vocab::StopNoReset;
        platform::runOnMain([code]() { postActionKey(code); });
        break;
    }
    case ActChordStripGuitar: post(vocab::ActionSetChordStripGuitar, ev.actionTxt); break;
    case ActChordStripUkulele: post(vocab::ActionSetChordStripUkulele, ev.actionTxt); break;
    case ActChordStripPiano: post(vocab::ActionSetChordStripPiano, ev.actionTxt); break;
    case ActChordStripHidden: post(vocab::ActionSetChordStripHidden, ev.actionTxt); break;
    default:
        break;
    }
    return false;
}

bool DataEvents::processSongEventsUpTo(double seconds, bool autom, SongEvArray &array)
{
    if (g_passArray == &array) {
        TLOG(QStringLiteral("Data processSongEventsUpTo refused inside a pass"));
        return false;
    }
    const SongEvArray *outerPass = g_passArray;
    g_passArray = &array;
    setEvInProcess(true);
    if (&array == &songEvents())
        RunProgress::current().noteRun(eventsglue::currentSongKey(), seconds);

    const qint64 automation = Data::gautomation();
    const bool automationOff = Data::gautomationOff();
    if (!autom || (automation == 0 && !automationOff)) {
        Data::setGTriggerAuto(false);
        Data::setGTriggerAutoMute(false);
    }
    const bool filtered = autom && (automation != 0 || automationOff);
    const bool pagesFollowTrack = automation == 1 && !automationOff;

    bool waiting = false, deferred = false, soundOff = false, ran = false, sent = false;
    // Walk a copy: whatever a handler does to the array cannot pull events from under the walk.
    const SongEvArray events = array;
    for (const SongEvPtr &ev : events) {
        if (ev->traite || !ev->timeEv)
            continue;
        if (filtered && ev->val != 0.0 && !(pagesFollowTrack && ev->evType == EvPage))
            continue;
        if (!(seconds >= ev->val))
            continue;
        if (waiting) {
            deferred = true;
            if (ev->actionType == ActMetronomeSoundOff)
                soundOff = true;
        } else {
            if (processOneSongEvent(ev))
                sent = true;
            ran = true;
            if (ev->evType != EvStop)
                ev->traite = true;
        }
        if (ev->actionType >= ActCountDown && ev->actionType <= ActDisplayCountTo)
            waiting = true;
    }
    if (waiting && deferred) {
        Data::setGTriggerAuto(true);
        Data::setGTriggerAutoMute(soundOff);
    }
    if (sent)
        startMidiQueue();
    setEvInProcess(outerPass != nullptr);
    g_passArray = outerPass;
    return ran;
}

void DataEvents::processSongEventsSingle(const SongEvPtr &ev)
{
    const bool insidePass = g_passArray != nullptr;
    setEvInProcess(true);
    if (processOneSongEvent(ev))
        startMidiQueue();
    setEvInProcess(insidePass);
}

void DataEvents::resetSongEventsUsingArray(SongEvArray &array)
{
    resetEvents(array);
    if (&array == &songEvents())
        RunProgress::current().forget();
}

void DataEvents::listerSongEventsUsingArray(const SongEvArray &array)
{
    TLOG(QString());
    TLOG(QStringLiteral("Data.m listerSongEvents - NO time Events:"));
    for (const SongEvPtr &ev : array) {
        if (!ev->timeEv)
            TLOG(QStringLiteral("%1 %2 %3 %4 %5")
                     .arg(QString::asprintf("%02lld", static_cast<long long>(ev->index)), QString::number(ev->evType),
                          QString::number(ev->actionType), ev->actionTxt, QString::number(ev->traite ? 1 : 0)));
    }
    TLOG(QString());
    TLOG(QStringLiteral("Data.m listerSongEvents - Time Events:"));
    for (const SongEvPtr &ev : array) {
        if (ev->timeEv)
            TLOG(QStringLiteral("%1 %2 %3 %4 %5 %6")
                     .arg(QString::asprintf("%02lld", static_cast<long long>(ev->index)),
                          QString::asprintf("%02d:%02d", ev->mm, ev->ss), QString::number(ev->evType),
                          QString::number(ev->actionType), ev->actionTxt, QString::number(ev->traite ? 1 : 0)));
    }
    TLOG(QString());
}
