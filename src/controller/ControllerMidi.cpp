#include "controller/Controller.h"

#include "library/Data.h"
#include "midi/Midi.h"
#include "midi/windows/MidiWindows.h"
#include "platform/Log.h"

// The song's MIDI, half a second after it was reached: the "DEFAULT" group,
// then the untimed MIDI events of its note.
void Controller::sendMIDIfromNote()
{
    Midi::setRefreshPaused(true);
    Midi::initTimeLastLotEvents();
    bool sent = false;
    const QList<MidiFavEventPtr> groups = Midi::MIDIfav();
    if (!groups.isEmpty() && groups.first() && groups.first()->favEventID.toUpper() == QLatin1String("DEFAULT")
        && groups.first()->envoyerFav()) {
        Midi::sendMIDIfromString(groups.first()->favEventTx, groups.first()->favEventID, false);
        sent = true;
    }
    const PiecePtr piece = Data::getPiece(Data::songNoG());
    if (!piece || !piece->pieceDet) {
        TLOG(QStringLiteral("Controller sendMIDIfromNote: no current song"));
        Midi::lancerRefreshPauseFalse();
        return;
    }
    if (!piece->pieceDet->notetxt.isEmpty()) {
        Data::setEvInProcess(true);
        const SongEvArray events = Data::songEvents();
        for (const SongEvPtr &ev : events) {
            if (ev && !ev->timeEv && (ev->evType == 2 || ev->evType == 3) && !ev->actionTxt.isEmpty()) {
                Midi::sendMIDIfromString(ev->actionTxt, QString(), false);
                sent = true;
            }
        }
        Data::setEvInProcess(false);
    }
    Data::setGtempo(piece->tempo());
    metroFollowTempo();
    if (sent)
        Midi::processMidiEvents();
    else
        Midi::lancerRefreshPauseFalse();
}

// Action 9: the event groups of that identifier that may be sent now.
void Controller::sendMidiGroup(const QString &groupID)
{
    bool sent = false;
    const QList<MidiFavEventPtr> groups = Midi::MIDIfav();
    for (const MidiFavEventPtr &group : groups) {
        if (group && group->favEventID.compare(groupID, Qt::CaseInsensitive) == 0 && group->envoyerFav()) {
            Midi::sendMIDIfromString(group->favEventTx, group->favEventID, true);
            sent = true;
        }
    }
    if (sent)
        Midi::processMidiEvents();
}

void Controller::actionMidiDelay()
{
    Midi::setMidiDelay(float(options_.effectiveMidiDelay()));
}

// The bank values of the input monitor expire after a second.
void Controller::refreshLastMIDIdataX()
{
    const double now = platform::now();
    if (now - Midi::timeLastMSB() >= 1.0)
        Midi::setLastMSBValue(-1);
    if (now - Midi::timeLastLSB() >= 1.0)
        Midi::setLastLSBValue(-1);
    refreshNotesMidi(false);
}

MidiWindows &Controller::midiWindows()
{
    if (!midiWindows_)
        midiWindows_ = new MidiWindows;
    return *midiWindows_;
}
