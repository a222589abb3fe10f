// A page of the song fitted into a view: the page is scaled from the
// reference size to the view, laid out, and turned into the runs and fills
// that paintPage draws.
#include "chordpro/ChordPro.h"

#include <QPainter>
#include <cmath>

using namespace chordpro;

namespace {
// Inner margin of a text line at each end, as a text view keeps it.
constexpr double kLinePadding = 5.0;
} // namespace

QColor ChordPro::drawnTextColor(const TextStyle &st) const
{
    // Colours chosen for one window (white on black) must still read in
    // another (black on white): text keeps enough contrast with what is under it.
    const QColor under = st.hasBackground ? color(st.background) : color(ColorRole::Background);
    if (st.hasBackground && st.background == ColorRole::Highlight)
        return highlightTextColor(color(ColorRole::Text), color(ColorRole::Background), under);
    return readableOn(color(st.foreground), under, kTextContrast);
}

QColor ChordPro::drawnFillColor(const TextStyle &st) const
{
    // A chorus bar must stand out from the page; boxes under text keep their colour.
    if (st.background == ColorRole::Bar)
        return readableOn(color(ColorRole::Bar), color(ColorRole::Background), kShapeContrast);
    return color(st.background);
}

const ChordProPage &ChordPro::chargerPage(QPainter &painter, const QRectF &target, const PageRequest &request)
{
    chargerPage(target.size(), request);
    paintPage(painter, page_, target.topLeft());
    return page_;
}

const ChordProPage &ChordPro::chargerPage(const QSizeF &viewSize, const PageRequest &request)
{
    // Only the half-page band's layout keeps its lines off the page's middle.
    struct SeamScope {
        bool &flag;
        ~SeamScope() { flag = false; }
    } seamScope{seamAtMiddle_};
    seamAtMiddle_ = request.modeAffichage == 1 && !request.lyricsOnly;
    page_ = ChordProPage();
    page_.size = viewSize;
    page_.background = color(ColorRole::Background);
    // An empty song still lays out when asked for its header: page 1 of an
    // exported empty song carries the title like any other.
    if (chordProData_.isEmpty() && !request.includeTitle) {
        rstra_.clear();
        rstraLength_ = 0;
        page_.pageCount = nbPages_;
        return page_;
    }

    // The reference in force now: the shared size may have changed since loading.
    sizeRefInst_ = referenceInForce();
    updateNbMaxCarRef();
    const double refW = sizeRefInst_.width();
    const double refH = sizeRefInst_.height();
    const double viewW = std::max(0.0, viewSize.width());
    const double viewH = std::max(0.0, viewSize.height());

    cumulHeightMax_ = 0;
    cumulHeightPage_ = 0;
    const double hh = request.includeTitle ? styles_[Style::Header].lineHeight() : 0.0;

    // Fit the reference page into the view.
    const double avail = viewH - hh;
    double frameH = viewW * refH / refW;
    double frameW;
    if (avail < frameH) {
        frameW = std::max(0.0, avail) * refW / refH;
        frameH = frameW * refH / refW;
    } else {
        frameW = refW * frameH / refH;
    }
    myFrame_ = QRectF(0, 0, frameW, frameH);
    heightNonUtilise_ = std::max(0.0, avail - frameH);

    auto rebuild = [this](double size) {
        // A view of no size still lays out (page count), with a tiny font.
        ajusterAttributsPourRendering(std::isfinite(size) && size > 0.01 ? size : 0.01, false);
    };
    rebuild(myFontSizeRef_ * frameH / refH);
    nbMaxCarReel_ = 0;
    lyricsCenter_ = 0;

    const int mode = request.lyricsOnly ? (request.ratio21 ? ModeLyricsHalves : ModeLyrics) : ModeChords;
    traiterChordProData(chordProData_, mode, request.pageNo, 0);

    std::vector<StyledRun> header;
    if (!request.lyricsOnly) {
        if (request.includeTitle)
            genererHeader(request.pageNo, request.header, viewW, header);
        buildPage(viewSize, header, 0.0, false);
        return page_;
    }

    // Lyrics only: enlarge the lyrics to fill the view and centre them.
    const double available = request.modeAffichage == 1 ? frameH * 321.0 / 374.0 : avail;
    frameH = viewW * refH / refW;
    if (frameH > available) {
        frameW = std::max(0.0, available) * refW / refH;
        frameH = frameW * refH / refW;
    } else {
        frameW = frameH * refW / refH;
    }
    myFrame_ = QRectF(0, 0, frameW, frameH);

    // With no lyric output there is nothing to enlarge for: the factor stays 1.
    double k = 0;
    if (cumulHeightMax_ > 0)
        k = refH / cumulHeightMax_;
    const double lineWidth = nbMaxCarReel_ * styles_[Style::Text].blankWidth();
    if (lineWidth > 0) {
        const double byWidth = viewW / lineWidth;
        k = k > 0 ? std::min(k, byWidth) : byWidth;
    }
    if (!(k > 0) || !std::isfinite(k))
        k = 1.0;

    rebuild(myFontSizeRef_ * frameH / refH * k);
    cumulHeightPage_ = 0;
    traiterChordProData(chordProData_, mode, request.pageNo, 0);

    double filler = 0;
    if (request.modeAffichage == 1) {
        if (lyricsCenter_ > 0)
            filler = avail * 0.5 - k * frameH * lyricsCenter_ / refH;
    } else {
        filler = (avail - cumulHeightPage_ * frameH / refH * k) * 0.5;
    }
    if (request.includeTitle)
        genererHeader(request.pageNo, request.header, viewW, header);
    buildPage(viewSize, header, std::max(0.0, filler), !lyricsAlignmentLeft_);
    return page_;
}

