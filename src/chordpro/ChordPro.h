#pragma once

#include "chordpro/ChordProOptions.h"
#include "chordpro/ChordProPage.h"
#include "chordpro/ChordProStyle.h"

#include <QRectF>
#include <QSet>
#include <QSizeF>
#include <QString>
#include <optional>
#include <vector>

class QPainter;
namespace platform {
struct FileBytes;
}

namespace chordpro {

// One styled piece of the laid-out text (the rendered song).
struct StyledRun {
    QString text;
    Style style;
};

// What the header line shows: the song record's title and artist and the
// window's one-line note for the song.
struct HeaderInfo {
    QString title;
    QString artist;
    QString note;
};

// How a page is asked for.
struct PageRequest {
    int pageNo = 1;            // 1-based; 0 lays every page out in one run
    bool lyricsOnly = false;
    int modeAffichage = 0;     // the window's display mode; 1 is the zoom band
    bool ratio21 = false;      // lyrics only: split each page into two halves
    bool includeTitle = false; // header line on top
    HeaderInfo header;
};

struct SourceRange {
    int location = 0;
    int length = 0;
};

// Layout passes.
enum LayoutMode { ModeChords = 1, ModeLyrics = 2, ModeLyricsHalves = 3 };

} // namespace chordpro

// One ChordPro song: its text, header directives, chord and definition lists,
// and its layout as pages. Pages break at a reference page size and font size
// so a song breaks at the same places in every window, whatever its size;
// each page is then drawn with the font scaled to the view.
class ChordPro {
public:
    ChordPro();
    // frame: the view the object lays out for (its size is the object's own
    // reference size); options: the window providing the display options, not
    // owned, may be null; useRef: use the shared reference size instead.
    ChordPro(const QRectF &frame, const ChordProOptions *options, bool useRef);

    // The shared reference page size (611 x 752 points at start-up).
    static QSizeF sizeRefStatique();
    static void setSizeRef(const QSizeF &size);

    // A longer song file is not laid out: a page costs time in proportion to
    // the text, and a stray huge file must not freeze the window.
    static constexpr qint64 kMaxSongBytes = 1024 * 1024;

    // Loads a song file as read off the main thread (platform::readRegularFile
    // up to kMaxSongBytes; see textcodec for the encodings). A missing,
    // unreadable or binary file, one that is not a regular file (a pipe, a
    // device) or one over kMaxSongBytes ("too large to lay out") gives an
    // empty song, and loadProblem() says why.
    void chargerFichier(const QString &path, const platform::FileBytes &file);
    const QString &loadProblem() const { return loadProblem_; }
    // The file whose text the song holds ("" before any load).
    const QString &fichier() const { return fichier_; }

    // Header directive lookup: the text between the directive (found anywhere,
    // in any case) and the next "}"; absent when unclosed or empty.
    static std::optional<QString> obtenirChaine(const QString &text, const QString &directive);
    static double obtenirFontSize(const QString &text, double defaultSize);
    void determinerTitreSousTitreCle(const QString &text);

    QString obtenirTitre() const { return titre_; }
    QString obtenirSousTitre() const { return sousTitre_; }
    QString obtenirCle() const { return cle_; }
    QString obtenirListeAccords() const { return listeAccords_; }
    QString obtenirListeDefine() const { return listeDefine_; }
    QString obtenirListeDefineUk() const { return listeDefineUk_; }
    QString obtenirListeInversion() const { return listeInversion_; }

    // Adds a chord to the list of the song's distinct chords (";C;G;Am;").
    void traiterUnAccord(const QString &chord);
    // Convert the song's own definitions into chord library lines.
    void convertDefine();
    void convertDefineUk();
    void convertInversion();

    double obtenirCumulHeight() const { return cumulHeight_; }
    double obtenirPourcentOccup() const;

    // Lays out and keeps page pageNo for a view of the given size; nbPages()
    // then gives the page count (of whole pages with ratio21).
    const chordpro::ChordProPage &chargerPage(const QSizeF &viewSize, const chordpro::PageRequest &request);
    // Lays the page out for target's size and draws it there.
    const chordpro::ChordProPage &chargerPage(QPainter &painter, const QRectF &target,
                                              const chordpro::PageRequest &request);
    // The page of the last chargerPage.
    const chordpro::ChordProPage &page() const { return page_; }

    // One layout pass over text in mode 1-3 for page pageNo (0: all); answers
    // the output range of the source line holding curPos.
    chordpro::SourceRange traiterChordProData(const QString &text, int mode, int pageNo, int curPos);
    // Builds the text styles at a font size; with resetRef also the reference
    // measurements that page breaks are computed from.
    void ajusterAttributsPourRendering(double fontSize, bool resetRef);

    // The rendered text of the last pass, styled and as plain text.
    const std::vector<chordpro::StyledRun> &obtenirDocumentComplet() const { return rstra_; }
    QString documentPlainText() const;

    QColor chordColor() const { return color(chordpro::ColorRole::Chord); }
    QColor textColor() const { return color(chordpro::ColorRole::Text); }
    QColor textHColor() const { return color(chordpro::ColorRole::Highlight); }
    QColor directiveColor() const { return color(chordpro::ColorRole::Comment); }
    QColor directiveColorBack() const { return color(chordpro::ColorRole::CommentBack); }
    QColor indentColor() const { return color(chordpro::ColorRole::Bar); }
    QColor backgroundColor() const { return color(chordpro::ColorRole::Background); }

