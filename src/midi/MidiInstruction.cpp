#include "midi/MidiInstruction.h"

#include "midi/MidiBytes.h"

namespace midiinstr {

namespace {

bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

bool isHexDigit(QChar u) { return isDigit(u) || (u >= QLatin1Char('A') && u <= QLatin1Char('F')); }

bool startsAt(const QString &text, qsizetype i, QLatin1String word)
{
    return i + word.size() < text.size() && text.mid(i, word.size()).toUpper() == word;
}

Message message(int kind, int val, int val2, const QString &dest)
{
    Message m;
    m.kind = kind;
    m.val = val;
    m.val2 = val2;
    m.dest = dest;
    return m;
}

// "SYSEX" at i: hex pairs up to "@". Answers where the scan goes on.
qsizetype scanSysex(const QString &text, qsizetype i, QList<Item> &items)
{
    QByteArray bytes;
    QString pair;
    bool overflow = false;
    for (qsizetype j = i + 5; j < text.size(); ++j) {
        const QChar c = text[j];
        if (c == QLatin1Char('@')) {
            const QString dest = chaineJusquaBlanc(text.mid(j + 1));
            // Before, a SysEx cut at 256 bytes, lacking F0 or F7 or holding a
            // status byte inside went out as it was and could hang a device.
            if (!overflow && midibytes::isSendableSysex(bytes)) {
                Message m = message(SysEx, 0, 0, dest);
                m.packet = bytes;
                items.append(Item{false, QString(), {m}});
            }
            return j + 1;
        }
        const QChar u = c.toUpper();
        if (!isHexDigit(u))
            continue;
        pair.append(u);
        if (pair.size() == 2) {
            if (bytes.size() < midibytes::kMaxPacket)
                bytes.append(char(pair.toInt(nullptr, 16)));
            else
                overflow = true;
            pair.clear();
        }
    }
    return text.size();
}

// "@" at i: the numbers and the prefix before it, walked backwards.
void scanInstruction(const QString &text, qsizetype i, QList<Item> &items)
{
    QString fields[3];
    int f = 0;
    QString prefix;
    for (qsizetype k = i - 1; k >= 0; --k) {
        const QChar c = text[k];
        if (isDigit(c)) {
            if (fields[f].size() == 3)
                break;
            fields[f].prepend(c);
        } else if (c == QLatin1Char('N')) {
            prefix = QStringLiteral("N");
            break;
        } else if (c == QLatin1Char('C') && k >= 1 && text[k - 1] == QLatin1Char('C')) {
            prefix = QStringLiteral("CC");
            break;
        } else if ((c == QLatin1Char('+') || c == QLatin1Char('-')) && k >= 2
                   && (text.mid(k - 2, 2) == QLatin1String("CT") || text.mid(k - 2, 2) == QLatin1String("TR"))) {
            prefix = text.mid(k - 2, 3);
            break;
        } else if (isBlank(c)) {
            break;
        } else if (++f == 3) {
            break;
        }
    }
    if (fields[0].isEmpty())
        return;
    const QString dest = chaineJusquaBlanc(text.mid(i + 1));
    auto num = [&fields](int n) { return fields[n].isEmpty() ? 0 : fields[n].toInt(); };
    // Before, a number above 127 (or 64-n below 0) went out as a status byte
    // and the receiver read a different message.
    auto fits = [](std::initializer_list<int> values) {
        for (int v : values)
            if (!midibytes::isDataByte(v))
                return false;
        return true;
    };

    Item item;
    if (prefix == QLatin1String("CC")) {
        if (!fits({num(1), num(0)}))
            return;
        item.messages.append(message(ControlChange, num(1), num(0), dest));
    } else if (prefix == QLatin1String("N")) {
        if (!fits({num(1), num(0)}))
            return;
        item.messages.append(message(Note, num(1), num(0), dest));
    } else if (prefix.startsWith(QLatin1String("CT"))) {
        const int value = prefix.endsWith(QLatin1Char('+')) ? 64 + num(0) : 64 - num(0);
        if (!fits({value}))
            return;
        item.messages.append(message(CoarseTune, value, 0, dest));
    } else if (prefix.startsWith(QLatin1String("TR"))) {
        const int value = prefix.endsWith(QLatin1Char('+')) ? 64 + num(0) : 64 - num(0);
        if (!fits({value}))
            return;
        // Channel coarse tuning through its registered parameter, then the parameter closed.
        for (auto [controller, v] : {std::pair{101, 0}, {100, 2}, {6, value}, {38, 0}, {101, 127}, {100, 127}})
            item.messages.append(message(ControlChange, controller, v, dest));
    } else {
        if (!fits({num(0), num(1), num(2)}))
            return;
        if (!fields[2].isEmpty())
            item.messages.append(message(ControlChange, 0, num(2), dest));
        if (!fields[1].isEmpty())
            item.messages.append(message(ControlChange, 32, num(1), dest));
        item.messages.append(message(ProgramChange, num(0), 0, dest));
    }
    items.append(item);
}

} // namespace

QString programText(const QString &msb, const QString &lsb, const QString &program)
{
    if (!msb.isEmpty())
        return QStringLiteral("%1.%2:%3").arg(msb, lsb, program);
    if (!lsb.isEmpty())
        return QStringLiteral("%1:%2").arg(lsb, program);
    return program;
}

QString programText(qint64 msb, qint64 lsb, qint64 program)
{
    auto field = [](qint64 v) { return v < 0 ? QString() : QString::number(v); };
    return programText(field(msb), field(lsb), QString::number(program));
}

bool isBlank(QChar c)
{
    // Tabs and carriage returns too: notes come from many editors.
    return c == QLatin1Char(' ') || c == QLatin1Char('\n') || c == QLatin1Char('\t') || c == QLatin1Char('\r');
}

QString chaineJusquaBlanc(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i)
        if (isBlank(text[i]))
            return text.left(i);
    return text;
}

