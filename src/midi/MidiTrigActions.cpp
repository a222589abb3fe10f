#include "midi/Midi.h"
#include "midi/MidiTrig.h"

#include "library/Data.h"
#include "library/TextNumbers.h"
#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"

#include <algorithm>
#include <vector>

namespace {

platform::NotificationCenter &center() { return platform::NotificationCenter::defaultCenter(); }

void actionKey(int code) { center().postActionKey(code); }

void post(const QString &name, const QVariant &param) { center().post(name, param); }

// Each character of the text that is a table-of-contents key, as its typed-character code.
void typeCharacters(const QString &text)
{
    for (const QChar c : text) {
        const qint64 k = Data::keyn(QString(c));
        if (k > 0)
            actionKey(int(k - 1));
    }
}

void countIn(const QString &text, bool countTo, bool autoAudible)
{
    // An empty text gives 0: the count-in then takes the song's beats per bar.
    const qint64 n = std::clamp<qint64>(textnum::intValue(text), 0, 99);
    Data::activerCountDownCountToFor(qint32(n), countTo, true, autoAudible, -1, true);
}

// What a fired trigger does; s is the step of a stepped control change, else -1.
void performAction(const MidiTrig &trig, const MidiTrigIn &in, qint64 s)
{
    const QString &text = trig.actionTxt;
    const qint64 digit = textnum::firstDigit(text);
    switch (trig.actionType) {
    case 1:
        if (text.isEmpty())
            actionKey(vocab::PageUp);
        else
            post(vocab::ActionPageUpForWinID, text);
        break;
    case 2:
        if (text.isEmpty())
            actionKey(vocab::PageDown);
        else
            post(vocab::ActionPageDownForWinID, text);
        break;
    case 3:
        if (Data::gcount() >= 0) {
            actionKey(vocab::StopCountIn);
        } else if (s == 1) {
            actionKey(vocab::StopOrCancelCountIn);
            actionKey(vocab::Play);
        } else if (s == 0) {
            actionKey(vocab::StopOrCancelCountIn);
        } else if (digit >= 1 && digit <= 6) {
            post(vocab::ActionGoToGenreNoAndPlayPause, digit);
        } else {
            actionKey(vocab::Play);
        }
        break;
    case 4:
        if (!text.isEmpty()) {
            typeCharacters(text);
            actionKey(vocab::ClearSearch);
        }
        break;
    case 5:
        if (!text.isEmpty()) {
            actionKey(vocab::StopOrCancelCountIn);
            typeCharacters(text);
            actionKey(vocab::ClearSearch);
            actionKey(vocab::Play);
        }
        break;
    case 6:
        actionKey(vocab::StopOrCancelCountIn);
        break;
    case 7:
        actionKey(vocab::PreviousSong);
        break;
    case 8:
        actionKey(vocab::NextSong);
        break;
    case 9:
        actionKey(vocab::ToggleNote);
        break;
    case 10:
        if (!text.isEmpty()) {
            const QString id = text.toUpper();
            // The screen-set restriction is for song changes, not for a pedal.
            const QList<MidiFavEventPtr> groups = Midi::MIDIfav();
            // The group's own name guards it from sending itself again; before,
            // a group that named itself went out twice.
            for (const MidiFavEventPtr &g : groups)
                if (g && g->favEventID.toUpper() == id && !g->favEventTx.isEmpty())
                    Midi::sendMIDIfromString(g->favEventTx, g->favEventID, true);
            Midi::processMidiEvents();
            if (Data::recOn())
                post(vocab::ActionInsererAction, QStringLiteral("MIDI %1").arg(text));
        }
        break;
    case 11:
        actionKey(vocab::StopOrCancelCountIn);
        actionKey(vocab::Play);
        break;
    case 12:
        if (s >= vocab::TypedCharFirst && s <= vocab::TypedCharLast) {
            actionKey(int(s));
            actionKey(vocab::ClearSearch);
        }
        break;
    case 13:
        if (s >= 0)
            post(vocab::ActionOngletB, s);
        break;
    case 14:
        if (s >= 0)
            post(vocab::ActionScrollCurrentOnglet, s);
        break;
    case 15:
        post(vocab::ActionGoToSongNo, in.sourceVal1 - trig.sourceVal1);
        break;
    case 16:
        post(vocab::ActionPlaySongNo, in.sourceVal1 - trig.sourceVal1);
        break;
    case 17:
        if (digit >= 1 && digit <= 9)
            post(vocab::ActionOngletB, digit - 1);
        break;
    case 18:
        post(vocab::ActionDisplayHideList, text);
        break;
    case 19:
        actionKey(vocab::FirstSongOrPreviousTab);
        break;
    case 20:
        actionKey(vocab::NextTab);
        break;
    case 21:
        post(vocab::ActionMessage, text);
        break;
    case 22:
        post(vocab::ActionMessageStay, text);
        break;
    case 23:
        actionKey(s == 1 ? vocab::MetronomeOn : s == 0 ? vocab::MetronomeOff : vocab::MetronomeOnOff);
        break;
    case 24:
        actionKey(vocab::RestartMetronome);
        break;
    case 25:
        if (digit >= 1 && digit <= 6)
            post(vocab::ActionGoToGenreNo, digit);
        break;
    case 26:
        if (digit < 7)
            post(vocab::ActionPlayNextPause, std::max<qint64>(digit, 0));
        break;
    case 27:
        if (text.isEmpty())
            actionKey(vocab::PageDownWrap);
        else
            post(vocab::ActionPageDownForWinID, text);
        break;
    case 28:
        actionKey(vocab::NextCue);
        break;
    case 29:
        if (s < 0) {
            actionKey(vocab::TapTempo);
        } else {
            Data::setGtempo(s + 53);
            actionKey(vocab::TempoChanged);
        }
        break;
    case 30:
        actionKey(s == 1 ? vocab::AudibleMetronomeOn : s == 0 ? vocab::AudibleMetronomeOff
                                                               : vocab::AudibleMetronomeToggle);
        break;
    case 31:
        countIn(text, true, false);
        break;
    case 32:
        countIn(text, false, false);
        break;
    case 33:
        countIn(text, true, true);
        break;
    case 34:
        countIn(text, false, true);
        break;
    case 35:
        if (textnum::intValue(text) >= 1)
            post(vocab::ActionGoToPageNo, textnum::intValue(text));
        break;
    case 36:
        if (textnum::intValue(text) >= 1)
            post(vocab::ActionGoToPageBottomNo, textnum::intValue(text));
        break;
    default:
        break; // 0 and unknown codes do nothing
    }
}

bool typeMatches(const MidiTrig &trig, const MidiTrigIn &in)
{
    return trig.sourceType == in.sourceType || (trig.sourceType == 3 && in.sourceType == 7);
}

bool excludedFromBankAndWheel(qint64 action) { return action >= 12 && action <= 16; }

// The value test of one trigger; may update its range state (vex).
bool valueMatches(MidiTrig &trig, const MidiTrigIn &in, qint64 *step)
{
    *step = -1;
    switch (trig.sourceType) {
    case 1:
        if (trig.sourceVal1 != in.sourceVal1 || trig.actionType == 15 || trig.actionType == 16)
            return false;
        return miditrig::controlChangeMatches(trig.actionType, trig.sourceVal2, trig.sourceVal3, in.sourceVal2,
                                              trig.vex, step);
    case 2:
        return !excludedFromBankAndWheel(trig.actionType) && miditrig::programChangeMatches(trig, in);
    case 3:
        // A note also watched for holding fires its note-on trigger only at a short release.
        if (in.sourceType == 3 && Midi::isExistsMidiTrigForSourceRef(in.sourceRef, in.channel, 6, in.sourceVal1))
            return false;
        return in.sourceVal2 >= 1 && miditrig::noteMatches(trig, in.sourceVal1);
    case 4:
        return !excludedFromBankAndWheel(trig.actionType) && miditrig::pitchWheelMatches(trig, in);
    case 5:
        if (Midi::isExistsMidiTrigInHoldForSourceRef(in.sourceRef, in.channel, 3, in.sourceVal1, in.sourceVal2,
                                                     in.sourceVal3))
            return false;
        return miditrig::noteMatches(trig, in.sourceVal1);
    case 6:
        return in.sourceVal2 >= 1 && miditrig::noteMatches(trig, in.sourceVal1);
    default:
        return false;
    }
}

} // namespace

