#include "events/Cues.h"

#include "events/EventScript.h"
#include "library/PiecesDet.h"
#include "library/TextNumbers.h"

#include <algorithm>

namespace cues {

using namespace eventscript;

namespace {

const QString kCueMark = QStringLiteral("\u25B7");

bool isOdd(qint64 n) { return (n % 2) != 0; }

// A page cue reads as the page itself unless every following window turns
// pages ahead of the music (mode 4, or mode 0 on an even page or when muted):
// then the cue announces the page to preload.
QString pageText(const SongEv &ev, const QString &time, const CueContext &context)
{
    const qint64 n = textnum::intValue(ev.actionTxt);
    const bool plain = std::any_of(context.windows.begin(), context.windows.end(), [&](const CueWindow &w) {
        if (w.modeAffichage != 0 && w.modeAffichage != 4)
            return true;
        return w.modeAffichage == 0 && context.genre != kGenreMute && isOdd(n);
    });
    if (plain) {
        if (ev.actionType == ActPageBottom)
            return kCueMark + time + QStringLiteral("Page ") + ev.actionTxt + QStringLiteral(" Bottom");
        return kCueMark + time + QStringLiteral("Page ") + ev.actionTxt;
    }
    const bool announce = ev.actionType == ActPageBottom ? n != context.pageCount : n < context.pageCount;
    if (!announce)
        return QString();
    return kCueMark + time + QStringLiteral("Preload Page ") + QString::number(n + 1);
}

} // namespace

QString genreX(qint64 genre)
{
    switch (genre) {
    case 0:
    case 1: return QStringLiteral("(Genre=Any)");
    case 2: return QStringLiteral("(Genre=Cover)");
    case 3: return QStringLiteral("(Genre=Backing Tracks)");
    case 4: return QStringLiteral("(Genre=Practice)");
    case 5: return QStringLiteral("(Genre=Recording)");
    case 6: return QStringLiteral("(MUTE)");
    default: return QString();
    }
}

qint32 valOrDefNbBeat(qint32 n, qint64 signature)
{
    return n != 0 ? n : beatsPerBar(signature);
}

QString obtenirTimeCueX(const SongEv &ev, bool withTime)
{
    return withTime ? timePrefix(ev) : QString();
}

QString obtenirCueX(const SongEv &ev, bool withTime, const CueContext &context)
{
    const QString t = obtenirTimeCueX(ev, withTime);
    const QString head = kCueMark + t;
    if (ev.evType == EvTempo)
        return head + QStringLiteral("Tempo ") + ev.actionTxt;
    if (ev.evType == EvMidiGroup || ev.actionType == ActMessage)
        return head + ev.actionTxt;
    if (ev.evType == EvMidi)
        return head + QStringLiteral("MIDI ") + ev.actionTxt;
    switch (ev.actionType) {
    case ActMessageStay: {
        QString txt = ev.actionTxt;
        txt.remove(QStringLiteral("CUE:"), Qt::CaseInsensitive);
        return head + txt;
    }
    case ActPage:
    case ActPageBottom: return pageText(ev, t, context);
    case ActMetronomeSoundOff: return head + QStringLiteral("Metronome Sound OFF");
    case ActMetronomeSoundOn: return head + QStringLiteral("Metronome Sound ON");
    case ActMetronomeStop: return head + QStringLiteral("Metronome STOP");
    case ActMetronomeStart: return head + QStringLiteral("Metronome START");
    case ActCountDown:
    case ActDisplayCountDown:
        return head + QStringLiteral("Count Down ") + QString::number(valOrDefNbBeat(textnum::intValue(ev.actionTxt), context.signature));
    case ActCountTo:
    case ActDisplayCountTo:
        return head + QStringLiteral("Count To ") + QString::number(valOrDefNbBeat(textnum::intValue(ev.actionTxt), context.signature));
    case ActPlay: return head + QStringLiteral("Play ") + genreX(textnum::intValue(ev.actionTxt));
    case ActStop: return head + QStringLiteral("STOP (reset cues)");
    case ActStopNoReset: return head + QStringLiteral("STOP (no reset)");
    case ActChordStripGuitar: return head + QStringLiteral("SetChordStripGuitar ") + ev.actionTxt;
    case ActChordStripUkulele: return head + QStringLiteral("SetChordStripUkulele ") + ev.actionTxt;
    case ActChordStripPiano: return head + QStringLiteral("SetChordStripPiano ") + ev.actionTxt;
    case ActChordStripHidden: return head + QStringLiteral("SetChordStripHidden ") + ev.actionTxt;
    default: return QString();
    }
}

SongEvPtr obtenirNextCue(const SongEvArray &events, const CueContext &context)
{
    // H: half-page paging; S: pages shown whole side by side; X: pages turned
    // ahead (mode 4, or mode 0 when muted); O: any other mode.
    bool h = false, s = false, x = false, o = false;
    const bool mute = context.genre == kGenreMute;
    for (const CueWindow &w : context.windows) {
        const qint64 m = w.modeAffichage;
        if (m == 1 || (m == 2 && w.ratio21))
            h = true;
        else if ((m == 2 && !w.ratio21) || m == 5)
            s = true;
        else if (m == 4 || (m == 0 && mute))
            x = true;
        else
            o = true;
    }

    SongEvPtr held;
    for (const SongEvPtr &ev : events) {
        if (!ev->timeEv || ev->traite)
            continue;
        if (ev->evType != EvPage)
            return ev;
        const qint64 n = textnum::intValue(ev->actionTxt);
        const bool bottom = ev->actionType == ActPageBottom;
        if (h) {
            if (n >= 1)
                return ev;
            continue;
        }
        if (s) {
            if (!bottom && n >= 1)
                return ev;
            if (bottom && n >= 2 && x && mute)
                return ev;
            continue;
        }
        const bool inRange = (n >= 2 && n < context.pageCount) || (o && n >= 1 && isOdd(n));
        if (!inRange)
            continue;
        if (bottom) {
            if (x && mute && n != 1)
                return ev;
            continue;
        }
        if (!mute) {
            if (isOdd(n) || x)
                return ev;
            continue;
        }
        if (isOdd(n) && !x)
            return ev;
        // Muted, the pages turn in pairs: the first of a pair is the cue once
        // its partner is reached.
        if (!held) {
            held = ev;
            continue;
        }
        return held;
    }
    return mute ? held : SongEvPtr();
}

} // namespace cues