    // Plain accessors.
    int nbPages() const { return nbPages_; }
    void setNbPages(int n) { nbPages_ = n; }
    const QString &titre() const { return titre_; }
    void setTitre(const QString &t) { titre_ = t; }
    const QString &sousTitre() const { return sousTitre_; }
    void setSousTitre(const QString &t) { sousTitre_ = t; }
    const QString &cle() const { return cle_; }
    void setCle(const QString &k) { cle_ = k; }
    // The song text; the chord library and the piano diagram edit it in place.
    QString &chordProData() { return chordProData_; }
    const QString &chordProData() const { return chordProData_; }
    void setChordProData(const QString &text) { chordProData_ = text; }
    const QString &listeAccords() const { return listeAccords_; }
    QString &listeDefineOrig() { return listeDefineOrig_; }
    QString &listeDefineOrigUk() { return listeDefineOrigUk_; }
    QString &listeInversionOrig() { return listeInversionOrig_; }
    const QString &listeDefine() const { return listeDefine_; }
    const QString &listeDefineUk() const { return listeDefineUk_; }
    const QString &listeInversion() const { return listeInversion_; }
    bool defineConverted() const { return defineConverted_; }
    bool inversionConverted() const { return inversionConverted_; }
    double myFontSizeRef() const { return myFontSizeRef_; }
    int nbMaxCarRef() const { return nbMaxCarRef_; }
    int nbMaxCarReel() const { return nbMaxCarReel_; }
    double cumulHeightMax() const { return cumulHeightMax_; }
    double cumulHeightPage() const { return cumulHeightPage_; }
    double lyricsCenter() const { return lyricsCenter_; }
    QRectF myFrame() const { return myFrame_; }
    double heightNonUtilise() const { return heightNonUtilise_; }
    QSizeF sizeRefInst() const { return sizeRefInst_; }
    // The page size the song breaks at now (the shared one or the object's own).
    QSizeF referenceInForce() const;
    void setSizeRefInst(const QSizeF &size) { sizeRefInst_ = size; }
    QSizeF sizeRefSpecified() const { return sizeRefSpecified_; }
    void setSizeRefSpecified(const QSizeF &size) { sizeRefSpecified_ = size; }
    bool useSizeRefStatique() const { return useSizeRefStatique_; }
    void setUseSizeRefStatique(bool on) { useSizeRefStatique_ = on; }
    bool lyricsAlignmentLeft() const { return lyricsAlignmentLeft_; }
    void setLyricsAlignmentLeft(bool on) { lyricsAlignmentLeft_ = on; }
    const ChordProOptions *options() const { return options_; }
    void setOptions(const ChordProOptions *options) { options_ = options; }
    // The styles in force (at the size of the last layout or rebuild).
    const chordpro::StyleSet &styles() const { return styles_; }

private:
    struct Scanner;
    friend struct Scanner;

    QColor color(chordpro::ColorRole role) const;
    // What a run of text or a fill of this style is drawn in.
    QColor drawnTextColor(const chordpro::TextStyle &style) const;
    QColor drawnFillColor(const chordpro::TextStyle &style) const;
    // Lyric characters across the reference width at the reference font size.
    void updateNbMaxCarRef();
    void ajouterLigne(const std::vector<chordpro::StyledRun> &segment, int type, int pageNo, int mode, bool lyrics);
    void appendOutput(const std::vector<chordpro::StyledRun> &segment);
    double roomNeeded(int type) const;
    double heightAdded(int type) const;
    void genererHeader(int pageNo, const chordpro::HeaderInfo &header, double viewWidth,
                       std::vector<chordpro::StyledRun> &out) const;
    void buildPage(const QSizeF &viewSize, const std::vector<chordpro::StyledRun> &header, double filler,
                   bool centred);

    // Reference size and fitted page.
    QSizeF sizeRefInst_;
    QSizeF sizeRefSpecified_;
    bool useSizeRefStatique_ = false;
    bool lyricsAlignmentLeft_ = false;
    QRectF myFrame_;
    double heightNonUtilise_ = 0;

    // Font sizes and measurements.
    double myFontSizeRef_ = 17.0;
    int nbMaxCarRef_ = 0;
    chordpro::StyleSet styles_;
    chordpro::StyleSet refStyles_;

    // Layout counters.
    double cumulHeight_ = 0;
    int nbMaxCarReel_ = 0;
    double cumulHeightMax_ = 0;
    double cumulHeightPage_ = 0;
    double cumulHeightLyrics_ = 0;
    double cumulHeightLyricsBottom_ = 0;
    double lyricsCenter_ = 0;
    double lyricsCenterCurrent_ = 0;
    bool centreCrossed_ = false;
    // The half-page band splits the page in the middle: no line may lie across it.
    bool seamAtMiddle_ = false;
    bool lastSegmentTop_ = true;
    double visualLineWidth_ = 0;
    int nbPages_ = 0;
    bool defineConverted_ = false;
    bool inversionConverted_ = false;

    std::vector<chordpro::StyledRun> rstra_;
    int rstraLength_ = 0;

    QString listeAccords_;
    QSet<QString> chordsListed_; // the names in listeAccords_
    QString listeDefine_, listeDefineOrig_, listeDefineUk_, listeDefineOrigUk_;
    QString listeInversion_, listeInversionOrig_;
    QString titre_, sousTitre_, cle_;
    QString chordProData_;
    QString loadProblem_;
    QString fichier_;

    const ChordProOptions *options_ = nullptr;
    chordpro::ChordProPage page_;
};