void MidiTrigIn::process()
{
    if (miditrig::pitchWheelRepeat(Midi::lastSourceType(), Midi::lastSourceVal2(), *this))
        return;
    Midi::setLastSourceType(sourceType);
    Midi::setLastSourceVal1(sourceVal1);
    Midi::setLastSourceVal2(sourceVal2);
    Midi::setLastSourceVal3(sourceVal3);
    Midi::initTimeLastProcessTrig();

    // Actions may edit the list (a settings window, a reload): walk a copy.
    const QList<MidiTrigPtr> triggers = Midi::MIDItriggers();
    const qint32 uid = Midi::MIDIgetUniqueID(sourceRef);
    std::vector<qint64> vexBefore;
    vexBefore.reserve(std::size_t(triggers.size()));
    for (const MidiTrigPtr &t : triggers)
        vexBefore.push_back(t ? t->vex : -1);

    QList<qsizetype> deferred;
    bool fired = false;
    bool holdMark = false;
    bool reset = false;

    auto pass = [&]() {
        if (Midi::resetTrig()) {
            Midi::setResetTrig(false);
            reset = true;
        }
        for (qsizetype i = 0; i < triggers.size(); ++i) {
            MidiTrig *t = triggers[i].get();
            if (!t)
                continue;
            if (reset && t->behavior == 2)
                t->traite = false;
            if (!miditrig::acceptsSource(*t, uid, channel))
                continue;
            qint64 step = -1;
            if (typeMatches(*t, *this) && valueMatches(*t, *this, &step)) {
                if (t->behavior > 0 && (t->traite || fired)) {
                    deferred.append(i);
                } else {
                    t->traite = true;
                    fired = true;
                    performAction(*t, *this, step);
                }
            }
            if (!holdMark && t->sourceType == 6 && t->sourceVal1 == sourceVal1) {
                holdMark = true;
                if (sourceType == 3)
                    Midi::keepMidiTrigInHoldForSourceRef(sourceRef, channel, 3, sourceVal1, sourceVal2, sourceVal3);
                else if (sourceType == 5)
                    Midi::forceMidiTrigInHoldForSourceRef(sourceRef, channel, 3, sourceVal1, sourceVal2, sourceVal3);
            }
        }
    };

    pass();
    if (!fired && !deferred.isEmpty()) {
        // Every matching Skip trigger was used: start their round again. Their
        // range state goes back to before this message; before, a deferred
        // control-change trigger could not match again and the press was lost.
        const QList<qsizetype> round = deferred;
        deferred.clear();
        for (qsizetype i : round) {
            triggers[i]->traite = false;
            triggers[i]->vex = vexBefore[std::size_t(i)];
        }
        pass();
    }
}
