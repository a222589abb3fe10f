#include "chordpro/export/PdfRender.h"

#include "chordpro/export/PdfExportRules.h"
#include "chords/ChordLookup.h"
#include "chords/DiagramPainter.h"
#include "library/Data.h"
#include "platform/Geometry.h"

#include <QBuffer>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

namespace pdfexport {

namespace {

// A song laid out to more pages than this is broken input, not a song.
constexpr int kMaxPages = 2000;
constexpr int kExtraPages = 2;

} // namespace

PdfSettings::PdfSettings()
{
    for (int slot = 0; slot < SlotCount; ++slot)
        colors[size_t(slot)] = defaultSlotColor(slot);
}

QColor PdfSettings::color(chordpro::ColorRole role) const
{
    using chordpro::ColorRole;
    switch (role) {
    case ColorRole::Chord: return colors[Chords];
    case ColorRole::Text: return colors[Lyrics];
    case ColorRole::Highlight: return colors[LyricsHigh];
    case ColorRole::Comment: return colors[Comments];
    case ColorRole::CommentBack: return colors[CommentsBack];
    case ColorRole::Bar: return colors[Bar];
    case ColorRole::Background: return colors[Background];
    default: return chordpro::defaultColor(role);
    }
}

QColor defaultSlotColor(int slot)
{
    switch (slot) {
    case Chords: return QColor(236, 68, 69);
    case Lyrics: return Qt::black;
    case Comments: return Qt::white;
    case CommentsBack: return Qt::black;
    case Background: return Qt::white;
    case Bar: return Qt::black;
    case LyricsHigh: return Qt::yellow;
    case Bullets: return QColor(0, 122, 255);
    default: return QColor();
    }
}

QColor blackWhiteSlotColor(int slot)
{
    switch (slot) {
    case Lyrics: return QColor(76, 76, 76);
    case Comments:
    case Background:
    case LyricsHigh: return Qt::white;
    default: return slot >= 0 && slot < SlotCount ? QColor(Qt::black) : QColor();
    }
}

namespace {

class Renderer {
public:
    Renderer(const PdfSettings &s, QPainter &painter, QPdfWriter &writer)
        : s_(s), painter_(painter), writer_(writer), page_(pageSize(s.paper, s.orientation))
    {
    }

    RenderResult run(ChordPro &doc, const chordpro::HeaderInfo &header);

private:
    void beginPage();
    // Draws the chords after `shown` that fit in frame (bottom-left page
    // coordinates); answers the count shown after them.
    int drawDiagrams(const QRectF &frame, const ChordPro &doc, int shown);
    void drawCell(const QRectF &cell, const QString &name, const ChordPro &doc);

