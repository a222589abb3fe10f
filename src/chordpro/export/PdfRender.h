#pragma once

#include "chordpro/ChordPro.h"
#include "chordpro/ChordProOptions.h"
#include "platform/RegularFile.h"

#include <QColor>
#include <QString>
#include <array>

// One ChordPro song laid out as a PDF with chord diagrams: each page is
// painted (background, laid-out text, diagram strip), then up to two pages of
// the diagrams that found no room. It lays out from a text read elsewhere and
// hands back the PDF's bytes: the file system is the caller's, off the main
// thread. The render itself takes the chord libraries of Data: main thread only.
namespace pdfexport {

// Colour slots as the export window stores them.
enum ColorSlot { Chords = 0, Lyrics, Comments, CommentsBack, Background, Bar, LyricsHigh, Bullets, SlotCount };

// What the export window's controls say about one render.
struct PdfSettings : ChordProOptions {
    int paper = 0;
    int orientation = 0;
    int frame = 0;              // 0: the shared reference size; else the text area over the zoom
    double zoom = 1.0;
    bool lyricsAlignmentLeft = false;
    bool lyricsOnly = false;
    bool includeHeader = false;
    int layout = 0;             // diagram layouts 0-5
    int instrument = 0;         // 0 guitar, 1 ukulele, 2 piano
    bool rightHanded = false;
    bool autoBW = false;
    bool chordsBoldFlag = false;
    bool lyricsBoldFlag = false;
    bool print = false;
    double scale = 1.0;
    int alignment = 0;
    std::array<QColor, SlotCount> colors;

    PdfSettings();
    bool chordsBold() const override { return chordsBoldFlag; }
    bool lyricsBold() const override { return lyricsBoldFlag; }
    QColor color(chordpro::ColorRole role) const override;
};

// The fixed colours of the slots (the Custom default and Default preset),
// and those of the black-and-white preset.
QColor defaultSlotColor(int slot);
QColor blackWhiteSlotColor(int slot);

struct RenderResult {
    bool ok = false;
    QString error;      // why nothing was written
    int songPages = 0;
    int extraPages = 0;
    int chordsDrawn = 0;
};

// Renders the song read from songPath into *pdf (untouched on a failure).
RenderResult renderSongPdf(const QString &songPath, const platform::FileBytes &song, const PdfSettings &settings,
                           const chordpro::HeaderInfo &header, QByteArray *pdf);

} // namespace pdfexport
