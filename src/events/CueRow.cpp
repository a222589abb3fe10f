#include "events/CueRow.h"

#include "events/EventScript.h"
#include "library/TextNumbers.h"
#include "midi/MidiInstruction.h"

#include <algorithm>

namespace cuerow {

using namespace eventscript;

namespace {

const char *const kKindTexts[kKindCount] = {
    "None",
    "Page",
    "Page Bottom",
    "Message",
    "Text for WinID",
    "Cue",
    "Tempo",
    "Metronome START",
    "Metronome STOP",
    "Metronome Sound ON",
    "Metronome Sound OFF",
    "CountDown",
    "CountTo",
    "DisplayCountDown",
    "DisplayCountTo",
    "Play",
    "Stop",
    "StopNoReset",
    "SetChordStripGuitar",
    "SetChordStripUkulele",
    "SetChordStripPiano",
    "SetChordStripHidden",
    "MIDI Group",
    "MIDI Note",
    "MIDI Program Change",
    "MIDI Control Change",
    "MIDI Coarse Tune",
    "MIDI Transpose",
    "MIDI SysEx",
};

const char *const kSemiTones[13] = {"+6", "+5", "+4", "+3", "+2", "+1", "0", "-1", "-2", "-3", "-4", "-5", "-6"};

QString trimmed(const QString &s) { return s.trimmed(); }

QString capped(const QString &field, int most)
{
    return QString::number(qMin(textnum::intValue(field), most));
}

// A bank or program field: empty stays empty, so no byte is invented.
QString cappedOrEmpty(const QString &field, int most)
{
    return trimmed(field).isEmpty() ? QString() : capped(field, most);
}

// The MIDI kind of an instruction (the text before its "@"), with its fields.
void readInstruction(const QString &instr, Row &row)
{
    const QString upper = instr.toUpper();
    auto numbersAfter = [&](int from) {
        const QString body = instr.mid(from);
        const qsizetype colon = body.indexOf(QLatin1Char(':'));
        row.val1a = trimmed(colon < 0 ? body : body.left(colon));
        row.val1b = colon < 0 ? QString() : trimmed(body.mid(colon + 1));
        row.val1.clear();
    };
    if (upper.contains(QLatin1String("SYSEX"))) {
        row.kind = KindSysex;
        const qsizetype at = upper.indexOf(QLatin1String("SYSEX "));
        row.val1 = trimmed(at < 0 ? QString(instr).remove(upper.indexOf(QLatin1String("SYSEX")), 5)
                                  : QString(instr).remove(at, 6));
    } else if (upper.contains(QLatin1String("TR"))) {
        row.kind = KindTranspose;
        row.fav = semiToneText(semiToneIndex(trimmed(QString(instr).remove(upper.indexOf(QLatin1String("TR")), 2))));
        row.val1.clear();
    } else if (upper.contains(QLatin1String("CT"))) {
        row.kind = KindCoarseTune;
        row.fav = semiToneText(semiToneIndex(trimmed(QString(instr).remove(upper.indexOf(QLatin1String("CT")), 2))));
        row.val1.clear();
    } else if (upper.contains(QLatin1String("CC"))) {
        row.kind = KindControl;
        numbersAfter(int(upper.indexOf(QLatin1String("CC"))) + 2);
    } else if (upper.contains(QLatin1Char('N'))) {
        row.kind = KindNote;
        numbersAfter(int(upper.indexOf(QLatin1Char('N'))) + 1);
    } else {
        // "m.l:p", "l:p" (bank LSB and program) or a bare "p".
        row.kind = KindProgram;
        const qsizetype colon = instr.indexOf(QLatin1Char(':'));
        const QString program = colon < 0 ? instr : instr.mid(colon + 1);
        const QString bank = colon < 0 ? QString() : instr.left(colon);
        const qsizetype dot = bank.indexOf(QLatin1Char('.'));
        row.val1a = dot < 0 ? QString() : trimmed(bank.left(dot));
        row.val1b = trimmed(dot < 0 ? bank : bank.mid(dot + 1));
        row.val1c = trimmed(program);
        row.val1.clear();
    }
}

bool sameName(const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// Selects the item that names the choice (the last, as names may repeat), or
// adds the choice: a name the lists lack is kept, never dropped.
void selectOrKeep(Combo &c, const QString &choice)
{
    if (choice.isEmpty())
        return;
    for (int i = int(c.choices.size()) - 1; i >= 1; --i) {
        if (sameName(c.choices[i], choice)) {
            c.selected = i;
            return;
        }
    }
    c.texts << choice;
    c.choices << choice;
    c.selected = int(c.choices.size()) - 1;
}

} // namespace

int kindForIndex(int comboIndex, bool lib)
{
    if (lib)
        return comboIndex >= 1 && comboIndex <= 7 ? comboIndex + 21 : KindNone;
    return comboIndex >= 0 && comboIndex < kKindCount ? comboIndex : KindNone;
}

int indexForKind(int kind, bool lib)
{
    if (lib)
        return kind >= KindGroup && kind <= KindSysex ? kind - 21 : 0;
    return kind >= 0 && kind < kKindCount ? kind : 0;
}

QStringList kindItems(bool lib)
{
    QStringList items;
    for (int k = 0; k < kKindCount; ++k)
        if (!lib || k == KindNone || k >= KindGroup)
            items << QString::fromUtf8(kKindTexts[k]);
    return items;
}

Layout layoutFor(int kind)
{
    Layout l;
    auto a = [&](const char *ph) {
        l.val1a = true;
        l.ph1a = QString::fromUtf8(ph);
    };
    switch (kind) {
    case KindPage:
    case KindPageBottom: a("No."); break;
    case KindMessage:
    case KindWinText:
        l.val1 = true;
        l.ph1 = QStringLiteral("Text");
        l.winIds = true;
        break;
    case KindCue:
        l.val1 = true;
        l.ph1 = QStringLiteral("Cue Description");
        break;
    case KindTempo: a("BPM"); break;
    case 11: case 12: case 13: case 14: a("Nb."); break;
    case KindPlay: a("Genre"); break;
    case 18: case 19: case 20: case 21: l.winIds = true; break;
    case KindGroup: l.groups = true; break;
    case KindNote:
        a("Not");
        l.val1b = true;
        l.ph1b = QStringLiteral("Vel");
        l.dests = true;
        break;
    case KindProgram:
        a("MSB");
        l.val1b = l.val1c = true;
        l.ph1b = QStringLiteral("LSB");
        l.ph1c = QStringLiteral("Pgm");
        l.dests = true;
        break;
    case KindControl:
        a("Ctl");
        l.val1b = true;
        l.ph1b = QStringLiteral("Val");
        l.dests = true;
        break;
    case KindCoarseTune:
    case KindTranspose:
        l.semiTones = true;
        l.dests = true;
        break;
    case KindSysex:
        l.val1 = true;
        l.ph1 = QStringLiteral("Hex Values (F0 ?? ?? F7)");
        l.dests = true;
        break;
    default: break;
    }
    return l;
}

Row rowForEvent(const SongEv &ev, bool lib)
{
    Row row;
    if (ev.timeEv)
        row.mmss = QString::asprintf("%02d:%02d", ev.mm, ev.ss);
    const QString &t = ev.actionTxt;
    QString val2;
    int midiKind = KindNone;
    switch (ev.actionType) {
    case ActMessage:
    case ActMessageStay: {
        const qsizetype colon = t.indexOf(QLatin1Char(':'));
        if (colon > 0) {
            val2 = trimmed(t.left(colon));
            row.val1 = trimmed(t.mid(colon + 1));
        } else {
            row.val1 = trimmed(t);
        }
        break;
    }
    case ActMidiGroup:
        row.val1 = trimmed(t.startsWith(QLatin1String("MIDI "), Qt::CaseInsensitive) ? t.mid(5) : t);
        row.fav = row.val1;
        break;
    case ActMidi: {
        const qsizetype at = t.indexOf(QLatin1Char('@'));
        if (at < 0) {
            // "SYSEX F0 43 F7" without a destination sends nothing, but its row
            // shows what it holds: before, the row was empty and an edit of it
            // wrote an empty cue over the line.
            row.val1 = trimmed(t);
            readInstruction(row.val1, row);
            midiKind = row.kind;
            break;
        }
        const QString dest = trimmed(t.mid(at + 1));
        bool number = false;
        const int n = dest.toInt(&number);
        // Only a channel that can be sent shows as "Ch. n"; any other text is a name.
        val2 = number && n >= 0 && n <= 15 && QString::number(n) == dest ? QStringLiteral("Ch. %1").arg(n + 1) : dest;
        row.val1 = trimmed(t.left(at));
        readInstruction(row.val1, row);
        midiKind = row.kind;
        break;
    }
    case ActPage: case ActPageBottom: case ActTempo: case ActCountDown: case ActCountTo:
    case ActDisplayCountDown: case ActDisplayCountTo: case ActPlay:
        row.val1a = trimmed(t);
        break;
    case ActChordStripGuitar: case ActChordStripUkulele: case ActChordStripPiano: case ActChordStripHidden:
        val2 = trimmed(t);
        break;
    default:
        row.val1 = trimmed(t);
        break;
    }
    int kind = KindNone;
    switch (ev.actionType) {
    case ActMessage: kind = KindMessage; break;
    // A cue description is the "CUE:" text; "Lead: rescue me" stays Lead's text.
    case ActMessageStay: kind = sameName(val2, QStringLiteral("CUE")) ? KindCue : KindWinText; break;
    case ActPage: kind = KindPage; break;
    case ActPageBottom: kind = KindPageBottom; break;
    case ActMidi: kind = midiKind; break;
    case ActMidiGroup: kind = KindGroup; break;
    case ActMetronomeSoundOff: kind = 10; break;
    case ActMetronomeSoundOn: kind = 9; break;
    case ActTempo: kind = KindTempo; break;
    case ActMetronomeStop: kind = 8; break;
    case ActMetronomeStart: kind = 7; break;
    default:
        if (ev.actionType >= ActCountDown && ev.actionType <= ActDisplayCountTo)
            kind = ev.actionType - ActCountDown + KindCountDown;
        else if (ev.actionType >= ActPlay && ev.actionType <= ActChordStripHidden)
            kind = ev.actionType - ActPlay + KindPlay;
        break;
    }
    if (lib && kind != KindNone && kind < KindGroup)
        kind = KindNone;
    row.kind = kind;
    if (kind != KindGroup && kind != KindCoarseTune && kind != KindTranspose)
        row.fav.clear();
    row.winId = layoutFor(kind).showsWinCombo() ? val2 : QString();
    return row;
}

void applyRow(const Row &row, SongEv &ev)
{
    ev.mm = 0;
    ev.ss = 0;
    bool timed = false;
    const QString &t = row.mmss;
    if (t.size() >= 3 && t.indexOf(QLatin1Char(':')) == 2 && t[0].isDigit()) {
        timed = true;
        ev.mm = textnum::intValue(t.left(2));
        if (t.size() >= 4)
            ev.ss = textnum::intValue(t.mid(3));
    }
    ev.val = double(ev.secondsFromTime());
    const bool fieldTimed = timed;
    const QString dest = destSuffix(row.winId);
    auto set = [&](qint32 evType, qint32 actionType, const QString &text, bool isTimed) {
        ev.evType = evType;
        ev.actionType = actionType;
        ev.actionTxt = text;
        ev.timeEv = isTimed;
    };
    const int k = row.kind;
    switch (k) {
    case KindPage: set(EvPage, ActPage, capped(row.val1a, 999), true); break;
    case KindPageBottom: set(EvPage, ActPageBottom, capped(row.val1a, 999), true); break;
    case KindMessage:
        set(EvMessage, ActMessage, row.winId.isEmpty() ? row.val1 : row.winId + QLatin1Char(':') + row.val1, true);
        break;
    case KindWinText:
        if (row.winId.isEmpty())
            set(EvWinIdText, ActMessageStay, row.val1, true);
        else
            set(EvWinIdText, ActMessageStay, row.winId + QLatin1Char(':') + row.val1, fieldTimed);
        break;
    case KindCue: set(EvWinIdText, ActMessageStay, QStringLiteral("CUE:") + row.val1, true); break;
    case KindTempo: set(EvTempo, ActTempo, capped(row.val1a, 300), true); break;
    case 7: set(EvMetronome, ActMetronomeStart, QStringLiteral("Metronome START"), true); break;
    case 8: set(EvMetronome, ActMetronomeStop, QStringLiteral("Metronome STOP"), true); break;
    case 9: set(EvMetronome, ActMetronomeSoundOn, QStringLiteral("Metronome Sound ON"), true); break;
    case 10: set(EvMetronome, ActMetronomeSoundOff, QStringLiteral("Metronome Sound OFF"), true); break;
    case 11: case 12: case 13: case 14:
        set(EvCountDown + (k - 11), ActCountDown + (k - 11), capped(row.val1a, 99), true);
        break;
    case KindPlay: {
        const qint32 g = textnum::intValue(row.val1a);
        set(EvPlay, ActPlay, QString::number(g >= 1 && g <= 5 ? g : 6), true);
        break;
    }
    case 16: set(EvStop, ActStop, QStringLiteral("Stop"), true); break;
    case 17: set(EvStopNoReset, ActStopNoReset, QStringLiteral("StopNoReset"), true); break;
    case 18: case 19: case 20: case 21:
        set(EvChordStripGuitar + (k - 18), ActChordStripGuitar + (k - 18), row.winId, true);
        break;
    case KindGroup:
        if (row.fav.isEmpty())
            set(EvPage, ActNone, QString(), fieldTimed);
        else
            set(EvMidiGroup, ActMidiGroup, QStringLiteral("MIDI ") + row.fav, fieldTimed);
        break;
    case KindNote:
        set(EvMidi, ActMidi, QStringLiteral("N%1:%2%3").arg(capped(row.val1a, 127), capped(row.val1b, 127), dest),
            fieldTimed);
        break;
    case KindProgram:
        set(EvMidi, ActMidi,
            midiinstr::programText(cappedOrEmpty(row.val1a, 127), cappedOrEmpty(row.val1b, 127),
                                   cappedOrEmpty(row.val1c, 127))
                + dest,
            fieldTimed);
        break;
    case KindControl:
        set(EvMidi, ActMidi, QStringLiteral("CC%1:%2%3").arg(capped(row.val1a, 127), capped(row.val1b, 127), dest),
            fieldTimed);
        break;
    case KindCoarseTune: set(EvMidi, ActMidi, QStringLiteral("CT%1%2").arg(semiToneText(semiToneIndex(row.fav)), dest), fieldTimed); break;
    case KindTranspose: set(EvMidi, ActMidi, QStringLiteral("TR%1%2").arg(semiToneText(semiToneIndex(row.fav)), dest), fieldTimed); break;
    case KindSysex: set(EvMidi, ActMidi, QStringLiteral("SYSEX %1%2").arg(row.val1, dest), fieldTimed); break;
    default: set(EvPage, ActNone, QString(), true); break;
    }
}

void applyEdit(const Row &row, const Row &shown, const SongEv &original, SongEv &ev)
{
    applyRow(row, ev);
    const bool valuesAsShown = row.kind == shown.kind && row.val1 == shown.val1 && row.val1a == shown.val1a
                               && row.val1b == shown.val1b && row.val1c == shown.val1c && row.winId == shown.winId
                               && row.fav == shown.fav;
    if (!valuesAsShown)
        return;
    // Only the time changed: the row's own form of the text would drop what
    // the fields do not show (a missing destination became "@0").
    ev.evType = original.evType;
    ev.actionType = original.actionType;
    ev.actionTxt = original.actionTxt;
}

Combo winIdCombo(const QString &choice, bool dest, const Lists &lists)
{
    Combo c;
    c.texts << QString();
    if (dest) {
        c.texts << lists.destIds;
        for (int ch = 1; ch <= 16; ++ch)
            c.texts << QStringLiteral("Ch. %1").arg(ch);
    } else {
        c.texts << lists.winIds;
    }
    c.choices = c.texts;
    selectOrKeep(c, choice);
    return c;
}

Combo favCombo(const QString &choice, bool semiTone, const Lists &lists)
{
    Combo c;
    if (semiTone) {
        for (const char *s : kSemiTones)
            c.texts << QString::fromLatin1(s);
        c.choices = c.texts;
        c.selected = semiToneIndex(choice);
        return c;
    }
    c.texts << QString();
    c.choices << QString();
    for (qsizetype i = 0; i < lists.groupIds.size(); ++i) {
        const QString descr = i < lists.groupDescrs.size() ? trimmed(lists.groupDescrs[i]) : QString();
        c.texts << (descr.isEmpty() ? lists.groupIds[i] : lists.groupIds[i] + QLatin1Char(':') + descr);
        c.choices << lists.groupIds[i];
    }
    selectOrKeep(c, choice);
    return c;
}

QString semiToneText(int index)
{
    return index >= 0 && index <= 12 ? QString::fromLatin1(kSemiTones[index]) : QStringLiteral("0");
}

int semiToneIndex(const QString &text)
{
    if (text.size() == 2 && text[1] >= QLatin1Char('1') && text[1] <= QLatin1Char('6')) {
        const int n = text[1].digitValue();
        if (text[0] == QLatin1Char('+'))
            return 6 - n;
        if (text[0] == QLatin1Char('-'))
            return 6 + n;
    }
    return 6;
}

QString destSuffix(const QString &choice)
{
    if (choice.isEmpty())
        return QStringLiteral("@0");
    if (choice.startsWith(QLatin1String("Ch. "))) {
        bool ok = false;
        const int ch = choice.mid(4).toInt(&ok);
        if (ok && ch >= 1 && ch <= 16)
            return QStringLiteral("@%1").arg(ch - 1);
    }
    return QLatin1Char('@') + choice;
}

QString normaliseTime(const QString &text)
{
    if (text.isEmpty())
        return text;
    qint64 m = 0, s = 0;
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    if (colon >= 0) {
        s = textnum::intValue(text.mid(colon + 1));
        m = colon == 0 ? 0 : textnum::intValue(text.left(colon));
    } else if (text.size() > 2) {
        s = textnum::intValue(text.right(2));
        m = textnum::intValue(text.left(text.size() - 2));
    } else {
        s = textnum::intValue(text);
    }
    if (s >= 60) {
        s -= 60;
        m += 1;
    }
    m = std::clamp<qint64>(m, 0, 99);
    if (s >= 60 || s < 0)
        s = 0;
    return QString::asprintf("%02d:%02d", int(m), int(s));
}

bool keepsTexts(int fromKind, int toKind, bool lib)
{
    if (lib)
        return false;
    auto family = [](int k) {
        if (k == 1 || k == 2)
            return 1;
        if (k >= 3 && k <= 5)
            return 2;
        if (k >= 11 && k <= 14)
            return 3;
        if (k >= 18 && k <= 21)
            return 4;
        return 0;
    };
    return family(fromKind) != 0 && family(fromKind) == family(toKind);
}

Row withKind(Row row, int kind, bool lib)
{
    if (!keepsTexts(row.kind, kind, lib)) {
        row.val1.clear();
        row.val1a.clear();
    }
    if (!lib && kind == KindPlay && row.kind != KindPlay)
        row.val1a = QStringLiteral("6");
    row.val1b.clear();
    row.val1c.clear();
    row.kind = kind;
    return row;
}

Row asOffered(Row row, const Lists &lists)
{
    const Layout l = layoutFor(row.kind);
    if (l.showsWinCombo()) {
        const Combo c = winIdCombo(row.winId, l.dests, lists);
        row.winId = c.choices.value(c.selected);
    }
    if (l.showsFavCombo()) {
        const Combo c = favCombo(row.fav, l.semiTones, lists);
        row.fav = c.choices.value(c.selected);
    }
    return row;
}

Look lookFor(const SongEv &ev)
{
    Look l;
    const bool nonZero = ev.mm != 0 || ev.ss != 0;
    const double strong = ev.colorCode == 1 ? 0.4 : 0.3;
    if (ev.levelNo == 2) {
        l.time = TimeColour::Red;
        l.alpha = nonZero ? strong : 0.01;
    } else if (ev.levelNo == 1) {
        l.time = TimeColour::Grey;
    } else {
        l.alpha = ev.timeEv || nonZero ? strong : 0.01;
    }
    return l;
}

} // namespace cuerow
