#include "windows/AuxWindowText.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace auxwin {

namespace {

// Whole seconds of a time; nonsense (negative, not a number, huge) reads 0 or is capped.
qint64 wholeSeconds(double seconds)
{
    if (!std::isfinite(seconds) || seconds <= 0)
        return 0;
    return static_cast<qint64>(std::floor(std::min(seconds, 1.0e9)));
}

constexpr int kMaxFlagTitles = 10;

} // namespace

// ---- Window titles -----------------------------------------------------------------

QString titleWindowTitle(qint64 winType, const QString &noteTag)
{
    switch (winType) {
    case 2: return QStringLiteral("Object - Title");
    case 4: return QStringLiteral("Object - Artist Name");
    case 5: return QStringLiteral("Object - Tempo");
    case 8:
        return noteTag.isEmpty() ? QStringLiteral("Object - Note") : QStringLiteral("Object - Note - %1").arg(noteTag);
    case 9: return QStringLiteral("Object - Metronome");
    case 10: return QStringLiteral("Object - Next Song Title");
    case 11: return QStringLiteral("Object - Artist Name + Title");
    case 12: return QStringLiteral("Object - Empty Panel");
    case 13: return QStringLiteral("Object - Next Cue");
    case 15: return QStringLiteral("Object - Key");
    case 16: return QStringLiteral("Object - Flags");
    default: return QString();
    }
}

QString trackTimeWindowTitle(qint64 winType)
{
    return winType == 6 ? QStringLiteral("Object - Remaining Track Time") : QStringLiteral("Object - Track Time");
}

QString miniWindowTitle(const QString &repText)
{
    return QStringLiteral("Summary Window - %1").arg(repText);
}

QString jaugeWindowTitle()
{
    return QStringLiteral("Object - Progress");
}

// ---- Song texts -----------------------------------------------------------------------

QString flagsText(const QStringList &titles)
{
    QString text;
    const int shown = std::min<int>(static_cast<int>(titles.size()), kMaxFlagTitles);
    for (int i = 0; i < shown; ++i)
        text += (i == 0 ? QStringLiteral("🔶") : QStringLiteral(" 🔹")) + titles.at(i);
    if (titles.size() > kMaxFlagTitles)
        text += QStringLiteral(" 🔹...");
    return text;
}

QString nextSongText(const std::optional<QString> &nextTitle)
{
    return nextTitle ? QStringLiteral("▷%1").arg(*nextTitle) : QString();
}

QList<TextRun> artistTitleRuns(const QString &title, const QString &artist, qint64 currentSort)
{
    const bool byArtist = currentSort != 0;
    return {
        {byArtist ? artist : title, byArtist ? RunColor::High : RunColor::Label},
        {QStringLiteral(" "), RunColor::Label},
        {QStringLiteral("•"), RunColor::Bullet},
        {QStringLiteral(" "), RunColor::Label},
        {byArtist ? title : artist, RunColor::Label},
    };
}

QString noteShown(const QString &note, const QString &altDir, bool hideList)
{
    if (!hideList || note.trimmed().isEmpty() || altDir.isEmpty())
        return note;
    // The note line was found ignoring case, so its markers are taken out the same way.
    QString text = note;
    text.remove(altDir + QLatin1Char(':'), Qt::CaseInsensitive);
    return text.trimmed();
}

QString noNextCueText()
{
    return QStringLiteral("(no next cue)");
}

QString invisibleNoteText()
{
    return QStringLiteral("(invisible if inspector is closed)");
}

// ---- Tempo -----------------------------------------------------------------------------------

TempoShown titleTempo(qint32 songTempo, qint64 currentTempo, qint32 tapCount)
{
    if (songTempo < 1) {
        if (tapCount > 0 && currentTempo > 0)
            return {QString::number(currentTempo), TempoColor::High};
        return {QStringLiteral("100"), TempoColor::Inactive};
    }
    return {QString::number(currentTempo), currentTempo == songTempo ? TempoColor::Active : TempoColor::High};
}

TempoShown miniTempo(qint32 songTempo)
{
    if (songTempo < 1)
        return {QStringLiteral("100"), TempoColor::Inactive};
    return {QString::number(songTempo), TempoColor::Active};
}

// ---- Track time -------------------------------------------------------------------------

QString trackTimeText(double position, double length, bool remaining)
{
    const qint64 s = remaining ? wholeSeconds(length - position - 1) : wholeSeconds(position);
    return QString::asprintf(s < 600 ? "  %lld:%02lld" : "%lld:%02lld", static_cast<long long>(s / 60),
                             static_cast<long long>(s % 60));
}

QString trackTimeZeroText()
{
    return QStringLiteral("  0:00");
}

QString miniTrackTimeText(double position)
{
    const qint64 s = wholeSeconds(position);
    return QString::asprintf("%lld:%02lld", static_cast<long long>(s / 60), static_cast<long long>(s % 60));
}

// ---- Gauge ----------------------------------------------------------------------------------

std::optional<double> jaugePercent(double position, double length, bool hide)
{
    // Written so that a position or length that is not a number hides the bar.
    if (hide || !(length > 0) || !(position >= 0) || !(position <= length) || !std::isfinite(length))
        return std::nullopt;
    return position / length * 100.0;
}

QRectF jaugeBarRect(double width, double height, double percent)
{
    double w = width - 6;
    double h = height - 6;
    if (w > h)
        w *= percent / 100.0;
    else
        h *= percent / 100.0;
    return QRectF(3, 3, std::max(0.0, w), std::max(0.0, h));
}

