#include "windows/GestureRules.h"

#include "platform/Vocabulary.h"

#include <cmath>

namespace gesturerules {

namespace {
constexpr double kEdge = 30.0;
constexpr double kScrollThreshold = 1.0;
constexpr double kSwipeThreshold = 0.3;
constexpr double kLongThreshold = 1.4;
} // namespace

int hiddenRegionCode(double x, double y, double w, double h)
{
    if (x < kEdge || x > w - kEdge)
        return 0;
    return vocab::PreviousSongNoSearch + (y <= h / 2 ? 1 : 0) + (x + 2 > w / 2 ? 2 : 0);
}

int scrollSwipeCode(double cumulX, double cumulY)
{
    if (!(std::abs(cumulX) > kScrollThreshold || std::abs(cumulY) > kScrollThreshold))
        return 0;
    if (std::abs(cumulY) < std::abs(cumulX))
        return cumulX > 0 ? 2 : 1;
    return cumulY > 0 ? 3 : 4;
}

int touchSwipeCode(const QList<FingerTrack> &fingers)
{
    if (fingers.size() < 2)
        return 0;
    float sumX = 0, sumY = 0;
    int upper = 0, lower = 0;
    for (const FingerTrack &f : fingers) {
        sumX += float(f.end.x() - f.start.x());
        sumY += float(f.end.y() - f.start.y());
        if (f.start.y() >= 0.5)
            ++upper;
        else
            ++lower;
    }
    const double ax = std::abs(sumX), ay = std::abs(sumY);
    int code = 0;
    double decisive = 0;
    if (ax > ay) {
        if (ax < kSwipeThreshold)
            return 0;
        const bool right = sumX > 0;
        const bool moreUpper = upper > lower;
        code = right ? (moreUpper ? 1 : 2) : (moreUpper ? 3 : 4);
        decisive = ax;
    } else {
        if (ay < kSwipeThreshold)
            return 0;
        code = sumY > 0 ? 5 : 6;
        decisive = ay;
    }
    if (decisive > kLongThreshold)
        code += kLongSwipe;
    return code;
}

const QList<PadKey> &padKeys()
{
    static const QList<PadKey> keys = [] {
        QList<PadKey> k;
        static const char *const letters[26] = {"boutA", "boutB", "boutC", "boutD", "boutE", "boutF", "boutG",
                                                "boutH", "boutI", "boutJ", "boutK", "boutL", "boutM", "boutN",
                                                "boutO", "boutP", "boutQ", "boutR", "boutS", "boutT", "boutU",
                                                "boutV", "boutW", "boutX", "boutY", "boutZ"};
        for (int i = 0; i < 26; ++i)
            k.append({letters[i], QString(QChar('A' + i)), i});
        // Digits follow the dispatcher's character table: code 26 is '0'.
        static const char *const digits[10] = {"bout0", "bout1", "bout2", "bout3", "bout4",
                                               "bout5", "bout6", "bout7", "bout8", "bout9"};
        for (int i = 0; i < 10; ++i)
            k.append({digits[i], QString(QChar('0' + i)), 26 + i});
        using namespace vocab;
        k.append({"boutFlecheBas", QStringLiteral("↓"), PageDown});
        k.append({"boutFlecheHaut", QStringLiteral("↑"), PageUp});
        k.append({"boutFlecheGauche", QStringLiteral("←"), PreviousSong});
        k.append({"boutFlecheDroite", QStringLiteral("→"), NextSong});
        k.append({"boutCmdFlecheGauche", QStringLiteral("Ctrl+←"), FirstSongOrPreviousTab});
        k.append({"boutCmdFlecheDroite", QStringLiteral("Ctrl+→"), NextTab});
        k.append({"boutSpace", QStringLiteral("Space"), SpaceBarKey});
        k.append({"boutPageUp", QStringLiteral("PgUp"), PageUpKey});
        k.append({"boutPageDn", QStringLiteral("PgDn"), PageDownKey});
        k.append({"boutEnter", QStringLiteral("Enter"), EnterKey});
        k.append({"boutAltEnter", QStringLiteral("Alt+Enter"), OpenInEditor});
        k.append({"boutAltSpace", QStringLiteral("Alt+Space"), Play});
        k.append({"boutBackSpace", QStringLiteral("⌫"), ClearFilterAndSearchChar});
        k.append({"boutCmdEnter", QStringLiteral("Ctrl+Enter"), EditCurrentTab});
        k.append({"boutCmdDot", QStringLiteral("Ctrl+."), CommandPeriod});
        k.append({"boutCmdR", QStringLiteral("Ctrl+R"), RefreshFolder});
        k.append({"boutTab", QStringLiteral("Tab"), ToggleToc});
        k.append({"boutCmdA", QStringLiteral("Ctrl+A"), FirstTab});
        static const char *const slotKeys[8] = {"boutCmd1", "boutCmd2", "boutCmd3", "boutCmd4",
                                             "boutCmd5", "boutCmd6", "boutCmd7", "boutCmd8"};
        for (int i = 0; i < 8; ++i)
            k.append({slotKeys[i], QStringLiteral("Ctrl+%1").arg(i + 1), OpenFolderSlot0 + i});
        return k;
    }();
    return keys;
}

int padKeyCode(const QString &name)
{
    for (const PadKey &k : padKeys())
        if (name == QLatin1String(k.name))
            return k.code;
    return -1;
}

} // namespace gesturerules