    const PdfSettings &s_;
    QPainter &painter_;
    QPdfWriter &writer_;
    QSizeF page_;
    QStringList chords_;
    bool firstPage_ = true;
};

void Renderer::beginPage()
{
    if (!firstPage_)
        writer_.newPage();
    firstPage_ = false;
    painter_.resetTransform();
    // Print scales every page, diagram pages too, so it lands where the printer's page does.
    if (s_.print)
        painter_.setTransform(printPlacement(s_.scale, s_.alignment, page_));
    painter_.fillRect(QRectF(QPointF(), page_), s_.colors[Background]);
}

void Renderer::drawCell(const QRectF &cell, const QString &name, const ChordPro &doc)
{
    diagram::DiagramColors colors;
    colors.text = s_.colors[Lyrics];
    colors.lines = s_.colors[Bar];
    colors.accent = s_.colors[Chords];
    colors.dots = s_.colors[Bullets];
    colors.background = s_.colors[Background];
    const QSizeF size(kCell, kCell);
    if (s_.instrument == 2) {
        colors.autoBlackWhite = s_.autoBW;
        const diagram::PianoInversions chord(chordlookup::obtenirMChordPiano(name, doc.listeInversion()));
        diagram::paintPianoDiagram(painter_, cell.topLeft(), diagram::pianoPlan(name, chord, size), colors);
        return;
    }
    if (s_.instrument != 0 && s_.instrument != 1)
        return;
    diagram::FretOptions options;
    options.rightHanded = s_.rightHanded;
    options.ukulele = s_.instrument == 1;
    options.showEditMark = false;
    const MChord chord = s_.instrument == 1 ? chordlookup::obtenirMChordUk(name, doc.listeDefineUk())
                                            : chordlookup::obtenirMChord(name, doc.listeDefine());
    diagram::paintFretDiagram(painter_, cell.topLeft(), diagram::fretPlan(name, chord, options, size), colors);
}

int Renderer::drawDiagrams(const QRectF &frame, const ChordPro &doc, int shown)
{
    const int left = int(chords_.size()) - shown;
    if (left <= 0)
        return shown;
    const Grid grid = diagramGrid(frame.size(), left);
    const QRectF onPage = platform::flipY(frame, page_.height());
    for (int i = 0; i < grid.n; ++i) {
        const QRectF cell = platform::flipY(cellRect(grid, frame.size(), i), frame.height());
        drawCell(cell.translated(onPage.topLeft()), chords_.at(shown + i), doc);
    }
    return shown + grid.n;
}

RenderResult Renderer::run(ChordPro &doc, const chordpro::HeaderInfo &header)
{
    RenderResult result;
    const bool strips = s_.layout >= StripContinued && s_.layout <= StripPairs;
    const bool stripUnderEveryPage = s_.layout == StripContinued || s_.layout == StripRestarted || s_.layout == StripPairs;
    const QRectF textArea = stripUnderEveryPage ? QRectF(0, kTextY, page_.width(), page_.height() - kTextY)
                                                : QRectF(QPointF(), page_);
    const QRectF textOnPage = platform::flipY(textArea, page_.height());

    chordpro::PageRequest request;
    request.lyricsOnly = s_.lyricsOnly;
    request.modeAffichage = 0;
    request.includeTitle = s_.includeHeader;
    request.header = header;

    int shown = 0;
    bool chordsKnown = false;
    for (int p = 1; p <= kMaxPages; ++p) {
        beginPage();
        request.pageNo = p;
        doc.chargerPage(painter_, textOnPage, request);
        const int last = std::max(1, doc.nbPages());
        if (!chordsKnown) {
            chordsKnown = true;
            chords_ = s_.layout == NoDiagrams ? QStringList() : chordNames(doc.listeAccords());
            // The song's own shapes win over the library: make them readable first.
            if (!doc.listeDefineOrig().isEmpty() && !doc.defineConverted())
                doc.convertDefine();
            if (!doc.listeInversionOrig().isEmpty() && !doc.inversionConverted())
                doc.convertInversion();
            if (!chords_.isEmpty())
                Data::chargerAllChordsString(false, -1, false);
        }
        if (strips) {
            double stripHeight = kCell;
            if (p == last)
                stripHeight = lastStripHeight(s_.layout, int(chords_.size()) - shown, page_, textArea.height(),
                                              doc.obtenirPourcentOccup());
            if (stripHeight > 0 && (s_.layout != LastPageOnly || p == last))
                shown = drawDiagrams(QRectF(0, kStripY, page_.width(), stripHeight), doc, shown);
        }
        ++result.songPages;
        if (p >= last)
            break;
        if (s_.layout == StripRestarted || (s_.layout == StripPairs && p % 2 == 0))
            shown = 0;
    }
    if (s_.layout != NoDiagrams) {
        for (int extra = 0; extra < kExtraPages && shown < chords_.size(); ++extra) {
            beginPage();
            shown = drawDiagrams(QRectF(QPointF(), page_), doc, shown);
            ++result.extraPages;
        }
    }
    result.chordsDrawn = shown;
    result.ok = true;
    return result;
}

} // namespace

RenderResult renderSongPdf(const QString &songPath, const platform::FileBytes &song, const PdfSettings &settings,
                           const chordpro::HeaderInfo &header, QByteArray *pdf)
{
    RenderResult result;
    const QSizeF page = pageSize(settings.paper, settings.orientation);
    const bool stripUnderEveryPage = settings.layout == StripContinued || settings.layout == StripRestarted
                                     || settings.layout == StripPairs;
    const QSizeF textSize(page.width(), stripUnderEveryPage ? page.height() - kTextY : page.height());

    ChordPro doc(QRectF(QPointF(), textSize), &settings, true);
    doc.setUseSizeRefStatique(settings.frame == 0);
    const double zoom = settings.zoom > 0 ? settings.zoom : 1.0;
    doc.setSizeRefSpecified(QSizeF(textSize.width() / zoom, textSize.height() / zoom));
    doc.setLyricsAlignmentLeft(settings.lyricsAlignmentLeft);
    doc.chargerFichier(songPath, song);
    // An empty file is an empty song here, not a broken one: it gives its page 1.
    const bool emptySong = song.ok() && song.bytes.isEmpty();
    if (!doc.loadProblem().isEmpty() && !emptySong) {
        result.error = doc.loadProblem();
        return result;
    }

    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(72);
        writer.setCreator(QStringLiteral("Tolvane"));
        writer.setTitle(header.title);
        writer.setPageSize(QPageSize(page, QPageSize::Point, QString(), QPageSize::ExactMatch));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Point);
        QPainter painter;
        if (!painter.begin(&writer)) {
            result.error = QStringLiteral("The PDF could not be started.");
            return result;
        }
        Renderer renderer(settings, painter, writer);
        result = renderer.run(doc, header);
        painter.end();
    }
    if (result.ok && pdf)
        *pdf = buffer.data();
    return result;
}

} // namespace pdfexport