void ChordPro::genererHeader(int pageNo, const HeaderInfo &info, double viewWidth, std::vector<StyledRun> &out) const
{
    const double blank = styles_[Style::Header].blankWidth();
    if (!(blank > 0))
        return;
    const QString artist = info.artist.trimmed();
    QString text = artist.isEmpty() ? QStringLiteral("%1 %2").arg(info.title.trimmed(), info.note)
                                    : QStringLiteral("%1 (%2) %3").arg(info.title.trimmed(), artist, info.note);
    // Never cut to a negative length (a page narrower than the page mark).
    const double fit = myFrame_.width() / blank - 13.0;
    const qsizetype maxLength = fit > 0 ? qsizetype(std::min(fit, 1.0e6)) : 0;
    if (text.size() > maxLength)
        text.truncate(maxLength);
    const QString mark = QStringLiteral("Page:%1/%2").arg(QString::number(pageNo), QString::number(nbPages_));
    const qsizetype total = qsizetype(std::clamp(viewWidth / blank - 1.0, 0.0, 1.0e6));
    if (text.size() + mark.size() < total)
        text += QString(total - text.size() - mark.size(), QLatin1Char(' '));
    out.push_back({text + mark + QLatin1Char('\n'), Style::Header});
}

void ChordPro::buildPage(const QSizeF &viewSize, const std::vector<StyledRun> &header, double filler, bool centred)
{
    struct Piece {
        QString text;
        Style style;
        bool lineEnd;
    };
    const double viewW = viewSize.width();
    double y = 0;
    std::vector<Piece> line;
    // What each drawn line holds, so lines can be moved after the fact.
    struct Span {
        size_t firstRun;
        size_t firstFill;
        bool chordsOnly;
        bool hasText;
    };
    std::vector<Span> spans;

    auto drawLine = [&](const std::vector<Piece> &pieces, const TextStyle &paragraph) {
        double fontHeight = 0;
        double descent = 0;
        double contentWidth = 0;
        double width = 0;
        for (const Piece &p : pieces) {
            const TextStyle &st = styles_[p.style];
            fontHeight = std::max(fontHeight, st.fontLineHeight());
            descent = std::max(descent, st.descent());
            width += p.text.size() * st.blankWidth();
            int visible = int(p.text.size());
            while (visible > 0 && p.text.at(visible - 1).isSpace())
                --visible;
            if (visible > 0)
                contentWidth = width - (p.text.size() - visible) * st.blankWidth();
        }
        const double height = paragraph.maxLineHeight > 0 ? std::min(fontHeight, paragraph.maxLineHeight) : fontHeight;
        // A centred line of blanks only (a chorus bar spacer, a page-break
        // rule) has nothing to be centred on: it starts at the margin, and a
        // bar stub on it, which would float in mid-page, is left out.
        const bool blankOnly = contentWidth <= 0;
        double x = kLinePadding;
        if (centred && !blankOnly)
            x = std::max(0.0, kLinePadding + (viewW - 2 * kLinePadding - contentWidth) * 0.5);
        const double baseline = y + height - descent;
        Span span{page_.runs.size(), page_.fills.size(), true, false};
        QString plain;
        for (const Piece &p : pieces) {
            const TextStyle &st = styles_[p.style];
            const double w = p.text.size() * st.blankWidth();
            if (st.hasBackground && !(centred && blankOnly && !p.lineEnd)) {
                const double right = p.lineEnd ? std::max(x + w, viewW - kLinePadding) : x + w;
                if (right > x && height > 0)
                    page_.fills.push_back({QRectF(x, y, right - x, height), drawnFillColor(st), p.style});
            }
            if (!p.text.trimmed().isEmpty()) {
                page_.runs.push_back({QPointF(x, baseline), p.text, p.style, st.pointSize, st.mono, st.bold,
                                      drawnTextColor(st), w});
                span.chordsOnly = span.chordsOnly && p.style == Style::Chord;
            }
            plain += p.text;
            x += w;
        }
        span.hasText = span.firstRun < page_.runs.size();
        span.chordsOnly = span.chordsOnly && span.hasText;
        page_.lines.push_back(plain);
        page_.lineBoxes.push_back(QRectF(0, y, viewW, height));
        spans.push_back(span);
        y += height;
    };

    // A line that would run off the view (a long comment, chords beside one)
    // wraps as a text view wraps it: after the last blank that fits, else at
    // the first character that does not; blanks at the end may hang over.
    // The header is made to fit and never wraps.
    const double room = viewW - kLinePadding;
    bool wrapping = false;
    auto wrapPoint = [&](const std::vector<Piece> &pieces) -> int {
        // Below the view nothing shows: a huge line is not cut up any further.
        if (!wrapping || !(room > 0) || y > viewSize.height())
            return -1;
        double x = 0;
        int index = 0;
        int lastBlank = -1;
        for (const Piece &p : pieces) {
            const double w = styles_[p.style].blankWidth();
            for (const QChar c : p.text) {
                if (x + w > room + 1e-6 && !c.isSpace())
                    return lastBlank > 0 ? lastBlank + 1 : std::max(index, 1);
                if (c == QLatin1Char(' '))
                    lastBlank = index;
                x += w;
                ++index;
            }
        }
        return -1;
    };
    auto flush = [&] {
        if (line.empty())
            return;
        // The line's first character sets its paragraph's maximum height.
        const TextStyle &paragraph = styles_[line.front().style];
        for (int at = wrapPoint(line); at > 0; at = wrapPoint(line)) {
            std::vector<Piece> first;
            std::vector<Piece> rest;
            int count = 0;
            for (const Piece &p : line) {
                const int n = int(p.text.size());
                if (count + n <= at) {
                    first.push_back({p.text, p.style, false});
                } else if (count >= at) {
                    rest.push_back(p);
                } else {
                    first.push_back({p.text.left(at - count), p.style, false});
                    rest.push_back({p.text.mid(at - count), p.style, p.lineEnd});
                }
                count += n;
            }
            drawLine(first, paragraph);
            line = std::move(rest);
            if (line.empty())
                break;
        }
        if (!line.empty())
            drawLine(line, paragraph);
        line.clear();
    };

    auto feed = [&](const std::vector<StyledRun> &runs) {
        for (const StyledRun &run : runs) {
            qsizetype from = 0;
            while (from <= run.text.size()) {
                const qsizetype nl = run.text.indexOf(QLatin1Char('\n'), from);
                if (nl < 0) {
                    if (from < run.text.size())
                        line.push_back({run.text.mid(from), run.style, false});
                    break;
                }
                line.push_back({run.text.mid(from, nl - from), run.style, true});
                flush();
                from = nl + 1;
            }
        }
    };

    feed(header);
    y += filler;
    const double seam = y + myFrame_.height() * 0.5;
    wrapping = true;
    feed(rstra_);
    flush();
    page_.pageCount = nbPages_;
    if (!seamAtMiddle_)
        return;

    // The half-page band splits the page at its middle: the first line of
    // text across it (with the chord line above it) moves down onto it, when
    // the page has the room (the page breaks left room for it).
    constexpr double kTolerance = 0.5;
    auto &boxes = page_.lineBoxes;
    size_t at = 0;
    while (at < boxes.size() && !(spans[at].hasText && boxes[at].bottom() > seam + kTolerance))
        ++at;
    if (at == boxes.size())
        return;
    // Candidates, best first: the chord line with its lyric, the line alone.
    std::vector<size_t> starts;
    if (at > 0 && spans[at - 1].chordsOnly && !spans[at].chordsOnly && boxes[at - 1].top() < seam - kTolerance)
        starts.push_back(at - 1);
    if (boxes[at].top() < seam - kTolerance)
        starts.push_back(at);
    for (const size_t from : starts) {
        const double shift = seam - boxes[from].top();
        double bottom = 0;
        for (size_t i = from; i < boxes.size(); ++i)
            if (spans[i].hasText)
                bottom = std::max(bottom, boxes[i].bottom());
        if (!(shift > 0) || bottom + shift > viewSize.height() + kTolerance)
            continue;
        for (size_t i = from; i < boxes.size(); ++i)
            boxes[i].translate(0, shift);
        for (size_t i = spans[from].firstRun; i < page_.runs.size(); ++i)
            page_.runs[i].baseline.ry() += shift;
        for (size_t i = spans[from].firstFill; i < page_.fills.size(); ++i)
            page_.fills[i].rect.translate(0, shift);
        return;
    }
}
