#include "windows/TitleRowRules.h"

#include "library/PiecesDet.h"
#include "platform/Paths.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace titlerules {

TitleText titleText(const QString &title, const QString &artist, qint64 sort, const QString &playedMark,
                    const QString &flagMark, const QString &genreMark)
{
    TitleText t;
    t.artistFirst = sort != 0;
    const QString &first = t.artistFirst ? artist : title;
    const QString &second = t.artistFirst ? title : artist;
    t.text = QStringLiteral("%1 • %2%3%4%5").arg(first, second, playedMark, flagMark, genreMark);
    t.firstFieldLength = int(first.size());
    t.bulletPos = int(first.size()) + 1;
    return t;
}

QString genreMark(qint64 slaveState)
{
    switch (slaveState) {
    case 3: return QStringLiteral(" 🔉");
    case 2: return QStringLiteral("⁉️");
    default: return QString();
    }
}

TempoText tempoText(qint64 songTempo, qint64 globalTempo, qint64 nbTapTempo)
{
    if (songTempo < 1) {
        // A tapped tempo shows even for a song without one.
        if (nbTapTempo > 0 && globalTempo > 0)
            return {QString::number(globalTempo), TextRole::High};
        return {QStringLiteral("100"), TextRole::Inact};
    }
    return {QString::number(globalTempo), globalTempo == songTempo ? TextRole::Act : TextRole::High};
}

QString trackTimeText(double seconds)
{
    const int s = seconds > 0 ? int(std::floor(seconds)) : 0;
    const QString mmss = QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
    return s < 600 ? QStringLiteral("  ") + mmss : mmss;
}

Light metroLight(qint64 type, qint64 tick, qint64 signature)
{
    switch (type) {
    case 0:
        return Light::Metro1;
    case 1:
        return tick % 2 != 0 ? Light::Metro1 : Light::Metro2;
    case 2: {
        const qint64 beats = signature == 0 ? 4 : signature;
        const auto mod = [tick](qint64 b) { return ((tick % b) + b) % b; };
        if (beats == 4) {
            static const Light byRemainder[4] = {Light::Beat4, Light::Beat1, Light::Beat2, Light::Beat3};
            return byRemainder[mod(4)];
        }
        if (beats == 3) {
            static const Light byRemainder[3] = {Light::Beat3, Light::Beat1, Light::Beat2};
            return byRemainder[mod(3)];
        }
        if (beats == 2)
            return tick % 2 != 0 ? Light::Beat1 : Light::Beat2;
        return Light::None;
    }
    default:
        return Light::None;
    }
}

CountIn countIn(qint64 gcount, qint64 gcountTo, bool skip, qint64 signature)
{
    CountIn c;
    if (gcount == 0) {
        c.shown = true;
        c.text = QStringLiteral("Go!");
        return c;
    }
    const qint64 k = beatsPerBar(signature);
    if (gcountTo < 1) {
        if (!(skip && gcount > k)) {
            c.shown = true;
            c.text = QString::number(gcount);
        }
    } else if (!(skip && gcountTo == gcount)) {
        c.shown = true;
        c.text = QString::number(gcountTo - gcount);
    }
    return c;
}

RowLayout layoutTitleRow(const RowInput &in)
{
    RowLayout out{in.tempoX, in.metroX, in.noteX, in.noteWidth};
    const int W = in.windowWidth, R = in.repX, L = in.titleX, Tw = in.tempoWidth, Mw = in.beatWidth;
    const auto noteAfterTempo = [&] {
        out.noteX = out.tempoX + Tw + 6;
        out.noteWidth = R - out.noteX - 6;
    };
    const bool t = in.titleShown, te = in.tempoShown, n = in.noteShown;
    if (t && te && n) {
        out.tempoX = W / 2 - Tw / 2;
        out.metroX = out.tempoX - 31;
        noteAfterTempo();
    } else if (t && te) {
        out.tempoX = R - Tw - 6;
        out.metroX = out.tempoX - 31;
    } else if (t && n) {
        out.noteX = W / 2 - Tw / 2;
        out.noteWidth = R - out.noteX - 6;
        out.tempoX = out.noteX;
        out.metroX = out.noteX - 31;
    } else if (t) {
        out.tempoX = R;
        out.metroX = R - 31;
    } else if (te && n) {
        if (in.metroType2) {
            out.tempoX = 4 * Mw + L + 4;
            out.metroX = 3 * Mw + L + 4;
            noteAfterTempo();
        } else {
            out.tempoX = L;
            out.noteX = L + Tw + 6;
            out.noteWidth = R - out.noteX - 6;
        }
    } else if (te) {
        out.tempoX = R - Tw - 6;
        out.metroX = out.tempoX - 31;
    } else if (n) {
        if (in.metroType2) {
            out.noteX = 4 * Mw + L + 4;
            out.noteWidth = R - out.noteX - 6;
            out.tempoX = out.noteX;
            out.metroX = 3 * Mw + L + 4;
        } else {
            out.noteX = L;
            out.noteWidth = R - L - 6;
        }
    } else {
        out.tempoX = W / 2 - Tw / 2;
        out.metroX = out.tempoX - 31;
        noteAfterTempo();
    }
    return out;
}

