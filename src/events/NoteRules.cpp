#include "events/NoteRules.h"

#include "events/EventScript.h"
#include "library/TextNumbers.h"
#include "midi/MidiInstruction.h"

namespace noterules {

using namespace eventscript;
namespace kc = platform::keycode;

QString timeText(double seconds)
{
    const qint64 s = seconds > 0 ? qint64(seconds) : 0;
    return QString::asprintf("%02lld:%02lld", s / 60, s % 60);
}

QString pageMarker(double seconds, qint32 page, bool zoomTop)
{
    return QStringLiteral("%1 Page %2%3")
        .arg(timeText(seconds), QString::number(page), zoomTop ? QString() : QStringLiteral(" Bottom"));
}

QString messageMarker(double seconds) { return timeText(seconds) + QStringLiteral(" Message"); }

QString messageLine(const QString &time, const QString &text)
{
    return QStringLiteral("%1 Message %2").arg(time, text);
}

QString programLine(qint32 msb, qint32 lsb, qint32 program, const QString &dest)
{
    return midiinstr::programText(msb >= 1 ? msb : -1, lsb, program) + QLatin1Char('@') + dest;
}

QString controlLine(qint32 controller, qint32 value, const QString &dest)
{
    return QStringLiteral("CC%1:%2@%3").arg(QString::number(controller), QString::number(value), dest);
}

QString programButtonTitle(qint32 learned, qint32 msb, qint32 lsb, qint32 program, const QString &dest)
{
    if (learned < 2)
        return programLine(msb, lsb, program, dest);
    return QStringLiteral("(%1 events)@%2").arg(QString::number(learned), dest);
}

QString keyword(int tag)
{
    static const char *const words[] = {"CC", "CT", "TR", "MIDI", "SYSEX", "Tempo"};
    return tag >= 1 && tag <= 6 ? QString::fromLatin1(words[tag - 1]) : QString();
}

namespace {

void setTime(SongEv &ev, qint64 seconds)
{
    ev.mm = qint32(seconds / 60);
    ev.ss = qint32(seconds % 60);
}

// "mm:ss ..." read by position, as the markers are made.
void setTimeFromText(SongEv &ev, const QString &text)
{
    ev.mm = textnum::intValue(text.mid(0, 2));
    ev.ss = textnum::intValue(text.mid(3, 2));
    ev.val = double(ev.secondsFromTime());
}

} // namespace

SongEvPtr makeCue(int kind, const QString &text, const CueInput &in)
{
    auto ev = std::make_shared<SongEv>(in.count);
    ev->timeEv = true;
    switch (kind) {
    case 0:
        setTime(*ev, qint64(in.nextFreeTime));
        ev->evType = EvPage;
        ev->actionType = ActNone;
        ev->val = in.nextFreeTime;
        ev->levelNo = 2;
        break;
    case 1:
        setTime(*ev, in.currentPos > 0 ? qint64(in.currentPos) : 0);
        ev->evType = EvPage;
        ev->actionType = in.zoomOn && !in.zoomTop ? ActPageBottom : ActPage;
        ev->actionTxt = QString::number(in.page);
        ev->val = qMax(0.0, in.currentPos);
        break;
    case 2:
        setTimeFromText(*ev, text);
        if (text.contains(QLatin1String("MIDI"))) {
            ev->evType = EvMidiGroup;
            ev->actionType = ActMidiGroup;
            ev->actionTxt = text.mid(6);
        } else if (text.contains(QLatin1String("StopNoReset"))) {
            if (in.note.contains(QLatin1String("StopNoReset")))
                return nullptr;
            ev->evType = EvStopNoReset;
            ev->actionType = ActStopNoReset;
        } else {
            ev->evType = EvWinIdText;
            ev->actionType = ActMessage;
            ev->actionTxt = text.mid(14);
        }
        break;
    case 3:
        // A group sent when the song is reached, as the library window's inserts are.
        ev->timeEv = false;
        ev->evType = EvMidiGroup;
        ev->actionType = ActMidiGroup;
        ev->actionTxt = text;
        break;
    case 4:
        setTimeFromText(*ev, text);
        ev->evType = EvPlay;
        ev->actionType = ActPlay;
        ev->actionTxt = text.mid(11);
        break;
    case 5: {
        setTimeFromText(*ev, text);
        ev->evType = EvPage;
        QString page = text.mid(11);
        // The plain window's page marker says " Bottom" for the lower half.
        const bool bottom = page.endsWith(QLatin1String(" Bottom"));
        if (bottom)
            page.chop(7);
        ev->actionType = bottom ? ActPageBottom : ActPage;
        ev->actionTxt = page;
        break;
    }
    default:
        return nullptr;
    }
    return ev;
}

double nextFreeTime(const SongEvArray &events)
{
    if (events.isEmpty() || !events.last())
        return 0.0;
    const SongEv &last = *events.last();
    return last.levelNo == 2 ? last.val : last.val + 10.0;
}

qint64 dropReferenceRow(qint64 r, qint64 n, bool onRow)
{
    if (onRow)
        return r == n ? r - 1 : r;
    return r <= 1 ? 0 : r - 1;
}

bool alwaysTimedWhenMoved(const SongEv &ev)
{
    switch (ev.actionType) {
    case ActNone: case ActMessage: case ActPage: case ActPageBottom: case ActMetronomeSoundOff:
    case ActMetronomeSoundOn: case ActTempo: case ActMetronomeStop: case ActMetronomeStart:
    case ActCountDown: case ActCountTo: case ActDisplayCountDown: case ActDisplayCountTo:
        return true;
    case ActMessageStay:
        return ev.actionTxt.contains(QLatin1String("CUE:")) || !ev.actionTxt.contains(QLatin1Char(':'));
    default:
        return false;
    }
}

QStringList tagCompletions(const QString &word, const QStringList &tags)
{
    QStringList out;
    const QString p = word.toUpper();
    for (const QString &t : tags)
        if (t.toUpper().startsWith(p))
            out << t + QLatin1Char(' ');
    if (!out.isEmpty())
        out.prepend(word);
    return out;
}

QString withTag(const QString &field, const QString &tag)
{
    if (field.isEmpty())
        return tag;
    if (field.toUpper().contains(tag.toUpper()))
        return field;
    return field.endsWith(QLatin1Char(' ')) ? field + tag : field + QLatin1Char(' ') + tag;
}

int formattedWindowKey(const platform::KeyEvent &key)
{
    switch (key.keyCode) {
    case kc::Comma: return key.command() ? 79 : key.shift() ? 94 : 78;
    case kc::Space: return 42;
    case kc::Grave: return 88;
    case kc::LeftArrow: return 36;
    case kc::RightArrow: return 37;
    default: return -1;
    }
}

bool savesFirst(const platform::KeyEvent &key)
{
    return key.keyCode == kc::LeftArrow || key.keyCode == kc::RightArrow;
}

PlainKey plainWindowKey(const platform::KeyEvent &key)
{
    PlainKey k;
    if (key.command() && key.option()) {
        if (key.keyCode == kc::LeftArrow)
            k.arrange = 4;
        else if (key.keyCode == kc::UpArrow)
            k.arrange = 5;
    }
    switch (key.keyCode) {
    case kc::Equal: k.code = key.command() ? 52 : 51; break;
    case kc::Minus: k.code = key.command() ? 53 : 73; break;
    case kc::RightBracket: k.code = 81; break;
    case kc::LeftBracket: k.code = 80; break;
    case kc::Quote: k.code = 82; break;
    case kc::Semicolon: k.code = 90; break;
    case kc::Backslash: k.code = 83; break;
    case kc::Comma: k.code = key.shift() ? 94 : key.command() ? 79 : 78; break;
    case kc::Slash: k.code = 84; break;
    case kc::Period: k.code = key.shift() ? 86 : 74; break;
    case kc::Grave: k.code = key.shift() ? 100 : 88; break;
    case kc::IsoSection: k.code = key.shift() ? 1025 : -1; break;
    case kc::F: k.code = key.command() ? 84 : -1; break;
    default: break;
    }
    return k;
}

QString untimedMidi(const SongEvArray &events)
{
    QStringList lines;
    for (const SongEvPtr &ev : events)
        if (ev && !ev->timeEv && (ev->evType == EvMidi || ev->evType == EvMidiGroup))
            lines << ev->actionTxt;
    return lines.join(QLatin1Char('\n'));
}

} // namespace noterules
