#include "midi/MidiCompletion.h"

#include "library/Data.h"
#include "midi/Midi.h"

namespace midicompletion {

QString partialWord(const QString &text, qsizetype position, qsizetype *start)
{
    position = qBound<qsizetype>(0, position, text.size());
    qsizetype s = position;
    while (s > 0 && text[s - 1] != QLatin1Char(' ') && text[s - 1] != QLatin1Char('\n')
           && text[s - 1] != QLatin1Char('\t'))
        --s;
    if (start)
        *start = s;
    return text.mid(s, position - s);
}

QStringList complete(const QString &word, QChar next, bool midiOnly, const Names &names)
{
    const QString p = word.toUpper();
    QStringList out;
    auto offer = [&](const QString &tested, const QString &added) {
        if (tested.startsWith(p))
            out << added;
    };
    if (!midiOnly) {
        for (const QString &id : names.winIds)
            offer(id.toUpper() + QStringLiteral(": "), id + QStringLiteral(": "));
        for (const QString &tag : names.tags)
            offer(tag.toUpper(), tag);
        offer(QStringLiteral("TEMPO=%1").arg(names.tempo), QStringLiteral("Tempo=%1").arg(names.tempo));
        offer(QStringLiteral("TITLE="), QStringLiteral("Title="));
        offer(QStringLiteral("ARTIST="), QStringLiteral("Artist="));
        offer(QStringLiteral("TAGS="), QStringLiteral("Tags="));
        offer(QStringLiteral("KEY=G"), QStringLiteral("Key=G"));
        offer(QStringLiteral("CAPO +2"), QStringLiteral("Capo +2"));
    }
    for (qsizetype i = 1; i < names.groupIds.size(); ++i)
        offer(QStringLiteral("MIDI ") + names.groupIds[i].toUpper(), QStringLiteral("MIDI %1\n").arg(names.groupIds[i]));
    bool shifts = false;
    if (next == QLatin1Char('@')) {
        if (word.size() == 3 && (p == QLatin1String("CT-") || p == QLatin1String("TR-"))) {
            for (int n = 0; n <= 6; ++n)
                out << p + QString::number(n);
            shifts = true;
        } else if (word.size() == 2 && (p == QLatin1String("CT") || p == QLatin1String("TR"))) {
            for (int n = 0; n <= 6; ++n)
                out << p + QStringLiteral("+%1").arg(n);
            for (int n = 0; n <= 6; ++n)
                out << p + QStringLiteral("-%1").arg(n);
            shifts = true;
        }
    } else {
        if (!shifts) {
            for (const QString &d : names.destIds) {
                offer(QStringLiteral("CT+0@") + d.toUpper(), QStringLiteral("CT+0@%1\n").arg(d));
                offer(QStringLiteral("TR+0@") + d.toUpper(), QStringLiteral("TR+0@%1\n").arg(d));
            }
        }
        for (const QString &d : names.destIds)
            offer(QStringLiteral("CC0.0@") + d.toUpper(), QStringLiteral("CC0.0@%1\n").arg(d));
        for (const QString &d : names.destIds)
            offer(QStringLiteral("SYSEX F0 00 00 00 F7@") + d.toUpper(), QStringLiteral("SYSEX F0 00 00 00 F7@%1\n").arg(d));
    }
    // "CC7.64@" as typed (no case change needed): every destination after it.
    if (word.size() > 1 && word.endsWith(QLatin1Char('@')) && word == p) {
        const QString stem = word.left(word.size() - 1);
        for (const QString &d : names.destIds)
            out << stem + QLatin1Char('@') + d;
    }
    if (out.isEmpty())
        return out;
    out.prepend(word);
    return out;
}

} // namespace midicompletion

// ---- The engine's entry, over the live names --------------------------------

QStringList Midi::completeNote(const QString &text, qsizetype start, qsizetype length, bool midiCompletionOnly)
{
    std::lock_guard lock(textMutex());
    if (length <= 0 || start < 0 || start + length > text.size()) {
        lastTx().clear();
        return {};
    }
    const QString word = text.mid(start, length);
    const QString p = word.toUpper();
    if (!lastTx().isEmpty() && lastTx() == p) {
        lastTx().clear();
        return {};
    }
    lastTx() = p;
    midicompletion::Names names;
    for (const WinIDPtr &w : Data::winIDs())
        if (w)
            names.winIds << w->idWin;
    names.tags = Data::tags();
    names.tempo = Data::gtempo();
    for (const MidiFavEventPtr &g : MIDIfav())
        names.groupIds << (g ? g->favEventID : QString());
    for (const MidiDestPtr &d : MIDIdestinations())
        if (d)
            names.destIds << d->idDest;
    const QChar next = start + length < text.size() ? text[start + length] : QChar();
    return midicompletion::complete(word, next, midiCompletionOnly, names);
}
