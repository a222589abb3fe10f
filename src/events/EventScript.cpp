#include "events/EventScript.h"

#include "library/TextNumbers.h"

#include <QStringList>
#include <algorithm>

QString SongEv::sortString1() const
{
    const int cueFirst = (actionType == eventscript::ActMessageStay && actionTxt.contains(QLatin1String("CUE:"))) ? 0 : 1;
    return QString::asprintf("%01d%08lld%01d%08lld", timeEv ? 1 : 0, static_cast<long long>(secondsFromTime()), cueFirst,
                             static_cast<long long>(index));
}

namespace eventscript {

namespace {

bool startsWithKeyword(const QString &upperWord, const char *keyword)
{
    return upperWord.startsWith(QLatin1String(keyword));
}

// The keyword word decides the event type; EvNone when it names nothing.
qint32 classify(const QString &word, const WinIdTest &isValidWinID)
{
    const QString up = word.toUpper();
    if (startsWithKeyword(up, "PAGE"))
        return EvPage;
    if (startsWithKeyword(up, "MESSAGE"))
        return EvMessage;
    if (word.contains(QLatin1Char('@')) || word.contains(QLatin1String("SYSEX")))
        return EvMidi;
    if (startsWithKeyword(up, "MIDI"))
        return EvMidiGroup;
    if (startsWithKeyword(up, "TEMPO="))
        return EvTempo;
    if (startsWithKeyword(up, "METRONOME"))
        return EvMetronome;
    // Longer keywords first: each of these begins with a shorter one below it.
    if (startsWithKeyword(up, "DISPLAYCOUNTDOWN"))
        return EvDisplayCountDown;
    if (startsWithKeyword(up, "DISPLAYCOUNTTO"))
        return EvDisplayCountTo;
    if (startsWithKeyword(up, "COUNTDOWN"))
        return EvCountDown;
    if (startsWithKeyword(up, "COUNTTO"))
        return EvCountTo;
    if (startsWithKeyword(up, "STOPNORESET"))
        return EvStopNoReset;
    if (startsWithKeyword(up, "STOP"))
        return EvStop;
    if (startsWithKeyword(up, "PLAY"))
        return EvPlay;
    if (startsWithKeyword(up, "SETCHORDSTRIPGUITAR"))
        return EvChordStripGuitar;
    if (startsWithKeyword(up, "SETCHORDSTRIPUKULELE"))
        return EvChordStripUkulele;
    if (startsWithKeyword(up, "SETCHORDSTRIPPIANO"))
        return EvChordStripPiano;
    if (startsWithKeyword(up, "SETCHORDSTRIPHIDDEN"))
        return EvChordStripHidden;
    const qsizetype colon = word.indexOf(QLatin1Char(':'));
    if (colon > 0 && isValidWinID && isValidWinID(word.left(colon)))
        return EvWinIdText;
    return EvNone;
}

QString joined3(const QString &w1, const QString &w2, const QString &rest)
{
    return w1 + QLatin1Char(' ') + w2 + QLatin1Char(' ') + rest;
}

} // namespace

QString timePrefix(const SongEv &ev)
{
    return QString::asprintf("%02d:%02d ", ev.mm, ev.ss);
}

bool isTimeWord(const QString &word)
{
    if (word.isEmpty() || word.at(0) < QLatin1Char('0') || word.at(0) > QLatin1Char('9'))
        return false;
    if (word.indexOf(QLatin1Char(':')) != 2)
        return false;
    // Before, "12:5@Synth" was read as the time 12:05 and its program change lost.
    return !word.contains(QLatin1Char('@'));
}

bool isEventLine(const QString &line)
{
    const QString up = line.toUpper();
    if (up.contains(QLatin1String("TAGS=")) || up.contains(QLatin1String("TITLE=")) || up.contains(QLatin1String("ARTIST=")))
        return false;
    if (!up.contains(QLatin1String("MESSAGE")) && !up.contains(QLatin1String("MIDI")) &&
        !up.contains(QLatin1String("METRONOME")) && !up.contains(QLatin1Char('@')) && !up.contains(QLatin1Char(':')))
        return false;
    // The note's own "Tempo=120 4/4" header, while "00:00 Tempo=120" is an event.
    const qsizetype tempo = up.indexOf(QLatin1String("TEMPO"));
    if (tempo >= 0 && tempo < 6)
        return false;
    return true;
}

SongEvPtr parseLine(const QString &line, qint64 evNo, const WinIdTest &isValidWinID)
{
    const QStringList words = line.split(QLatin1Char(' '));
    const bool timed = isTimeWord(words.first());
    qint32 mm = 0;
    qint32 ss = 0;
    qsizetype k = 0;
    if (timed) {
        mm = textnum::intValue(words.first().left(2));
        ss = textnum::intValue(words.first().mid(3));
        k = 1;
    }
    const QString w1 = k < words.size() ? words.at(k) : QString();
    const QString w2 = k + 1 < words.size() ? words.at(k + 1) : QString();
    const QString rest = k + 2 < words.size() ? words.mid(k + 2).join(QLatin1Char(' ')) : QString();

    qint32 evType = classify(w1, isValidWinID);
    if (evType == EvNone && timed) {
        // A time on its own is a timed blank cue. "01:30 " (as the writer puts
        // it) counts too: before, such a written line vanished on the next read.
        const bool onlyTime = std::all_of(words.begin() + 1, words.end(), [](const QString &w) { return w.isEmpty(); });
        if (onlyTime)
            evType = EvWinIdText;
    }
    if (evType == EvNone)
        return nullptr;

    auto ev = std::make_shared<SongEv>(evNo);
    ev->mm = mm;
    ev->ss = ss;
    ev->evType = evType;
    ev->timeEv = timed;
    switch (evType) {
    case EvPage:
        ev->actionType = rest.toUpper().contains(QLatin1String("BOTTOM")) ? ActPageBottom : ActPage;
        ev->actionTxt = w2;
        break;
    case EvMessage:
        ev->actionType = ActMessage;
        ev->actionTxt = w2 + QLatin1Char(' ') + rest;
        break;
    case EvMidi:
        ev->actionType = ActMidi;
        ev->actionTxt = joined3(w1, w2, rest);
        break;
    case EvMidiGroup:
        ev->actionType = ActMidiGroup;
        ev->actionTxt = joined3(w1, w2, rest);
        break;
    case EvTempo:
        ev->actionType = ActTempo;
        ev->actionTxt = w1.size() < 7 ? QStringLiteral("0") : w1.mid(6);
        break;
    case EvWinIdText:
        ev->actionTxt = joined3(w1, w2, rest);
        ev->actionType = ev->actionTxt.trimmed().isEmpty() ? ActNone : ActMessageStay;
        break;
    case EvMetronome: {
        const QString w2up = w2.toUpper();
        if (w2up.contains(QLatin1String("SOUND")))
            ev->actionType = rest.toUpper().contains(QLatin1String("ON")) ? ActMetronomeSoundOn : ActMetronomeSoundOff;
        else
            ev->actionType = w2up.contains(QLatin1String("STOP")) ? ActMetronomeStop : ActMetronomeStart;
        ev->actionTxt = joined3(w1, w2, rest);
        break;
    }
    case EvCountDown: ev->actionType = ActCountDown; ev->actionTxt = w2; break;
    case EvCountTo: ev->actionType = ActCountTo; ev->actionTxt = w2; break;
    case EvDisplayCountDown: ev->actionType = ActDisplayCountDown; ev->actionTxt = w2; break;
    case EvDisplayCountTo: ev->actionType = ActDisplayCountTo; ev->actionTxt = w2; break;
    case EvPlay: ev->actionType = ActPlay; ev->actionTxt = w2; break;
    case EvStop: ev->actionType = ActStop; ev->actionTxt = w2; break;
    case EvStopNoReset: ev->actionType = ActStopNoReset; ev->actionTxt = w2; break;
    case EvChordStripGuitar: ev->actionType = ActChordStripGuitar; ev->actionTxt = w2; break;
    case EvChordStripUkulele: ev->actionType = ActChordStripUkulele; ev->actionTxt = w2; break;
    case EvChordStripPiano: ev->actionType = ActChordStripPiano; ev->actionTxt = w2; break;
    case EvChordStripHidden: ev->actionType = ActChordStripHidden; ev->actionTxt = w2; break;
    default: break;
    }
    ev->traite = false;
    ev->val = static_cast<double>(ev->secondsFromTime());
    return ev;
}

void loadFromString(const QString &text, bool keepExisting, SongEvArray &array, const WinIdTest &isValidWinID)
{
    // Notes written elsewhere may break their lines with "\r\n" or a lone "\r".
    QString normalised = text;
    normalised.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines = normalised.split(QLatin1Char('\n'));
    if (!keepExisting) {
        array.clear();
        if (!lines.isEmpty())
            lines.removeFirst();
    }
    qint64 evNo = 0;
    for (const QString &line : std::as_const(lines)) {
        if (!isEventLine(line))
            continue;
        if (SongEvPtr ev = parseLine(line, evNo, isValidWinID)) {
            array.append(ev);
            ++evNo;
        }
    }
    sortEvents(array);
    setColourGrouping(array);
}

void sortEvents(SongEvArray &array)
{
    QList<std::pair<QString, SongEvPtr>> keyed;
    keyed.reserve(array.size());
    for (const SongEvPtr &ev : std::as_const(array))
        keyed.append({ev->sortString1(), ev});
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto &a, const auto &b) {
        return QString::compare(a.first, b.first, Qt::CaseInsensitive) < 0;
    });
    array.clear();
    for (const auto &entry : std::as_const(keyed))
        array.append(entry.second);
}

