#pragma once

#include "audio/Track.h"
#include "platform/Keys.h"

#include <QString>
#include <array>
#include <functional>

// What the loop player and the track preview decide, without a window.
namespace audiowin {

inline constexpr int kSections = 5;

// A section of the loop player: A and B points in seconds (0 unset), the
// genre combo's index (0 the current genre, 1-6 the genres) and its check box.
struct Section {
    double a = 0;
    double b = 0;
    qint64 genreIndex = 0;
    bool checked = false;
};
using Sections = std::array<Section, kSections>;

// "%d:%02d" of the whole seconds.
QString pointText(double seconds);
// A stored genre index; one outside the combo's items reads as 0.
qint64 genreIndexFromStore(qint64 stored);
// The genre a play request carries: index 0 the current genre; the mute
// genre (6) plays as 1, since a section plays a recording.
qint64 genreToPlay(qint64 genreIndex, qint64 currentGenre);

// A play request: start at skipTo in genre.
struct PlayRequest {
    qint32 skipTo = 0;
    qint64 genre = 0;
};
// Section n (1-5) from its A point in its genre; any other n the whole track
// from 0 in the current genre.
PlayRequest playSection(const Sections &sections, int n, qint64 currentGenre);
// The first checked section (1-5) whose B point lies past its A point and
// behind position; 0 for none.
int sectionToRestart(const Sections &sections, double position);

// A drag of the slider to position: past a checked section's end all
// sections are unchecked; the genre is the last checked section's.
struct DragOutcome {
    bool uncheckAll = false;
    PlayRequest play;
};
DragOutcome dragTo(const Sections &sections, double position, qint64 currentGenre);

// A key in the audio windows.
enum class KeyKind {
    PlaySection, // value: 1-5
    PlayWhole,   // the digits 6-9 and 0
    PlayButton,  // the period: play or stop
    ActionKey,   // value: the command code
    Pass,        // left to the window
};
struct KeyOutcome {
    KeyKind kind = KeyKind::Pass;
    int value = 0;
    bool operator==(const KeyOutcome &) const = default;
};
KeyOutcome keyOutcome(const platform::KeyEvent &key);

// The user-defaults key of a section's value for a song file (by its name
// only, so that a song's copies in other folders share their sections).
QString sectionKey(const char *pattern, int n, const QString &songFile);

// The preview's five rows: the choice for Any, then the best Cover, Backing
// Track, Practice and Recording tracks.
struct PreviewRow {
    QString text;
    QString genre;
    bool operator==(const PreviewRow &) const = default;
};
using PreviewRows = std::array<PreviewRow, kSections>;
PreviewRows previewRows(const QList<audio::Track> &tracks, const QString &title, const QString &artist);
// Every row saying the same (the library cannot be read, no song).
PreviewRows previewRowsSaying(const QString &text);

} // namespace audiowin
