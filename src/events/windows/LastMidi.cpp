#include "events/windows/LastMidi.h"

#include "events/NoteRules.h"
#include "library/Data.h"
#include "midi/Midi.h"
#include "platform/Clock.h"

#include <QAbstractButton>

namespace lastmidi {

QString dest() { return Midi::obtenirChannelID(Midi::lastChannel(), Midi::lastSourceRef()); }

QString programTitle()
{
    return noterules::programButtonTitle(Midi::nbLastEvents(), Midi::lastMSBValue(), Midi::lastLSBValue(),
                                         Midi::lastProgramChangeValue(), dest());
}

QString programInsert(qint32 *learned)
{
    const qint32 count = Midi::nbLastEvents();
    if (learned)
        *learned = count;
    if (count < 2)
        return noterules::programLine(Midi::lastMSBValue(), Midi::lastLSBValue(), Midi::lastProgramChangeValue(),
                                      dest())
               + QLatin1Char('\n');
    std::lock_guard lock(Midi::textMutex());
    return Midi::lastEvents() + QLatin1Char('\n');
}

QString controlLine()
{
    return noterules::controlLine(Midi::lastControlMessageValue1(), Midi::lastControlMessageValue2(), dest());
}

void paint(QAbstractButton *programButton, QAbstractButton *controlButton, bool grey)
{
    const double now = platform::now();
    const bool pcFresh = !grey && now - Midi::timeLastProgramChange() < 1.0;
    const bool ccFresh = !grey && now - Midi::timeLastControlMessage() < 1.0;
    const QColor red(220, 40, 40), blue(0, 122, 255), neutral(Qt::gray);
    if (programButton)
        Data::setButtonTextColor(programButton, pcFresh ? red : neutral, pcFresh ? red : neutral);
    if (controlButton)
        Data::setButtonTextColor(controlButton, ccFresh ? blue : neutral, ccFresh ? blue : neutral);
}

} // namespace lastmidi