void setColourGrouping(SongEvArray &array)
{
    double previousTime = -1.0;
    bool previousTimed = false;
    qint32 colour = 1;
    for (const SongEvPtr &ev : std::as_const(array)) {
        if (ev->val == previousTime && ev->timeEv == previousTimed) {
            ev->levelNo = 1;
        } else {
            colour = 1 - colour;
            ev->levelNo = 0;
        }
        ev->colorCode = colour;
        previousTime = ev->val;
        previousTimed = ev->timeEv;
    }
}

QString lineForEvent(const SongEv &ev)
{
    if (!ev.timeEv && ev.actionType <= 0)
        return QString();
    QString body;
    const QString &txt = ev.actionTxt;
    switch (ev.actionType) {
    case ActNone: body = QString(); break;
    case ActMidiGroup:
    case ActMessageStay:
    case ActMidi: body = txt; break;
    case ActMessage: body = QStringLiteral("Message ") + txt; break;
    case ActPage: body = QStringLiteral("Page ") + txt; break;
    case ActPageBottom: body = QStringLiteral("Page ") + txt + QStringLiteral(" Bottom"); break;
    case ActMetronomeSoundOff: body = QStringLiteral("Metronome Sound OFF"); break;
    case ActMetronomeSoundOn: body = QStringLiteral("Metronome Sound ON"); break;
    case ActTempo: body = QStringLiteral("Tempo=") + txt; break;
    case ActMetronomeStop: body = QStringLiteral("Metronome STOP"); break;
    case ActMetronomeStart: body = QStringLiteral("Metronome START"); break;
    case ActCountDown: body = QStringLiteral("CountDown ") + txt; break;
    case ActCountTo: body = QStringLiteral("CountTo ") + txt; break;
    case ActDisplayCountDown: body = QStringLiteral("DisplayCountDown ") + txt; break;
    case ActDisplayCountTo: body = QStringLiteral("DisplayCountTo ") + txt; break;
    case ActPlay: body = QStringLiteral("Play ") + txt; break;
    case ActStop: body = QStringLiteral("Stop"); break;
    case ActStopNoReset: body = QStringLiteral("StopNoReset"); break;
    case ActChordStripGuitar: body = QStringLiteral("SetChordStripGuitar ") + txt; break;
    case ActChordStripUkulele: body = QStringLiteral("SetChordStripUkulele ") + txt; break;
    case ActChordStripPiano: body = QStringLiteral("SetChordStripPiano ") + txt; break;
    case ActChordStripHidden: body = QStringLiteral("SetChordStripHidden ") + txt; break;
    default:
        // An action the script has no words for: writing only its time would
        // glue the next line onto it.
        return QString();
    }
    // An untimed page, count or stop line is never read back (no line without
    // a time or a marker word is); writing it made every later write differ.
    if (!ev.timeEv && !isEventLine(body))
        return QString();
    return (ev.timeEv ? timePrefix(ev) : QString()) + body + QLatin1Char('\n');
}