QString noticeShown(const QString &notice)
{
    static const QRegularExpression quotedPath(QStringLiteral("\"(/[^\"]*)\""));
    QString shown;
    qsizetype from = 0;
    for (auto it = quotedPath.globalMatch(notice); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const QString path = m.captured(1);
        const QString name = platform::cleanPath(path).section(QLatin1Char('/'), -1);
        shown += notice.mid(from, m.capturedStart(1) - from) + (name.isEmpty() ? path : name);
        from = m.capturedEnd(1);
    }
    return shown + notice.mid(from);
}

bool lateWordsHold(LateClaim claim, const PagesOnScreen &now)
{
    if (now.refused)
        return false;
    switch (claim) {
    case LateClaim::Loading: return !now.loaded;
    case LateClaim::Drawing: return !now.shown;
    case LateClaim::NotDrawn: return !now.drawn;
    }
    return false;
}

namespace {

// Where in a part its last clause ends (the space after a word closing with
// punctuation); -1 when none does.
qsizetype lastClauseEnd(const QString &part)
{
    for (qsizetype space = part.lastIndexOf(QLatin1Char(' ')); space > 0;
         space = part.lastIndexOf(QLatin1Char(' '), space - 1)) {
        QStringView before = QStringView(part).left(space);
        while (!before.isEmpty() && QStringView(u"\"')»”").contains(before.back()))
            before.chop(1);
        if (!before.isEmpty() && QStringView(u".!?:;,").contains(before.back()))
            return space;
    }
    return -1;
}

} // namespace

QStringList noticeParts(const QString &notice, int width, const std::function<int(const QString &)> &advance)
{
    if (advance(notice) <= width)
        return {notice};
    const QString mark = QStringLiteral("…");
    const auto fits = [&](const QString &s) { return advance(s + mark) <= width; };
    QStringList parts;
    QString part;
    for (const QString &word : notice.simplified().split(QLatin1Char(' '))) {
        QString candidate = part.isEmpty() ? (parts.isEmpty() ? word : mark + word) : part + QLatin1Char(' ') + word;
        if (fits(candidate)) {
            part = candidate;
            continue;
        }
        if (!part.isEmpty()) {
            // Ended after its last clause where that fills half the line, a
            // part reads on its own rather than leaving a word or two to the next.
            candidate = mark + word;
            const qsizetype clause = lastClauseEnd(part);
            if (clause > 0 && 2 * advance(part.left(clause) + mark) >= width
                && fits(mark + part.mid(clause + 1) + QLatin1Char(' ') + word)) {
                candidate = mark + part.mid(clause + 1) + QLatin1Char(' ') + word;
                part.truncate(clause);
            }
            parts << part + mark;
            part.clear();
            if (fits(candidate)) {
                part = candidate;
                continue;
            }
        }
        // Too wide alone: cut where the line ends, at least one character a
        // part so that even a line narrower than that moves on.
        QString rest = word;
        const auto opening = [&] { return parts.isEmpty() ? QString() : mark; };
        while (rest.size() > 1 && !fits(opening() + rest)) {
            qsizetype n = rest.size() - 1;
            while (n > 1 && !fits(opening() + rest.left(n)))
                --n;
            if (n > 1 && rest.at(n - 1).isHighSurrogate())
                --n;
            parts << opening() + rest.left(n) + mark;
            rest = rest.mid(n);
        }
        part = opening() + rest;
    }
    if (!part.isEmpty())
        parts << part;
    return parts;
}

Span noticeBesideTitle(int left, int right, int titleAdvance)
{
    constexpr int kGap = 12;
    const int row = std::max(0, right - left);
    const int title = titleAdvance > 0 ? std::min(titleAdvance + kGap, row / 3) : 0;
    return {left + title, row - title};
}

QString filterButtonTitle(const QStringList &tags, qint64 filterNo, qint64 filteredCount, bool secondMarked)
{
    if (filterNo < 0 || filterNo >= tags.size())
        return QString();
    const QString dot = QStringLiteral("・");
    QString title = dot.repeated(filterNo) + QStringLiteral("🔻") + dot.repeated(tags.size() - filterNo - 1);
    const QString &tag = tags.at(filterNo);
    const bool played = tag == QLatin1String("Played");
    const bool flags = tag == QLatin1String("Flags");
    qint64 matching = 0;
    if (played || flags) {
        matching = filteredCount < 2 ? 0 : filteredCount - (secondMarked ? 1 : 2);
        title += QStringLiteral("%1 ").arg(matching);
    }
    title += flags && matching <= 1 ? QStringLiteral("Flag") : tag;
    return title;
}

qint64 popupMaximum(qint64 kind, qint64 songCount)
{
    if (kind == 0 || kind == 1)
        return songCount;
    if (kind == 2)
        return 2 * songCount;
    return 0;
}

} // namespace titlerules