// ---- Metronome lights -------------------------------------------------------------------

MetroBeat metroBeat(qint64 typeMetro, int beats, qint64 beatNo)
{
    const bool odd = beatNo % 2 != 0;
    switch (typeMetro) {
    case 0: return {MetroBeat::Light, 1};
    case 1: return {MetroBeat::Light, odd ? 1 : 2};
    case 2:
        switch (beats) {
        case 4: {
            static constexpr int kByRest[] = {4, 1, 2, 3};
            return {MetroBeat::Light, kByRest[((beatNo % 4) + 4) % 4]};
        }
        case 3: {
            static constexpr int kByRest[] = {3, 1, 2};
            return {MetroBeat::Light, kByRest[((beatNo % 3) + 3) % 3]};
        }
        case 2: return {MetroBeat::Light, odd ? 1 : 2};
        default: return {MetroBeat::Light, 0};
        }
    case 3: return {MetroBeat::HideAll, 0};
    default: return {MetroBeat::Unchanged, 0};
    }
}

LightFrames titleLightFrames(qint64 typeMetro, qint32 signature, double width, double height,
                             const LightFrames &current)
{
    LightFrames f = current;
    switch (typeMetro) {
    case 0:
        f[0] = QRectF(0, 0, width, height);
        break;
    case 1:
        f[0] = QRectF(0, 0, width / 2, height);
        f[1] = QRectF(width / 2, 0, width / 2, height);
        break;
    case 2: {
        const int beats = (signature == 0 || signature == 4) ? 4 : (signature == 2 || signature == 3) ? signature : 1;
        const double k = width / beats;
        for (int i = 0; i < 4; ++i)
            f[static_cast<size_t>(i)] = QRectF(i * k, 0, k, height);
        break;
    }
    default:
        break;
    }
    return f;
}

// ---- Summary window --------------------------------------------------------------------

MiniLayout miniLayout(double width, double height)
{
    MiniLayout m;
    const double h = std::min(0.17 * height, 0.19 * width);
    m.tempo = QRectF(width / 4, (height - h) / 2, width / 2, h);
    m.tempoFont = h * 38 / 48;
    const double titleH = 0.15 * height;
    const double y1 = height - titleH - 0.015 * height - 20;
    m.title = QRectF(0, y1, width, titleH);
    m.titleFont = std::min(0.125 * width, 0.125 * height);
    const double artistH = 0.13 * height;
    const double y2 = y1 - artistH - artistH / 40;
    m.artist = QRectF(0, y2, width, artistH);
    m.artistFont = std::min(0.108 * width, 0.108 * height);
    m.comment = QRectF(0, 0, width, 0.25 * height);
    m.commentFont = std::min(0.09 * width, 0.09 * height);
    return m;
}

LightFrames miniLightFrames(qint64 typeMetro, int beats, const QRectF &tempo, double width,
                            const LightFrames &current)
{
    LightFrames f = current;
    const double x = tempo.x(), y = tempo.y(), w = tempo.width(), h = tempo.height();
    switch (typeMetro) {
    case 0:
        f[0] = tempo;
        break;
    case 1: {
        const double q = h * 38 / 48;
        f[0] = QRectF(x - q, y + (h - q) / 2, q, q);
        f[1] = QRectF(x + w, y + (h - q) / 2, q, q);
        break;
    }
    case 2: {
        const int b = beats > 0 ? beats : 4;
        const double left = (width - b * h) / 2;
        for (int i = 0; i < 4; ++i)
            f[static_cast<size_t>(i)] = QRectF(left + i * h, y - h, h, h);
        break;
    }
    default:
        break;
    }
    return f;
}

// ---- Title window ----------------------------------------------------------------------

TitleSize titleSizeRule(qint64 winType, double width, double height)
{
    TitleSize t;
    t.turned = height > width && winType != 5 && winType != 9;
    t.font = 5.0 / 6.0 * (t.turned ? width : height);
    t.countFont = winType == 13 ? 0.7 * t.font : t.font;
    return t;
}

QString countNumberText(qint64 count, qint64 countTo, bool skip, int beats)
{
    if (countTo >= 1)
        return skip && countTo == count ? QStringLiteral(" ") : QString::number(countTo - count);
    return skip && count > beats ? QStringLiteral(" ") : QString::number(count);
}

CountLayout countLayout(double width, double height, bool turned, double textWidth, qint64 alignment,
                        qint64 count)
{
    CountLayout c;
    const double along = turned ? height : width; // the length the text runs along
    const double s = (turned ? width : height) - 2;
    const double f = 5.0 / 6.0 * (s + 2);
    double d = 0;
    if (textWidth < along) {
        if (alignment == 2)
            d = along - textWidth;
        else if (alignment == 0)
            d = (along - textWidth) / 2;
        d = std::max(0.0, d - s);
    }
    const bool big = count >= 10;
    // A smaller two-digit number drawn from the top of its frame sits lower to stay centred.
    const double drop = big ? -0.15 * f : 0.0;
    if (turned) {
        c.badge = QRectF(1, d + 1, s, s);
        c.number = QRectF(0, d + drop, s + 2, s + 2);
    } else {
        c.badge = QRectF(d + 1, 1, s, s);
        c.number = QRectF(d, drop, s + 2, s + 2);
    }
    c.numberFont = big ? 0.7 * f : f;
    c.titleShift = alignment == 1 ? s : 0.0;
    return c;
}

} // namespace auxwin
