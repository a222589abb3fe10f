#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// What the Tolvane window's title row, song-list header and progress popup
// show, as plain values: the window only copies them into its views.
namespace titlerules {

// ---- Title label ------------------------------------------------------------
struct TitleText {
    QString text;
    // The first field is the artist (sorted by artist): it takes the highlight colour.
    bool artistFirst = false;
    int firstFieldLength = 0;
    // Position of the bullet between the two fields, drawn in grey.
    int bulletPos = -1;
};
// "%@ • %@%@%@%@": title and artist (artist first when the sort is not 0),
// then the played, flag and genre marks.
TitleText titleText(const QString &title, const QString &artist, qint64 sort, const QString &playedMark,
                    const QString &flagMark, const QString &genreMark);
// The genre menu mark of the follow state: " 🔉" in state 3, "⁉️" in state 2.
QString genreMark(qint64 slaveState);

// ---- Tempo and track time ---------------------------------------------------
enum class TextRole { Act, Inact, High };
struct TempoText {
    QString text;
    TextRole role = TextRole::Act;
};
TempoText tempoText(qint64 songTempo, qint64 globalTempo, qint64 nbTapTempo);
// "  m:ss" (two leading blanks) below ten minutes, "mm:ss" from there.
QString trackTimeText(double seconds);

// ---- Metronome lights and count-in ---------------------------------------------
enum class Light { None, Metro1, Metro2, Beat1, Beat2, Beat3, Beat4 };
// The light a tick turns on for a metronome type and a time signature.
Light metroLight(qint64 type, qint64 tick, qint64 signature);
struct CountIn {
    bool shown = false;
    QString text = QStringLiteral(" ");
};
CountIn countIn(qint64 gcount, qint64 gcountTo, bool skip, qint64 signature);

// ---- Title row layout ----------------------------------------------------------
struct RowInput {
    int windowWidth = 0;      // W
    int repX = 0;             // R: the identifier box's x
    int titleX = 0;           // L: the title label's x
    int tempoWidth = 0;       // Tw
    int beatWidth = 0;        // Mw
    bool titleShown = true;
    bool tempoShown = true;
    bool noteShown = true;
    bool metroType2 = false;
    // Positions before the layout, kept where the rule leaves them.
    int tempoX = 0;
    int metroX = 0;
    int noteX = 0;
    int noteWidth = 0;
};
struct RowLayout {
    int tempoX = 0;
    int metroX = 0;
    int noteX = 0;
    int noteWidth = 0;
};
RowLayout layoutTitleRow(const RowInput &in);

// ---- Notices ------------------------------------------------------------------
// A notice as the windows show it: each quoted absolute path is given by its
// file or folder name. The log keeps the whole text.
QString noticeShown(const QString &notice);
// A notice wider than the line (advance measures a text) is shown in parts, one
// after another: whole words as far as they fit, a part ending after its last
// clause where that fills half the line; "…" closing every part but the last
// and opening every part but the first; a word wider than the line alone is
// cut where the line ends.
QStringList noticeParts(const QString &notice, int width, const std::function<int(const QString &)> &advance);
// Where a notice across the row goes, from left to right: the song's name
// (titleAdvance wide, 0 when hidden) stays in sight before it, at most a third
// of the row, so that after a song change the performer sees which song is shown.
struct Span {
    int x = 0;
    int width = 0;
};
Span noticeBesideTitle(int left, int right, int titleAdvance);

// ---- Late words ---------------------------------------------------------------
// What the panes show now of the song whose PDF reader was said to be late.
struct PagesOnScreen {
    bool loaded = false; // its document has answered
    bool shown = false;  // each pane of it shows an image of its page, if only one of another size
    bool drawn = false;  // ... each at the pane's own size
    bool refused = false; // its document cannot be shown: the words of why take the place of late ones
};
// What late words claim: the document still loading, its page still drawing
// with nothing of it on screen, or its page not there as asked (a reader
// replaced or stopped meanwhile).
enum class LateClaim { Loading, Drawing, NotDrawn };
// Late words are a state of the page on screen: said only while they are
// true, and gone as soon as they are not.
bool lateWordsHold(LateClaim claim, const PagesOnScreen &now);

// ---- Song-list header ------------------------------------------------------------
// The filter button's title while the tag filter is on. filteredCount is the
// filtered list's row count, secondMarked whether its second row is played or flagged.
QString filterButtonTitle(const QStringList &tags, qint64 filterNo, qint64 filteredCount, bool secondMarked);

// ---- Progress popup ----------------------------------------------------------------
// The bar's maximum for a kind of job and the exported tab's song count.
qint64 popupMaximum(qint64 kind, qint64 songCount);

} // namespace titlerules
