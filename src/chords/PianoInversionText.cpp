#include "chords/PianoInversionText.h"

#include <QStringList>

namespace pianotext {

namespace {

struct Directive {
    qsizetype start = -1; // the "{"
    qsizetype end = -1;   // one past the "}"
};

// The first directive "{x_piano: NAME inversion N}" of the chord.
Directive findDirective(const QString &text, const QString &chordName)
{
    const QString head = QStringLiteral("{x_piano:");
    for (qsizetype at = text.indexOf(head); at >= 0; at = text.indexOf(head, at + 1)) {
        const qsizetype close = text.indexOf(QLatin1Char('}'), at);
        if (close < 0)
            break;
        const QString body = text.mid(at + head.size(), close - at - head.size());
        const QStringList words = body.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (words.size() >= 2 && words.at(0) == chordName && words.contains(QStringLiteral("inversion")))
            return {at, close + 1};
    }
    return {};
}

} // namespace

qsizetype posInsert(const QString &text)
{
    for (const char *directive : {"{key:", "{k:", "{subtitle:", "{st:", "{title:", "{t:"}) {
        // Searched in the text itself: an upper-cased copy can be longer ("ß").
        const qsizetype at = text.indexOf(QLatin1String(directive), 0, Qt::CaseInsensitive);
        if (at < 0)
            continue;
        const qsizetype close = text.indexOf(QLatin1Char('}'), at);
        return close < 0 ? 0 : close + 1;
    }
    return 0;
}

bool setInversion(QString &text, const QString &chordName, int inversion)
{
    const QString directive = QStringLiteral("{x_piano: %1 inversion %2}").arg(chordName, QString::number(inversion));
    const Directive found = findDirective(text, chordName);
    if (found.start >= 0) {
        if (inversion > 0) {
            if (text.mid(found.start, found.end - found.start) == directive)
                return false;
            text.replace(found.start, found.end - found.start, directive);
            return true;
        }
        // The directive goes with its line break.
        qsizetype from = found.start;
        qsizetype to = found.end;
        if (from > 0 && text.at(from - 1) == QLatin1Char('\n'))
            --from;
        else if (to < text.size() && text.at(to) == QLatin1Char('\n'))
            ++to;
        text.remove(from, to - from);
        return true;
    }
    if (inversion <= 0)
        return false;
    const qsizetype pos = posInsert(text);
    if (pos == 0)
        text.prepend(directive + QLatin1Char('\n'));
    else
        text.insert(pos, QLatin1Char('\n') + directive);
    return true;
}

} // namespace pianotext