QString writeEvents(SongEvArray &array, bool sort)
{
    if (array.isEmpty())
        return QString();
    if (sort)
        sortEvents(array);
    QString out;
    for (const SongEvPtr &ev : std::as_const(array))
        out += lineForEvent(*ev);
    return out;
}

void resetEvents(SongEvArray &array)
{
    for (const SongEvPtr &ev : std::as_const(array)) {
        ev->traite = false;
        ev->val = static_cast<double>(ev->secondsFromTime());
    }
}

void carryDoneState(const SongEvArray &before, SongEvArray &after, double reached)
{
    auto same = [](const SongEv &a, const SongEv &b) {
        return a.timeEv == b.timeEv && a.mm == b.mm && a.ss == b.ss && a.evType == b.evType &&
               a.actionType == b.actionType && a.actionTxt == b.actionTxt;
    };
    SongEvArray unmatched = before;
    for (const SongEvPtr &ev : std::as_const(after)) {
        if (!ev->timeEv)
            continue;
        const auto it = std::find_if(unmatched.begin(), unmatched.end(), [&](const SongEvPtr &old) { return same(*old, *ev); });
        if (it != unmatched.end()) {
            // Held back by a count-in, say: it keeps waiting for its cue.
            ev->traite = (*it)->traite;
            unmatched.erase(it);
        } else if (ev->val <= reached && ev->evType != EvStop) {
            ev->traite = true;
        }
    }
}

bool hasTimedEvent(const SongEvArray &array)
{
    return std::any_of(array.begin(), array.end(), [](const SongEvPtr &ev) { return ev->timeEv; });
}

} // namespace eventscript
