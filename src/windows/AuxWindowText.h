#pragma once

#include <QList>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

// Texts and geometry of the summary, title, track-time and gauge windows,
// free of any window. Frames are in window coordinates with the origin at
// the bottom left (the windows convert them with platform::flipY to paint).
namespace auxwin {

// ---- Window titles ---------------------------------------------------------------
// The title of an object window by type; noteTag is the identifier tag of the
// note window (type 8). "" for a type that is not an object window.
QString titleWindowTitle(qint64 winType, const QString &noteTag);
QString trackTimeWindowTitle(qint64 winType);
QString miniWindowTitle(const QString &repText);
QString jaugeWindowTitle();

// ---- Song texts ------------------------------------------------------------------------
// The flagged songs' titles: "🔶" before the first, " 🔹" before each
// further one, at most ten, then " 🔹..." when more are flagged.
QString flagsText(const QStringList &titles);

// "▷" and the next song's title; "" when there is no next song.
QString nextSongText(const std::optional<QString> &nextTitle);

// A piece of a one-line text with its own colour.
enum class RunColor { Label, High, Bullet };
struct TextRun {
    QString text;
    RunColor color = RunColor::Label;
    bool operator==(const TextRun &) const = default;
};
// Title and artist in one line: artist first (in the highlight colour) when
// the list is sorted by artist, title first otherwise; a grey bullet between.
QList<TextRun> artistTitleRuns(const QString &title, const QString &artist, qint64 currentSort);

// The note a window shows. With the list hidden, the identifier's
// "identifier:" markers are taken out and the text trimmed; a window without
// an identifier takes nothing out.
QString noteShown(const QString &note, const QString &altDir, bool hideList);

// The text the next-cue window shows for no next cue.
QString noNextCueText();
// The note window's text for an empty note while the inspector is open.
QString invisibleNoteText();

// ---- Tempo -----------------------------------------------------------------------------------
enum class TempoColor { Active, Inactive, High };
struct TempoShown {
    QString text;
    TempoColor color = TempoColor::Active;
    bool operator==(const TempoShown &) const = default;
};
// The Tempo window: the current tempo against the song's (0 or less: the
// song sets none; a tapped tempo then stands out, else "100" greyed).
TempoShown titleTempo(qint32 songTempo, qint64 currentTempo, qint32 tapCount);
// The summary window shows the song's own tempo.
TempoShown miniTempo(qint32 songTempo);

// ---- Track time --------------------------------------------------------------------------
// "  m:ss" (two blanks first) under ten minutes, "m:ss" from ten minutes on:
// the elapsed whole seconds, or in the remaining-time window the whole part
// of length - position - 1, at least 0.
QString trackTimeText(double position, double length, bool remaining);
// The hidden track time.
QString trackTimeZeroText();
// "m:ss" of the position's whole seconds, for the summary window.
QString miniTrackTimeText(double position);

// ---- Gauge ----------------------------------------------------------------------------------
// The bar's length in percent, or nothing when the bar hides (hidden, no
// length, position outside 0..length).
std::optional<double> jaugePercent(double position, double length, bool hide);
// The bar inside a 3-point margin, its longer side scaled by the percentage
// (the height when both are equal).
QRectF jaugeBarRect(double width, double height, double percent);

// ---- Metronome lights --------------------------------------------------------------------
// What a beat does to the lights.
struct MetroBeat {
    enum Kind { Light, HideAll, Unchanged } kind = Unchanged;
    int light = 0; // 1-4 with Light; 0: no light for this beat
    bool operator==(const MetroBeat &) const = default;
};
// typeMetro 0 one light, 1 two alternating, 2 one per beat of the bar, 3 none.
MetroBeat metroBeat(qint64 typeMetro, int beats, qint64 beatNo);

using LightFrames = std::array<QRectF, 4>;
// Title window: the whole window, two halves, or one column per beat from
// the left (a quarter of the width for codes 0 and 4, a half for 2, a third
// for 3, the whole width otherwise). Other types keep the frames given.
LightFrames titleLightFrames(qint64 typeMetro, qint32 signature, double width, double height,
                             const LightFrames &current);

// ---- Summary window --------------------------------------------------------------------
struct MiniLayout {
    QRectF tempo; // shared by the tempo and the track time
    double tempoFont = 0;
    QRectF title;
    double titleFont = 0;
    QRectF artist;
    double artistFont = 0;
    QRectF comment;
    double commentFont = 0;
};
MiniLayout miniLayout(double width, double height);
// Lights around the tempo frame: behind it, two squares left and right of it,
// or a row of squares under it centred in the window (four for an unknown
// signature).
LightFrames miniLightFrames(qint64 typeMetro, int beats, const QRectF &tempo, double width,
                            const LightFrames &current);

// ---- Title window ----------------------------------------------------------------------
struct TitleSize {
    bool turned = false; // taller than wide: the text runs upwards
    double font = 0;     // 5/6 of the height, or of the width when turned
    double countFont = 0;
};
TitleSize titleSizeRule(qint64 winType, double width, double height);

// The count number of the next-cue window: what is left of a count-down, or
// how far a count-to has come; a blank while the count waits for the first
// beat of a bar.
QString countNumberText(qint64 count, qint64 countTo, bool skip, int beats);

struct CountLayout {
    QRectF badge;  // the circle (corner radius half its side)
    QRectF number; // the number's frame, drawn from its top
    double numberFont = 0;
    double titleShift = 0; // how far a left-aligned cue moves to leave room for the badge
};
// The badge before the cue text: alignment 0 centred, 1 left, 2 right;
// textWidth is the cue's width in its font.
CountLayout countLayout(double width, double height, bool turned, double textWidth, qint64 alignment,
                        qint64 count);

} // namespace auxwin
