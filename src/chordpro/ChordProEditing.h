#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

// The text rules of the ChordPro editor, free of any window: conversion of the
// chord-over-lyrics layout, transposition, font-size steps, new-song names,
// completion lists and the source colouring scan.
namespace chordpro::editing {

// The text a new song starts with; its first kTemplateHeadLength characters
// are the directive lines and the blank line after them.
QString defaultStringPourNouveau();
inline constexpr int kTemplateHeadLength = 43;
// What "Clear" leaves.
QString clearedText();

// The song's chord list (";C;G;Am;") as names.
QStringList chordNames(const QString &listeAccords);

// ---- Conversion of chord-over-lyrics text ------------------------------------
// Every blank-separated word starts with A-G and, when longer, goes on with a
// character that can follow a chord's root ("m", "b", "#", digits, "sus", "/" ...).
bool isChordLine(const QString &line);
// The chords of chordLine placed as "[name]" before the lyric character at
// their column; chords past the lyrics follow them.
QString ligneMerge(const QString &chordLine, const QString &lyrics);
// The whole text converted; nullopt when nothing would change.
std::optional<QString> convertirTab(const QString &text);

// ---- Transposition ----------------------------------------------------------
// Every bracketed chord of chords (the song's list) and the key directive's
// value moved by semitones; accidentals by preference (0 automatic, 1 flats,
// 2 sharps). key is the song's key ("" to take the first chord instead).
QString doTranspose(const QString &text, const QStringList &chords, const QString &key, int semitones,
                    int prefBemolDiese);

// The "ActionTranspose" parameter: semitones + 13 x preference.
struct TransposeRequest {
    int semitones = 0;
    int prefBemolDiese = 0;
};
TransposeRequest decodeTranspose(qint64 param);
// The parameter for row r (6 - r semitones) of the transpose list.
qint64 transposeParamForRow(int row, int prefBemolDiese);

// One row of the transpose list for the reference key and the song's chords.
struct TransposeRow {
    QString chordNo;   // "+6" ... "0" ... "-6"
    QString chord;     // the key transposed
    QString chordList; // every chord transposed, each followed by two blanks
};
inline constexpr int kTransposeRows = 13;
TransposeRow transposeRow(const QString &keyChord, const QStringList &chords, int row, int prefBemolDiese);

// ---- Font size --------------------------------------------------------------
inline constexpr double kMinFontSize = 5.0;
inline constexpr double kMaxFontSize = 99.9;
// The text with its font size moved by step (17.0 when it has none); nullopt
// when the size would leave 5.0-99.9 or the text would not change.
std::optional<QString> stepFontSize(const QString &text, double step);
// The largest size, to 0.1, at which pagesOf(text) is 2 or less, by steps of
// -1.0, +1.0 and -0.1 from the text's own size.
QString fitToTwoPages(const QString &text, const std::function<int(const QString &)> &pagesOf);

// ---- New-song file names ----------------------------------------------------
// Drops what a file name cannot or should not hold: "/\?%*|"<>", control
// characters and leading dots (a hidden file the scan never lists); trimmed.
QString sanitizeFileNameString(const QString &name);
// "Title(Artist)" (or the title alone), sanitised and cut to fit a file name
// with its suffix and extension in 255 bytes; "" when nothing is left.
QString newSongBaseName(const QString &title, const QString &subtitle);
struct NewSongPath {
    QString path;  // "" when no name is free
    QString error;
};
// folder/name.chopro, else the first free folder/name_N.chopro (N 1-999).
NewSongPath newSongPath(const QString &folder, const QString &name);

// ---- Editing helpers --------------------------------------------------------
enum class Markup { Chorus, Embed, Highlight, Comment };
// The selection wrapped in the markup (a comment drops a final line end).
QString wrapMarkup(Markup kind, const QString &selection);
// What the markup button inserts with nothing selected.
QString markupSample(Markup kind);

// Completion entries for the partial word (the text from the last blank or
// line start to the cursor): after "[" the song's chords then C to B, after
// "{" the directive snippets; the partial word itself first. Empty otherwise.
QStringList completions(const QString &partialWord, const QStringList &chords);

// "1 page", "3 pages".
QString pageLabel(int pages);
// The editor's title: the entry's title, the file's name, or for a new song
// the title read from the text ("New Song:(no title)" while it is "Title").
QString windowTitle(const QString &entryTitle, const QString &path, bool hasEntry, const QString &textTitle);
// What the editor says while its save of `name` waits on the folder.
QString saveAwaited(const QString &name);

// ---- Colouring ---------------------------------------------------------------
enum class SpanKind { Chord, Directive, Comment };
struct ColourSpan {
    int start = 0;
    int length = 0;
    SpanKind kind = SpanKind::Chord;
    bool operator==(const ColourSpan &) const = default;
};
// One scan of the source: "[" to the next "]" and "{" to the next "}"
// inclusive (a second opener moves the start), and a "#" right after a line
// end to that line's end. Spans come in the order they close.
std::vector<ColourSpan> colourSpans(const QString &text);

} // namespace chordpro::editing
