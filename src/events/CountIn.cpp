#include "library/DataEvents.h"

#include "events/Cues.h"
#include "library/Data.h"
#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"

qint32 DataEvents::valOrDefNbBeatForCurrentSong(qint32 beats)
{
    if (beats != 0)
        return beats;
    const PiecesPtr piece = Data::getPiece(Data::songNoG());
    const qint64 signature = piece && piece->pieceDet ? piece->pieceDet->signature : 0;
    return beatsPerBar(signature);
}

void DataEvents::activerCountDownCountToFor(qint32 beats, bool countTo, bool display, bool autoAudible,
                                            qint32 playAutoForGenre, bool waitForFirstBeat)
{
    const bool barFromSong = beats == 0;
    const qint64 n = barFromSong ? valOrDefNbBeatForCurrentSong(0) : beats;
    // The metronome counts the first beat it gives, hence one more when starting afresh.
    Data::setGcount(Data::gcount() < 0 ? n + 1 : n);
    Data::setGcountTo(countTo ? n + 1 : 0);
    Data::setGcountSkip(waitForFirstBeat || barFromSong);
    Data::setGDisplayCount(display);
    Data::setGPlayAutoForGenre(playAutoForGenre);
    auto &center = platform::NotificationCenter::defaultCenter();
    if (autoAudible && Data::optMetroSound() == 0) {
        Data::setGTriggerAutoMute(true);
        if (!Data::gcountSkip()) {
            Data::setOptMetroSound(1);
            center.postActionKey(vocab::MetronomeSoundIndicator);
        }
    }
    if (!Data::metroOn() && Data::syncMode() != 2)
        center.postActionKey(vocab::MetronomeOn);
}