QList<Item> scanText(const QString &text)
{
    QList<Item> items;
    const qsizetype len = text.size();
    for (qsizetype i = 0; i < len; ++i) {
        if (startsAt(text, i, QLatin1String("SYSEX")))
            i = scanSysex(text, i, items);
        if (startsAt(text, i, QLatin1String("MIDI "))) {
            qsizetype end = i + 5;
            while (end < len && !isBlank(text[end]))
                ++end;
            const QString name = text.mid(i + 5, end - i - 5).toUpper();
            if (!name.isEmpty())
                items.append(Item{true, name, {}});
            i = end;
        }
        if (i < len && text[i] == QLatin1Char('@'))
            scanInstruction(text, i, items);
    }
    return items;
}

QList<Outgoing> resolve(const Message &m, const QList<MidiDestPtr> &destinations)
{
    QList<int> channels;
    qint32 destUID = 0;
    bool isNumber = false;
    const int number = m.dest.toInt(&isNumber);
    if (isNumber && QString::number(number) == m.dest) {
        // Before, "@-1" made a status byte of the channel.
        if (number < 0 || number > 15)
            return {};
        channels.append(number);
    } else {
        MidiDestPtr row;
        for (const MidiDestPtr &d : destinations)
            if (d && d->idDest.compare(m.dest, Qt::CaseInsensitive) == 0) {
                row = d;
                break;
            }
        if (!row || row->sendType == 1)
            return {};
        destUID = row->sendType == 0 ? 0 : static_cast<qint32>(row->destUID);
        if (row->channel == 0) {
            for (int ch = 0; ch < 16; ++ch)
                channels.append(ch);
        } else if (row->channel >= 1 && row->channel <= 16) {
            channels.append(int(row->channel - 1));
        } else {
            return {};
        }
    }

    QList<Outgoing> out;
    auto add = [&out, destUID](const QByteArray &bytes) {
        if (!bytes.isEmpty())
            out.append(Outgoing{bytes, destUID});
    };
    switch (m.kind) {
    case ProgramChange:
        if (!midibytes::isDataByte(m.val))
            return {};
        for (int ch : channels)
            add(midibytes::channelMessage(quint8(midibytes::ProgramChange + ch), quint8(m.val), 0, 2));
        break;
    case ControlChange:
        if (!midibytes::isDataByte(m.val) || !midibytes::isDataByte(m.val2))
            return {};
        for (int ch : channels)
            add(midibytes::channelMessage(quint8(midibytes::ControlChange + ch), quint8(m.val), quint8(m.val2), 3));
        break;
    case CoarseTune:
        if (!midibytes::isDataByte(m.val))
            return {};
        add(midibytes::coarseTuneSysex(quint8(m.val)));
        break;
    case SysEx:
        if (midibytes::isSendableSysex(m.packet))
            add(m.packet);
        break;
    case Note:
        if (!midibytes::isDataByte(m.val) || !midibytes::isDataByte(m.val2))
            return {};
        for (int ch : channels) {
            add(midibytes::channelMessage(quint8(midibytes::NoteOn + ch), quint8(m.val), quint8(m.val2), 3));
            add(midibytes::channelMessage(quint8(midibytes::NoteOff + ch), quint8(m.val), quint8(m.val2), 3));
        }
        break;
    default: break;
    }
    return out;
}

QString channelIdFor(int channel, bool hasSource, qint64 sourceUID, const QList<MidiDestPtr> &destinations)
{
    if (!hasSource)
        return QString::number(channel);
    MidiDestPtr candidate;
    for (const MidiDestPtr &row : destinations) {
        if (!row || row->sourceUID != sourceUID)
            continue;
        if (row->channel == channel + 1)
            return row->idDest;
        if (row->channel == 0 && (!candidate || (candidate->sendType == 1 && row->sendType != 1)))
            candidate = row;
    }
    return candidate ? candidate->idDest : QString::number(channel);
}

} // namespace midiinstr
