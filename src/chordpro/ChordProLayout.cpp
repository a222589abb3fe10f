// The layout pass: scans the song text once, building a chord line and a lyric
// line side by side, and emits them as typed segments whose heights (at the
// reference font size) decide the page breaks.
#include "chordpro/ChordPro.h"

#include <cmath>

using namespace chordpro;

namespace {

// Segment types: how much room a segment needs before a page break and how
// much height it adds.
enum SegmentType {
    SegContinue = 0,    // continues the current visual line
    SegLyric = 1,
    SegSpacer = 2,
    SegComment = 3,
    SegChordLine = 4,   // kept with the lyric line under it
    SegCommentBand = 5,
    SegGap = 6,
    SegBesideComment = 7 // lyrics only: a line shown beside a comment in the full layout
};

const QChar kNoBreakSpace(0x00A0);

bool isBlankOnly(const QString &text)
{
    for (const QChar c : text)
        if (c != QLatin1Char(' '))
            return false;
    return true;
}

struct Range {
    int start;
    int end;
};

constexpr int kMaxRangesPerLine = 50;

} // namespace

struct ChordPro::Scanner {
    ChordPro &cp;
    const QString &src;
    const int mode;
    const int pageNo;
    const bool lyricsOnly;
    const bool gap;

    // The line being built.
    QString chord;
    QString lyric;
    std::vector<Range> highlights;
    std::vector<Range> embeddedChords;
    int overhang = 0;
    int omitted = 0;       // embedded chord characters left out in lyrics-only modes
    int lyricChars = 0;    // lyric characters read from the source (not padding)
    bool lineDirective = false;
    int highlightFrom = -1;

    // The last blank of the source on this line, where a long line breaks.
    struct BlankMark {
        int source = -1;
        int lyricLength = 0;
        int omitted = 0;
        size_t highlights = 0;
        int highlightFrom = -1;
        size_t embeddedChords = 0;
    } blank;

    // Carried from line to line.
    bool chorus = false;
    bool embeddedLine = false;
    bool embeddedPending = false;
    bool heldLineEnd = false;
    int heldCommentLength = 0;

    Scanner(ChordPro &owner, const QString &text, int m, int p)
        : cp(owner)
        , src(text)
        , mode(m)
        , pageNo(p)
        , lyricsOnly(m != ModeChords)
        , gap(owner.styles_.gap)
    {
    }

    void add(std::vector<StyledRun> segment, int type, bool lyrics)
    {
        cp.ajouterLigne(segment, type, pageNo, mode, lyrics);
    }
    void add(const QString &text, Style style, int type, bool lyrics) { add({{text, style}}, type, lyrics); }

    void releaseHeldLineEnd()
    {
        if (!heldLineEnd)
            return;
        heldLineEnd = false;
        add(QStringLiteral("\n"), Style::Indent2, SegContinue, false);
    }

    int widthLimit() const { return cp.nbMaxCarRef_ - (chorus ? 2 : 0); }
    int lineWidth() const { return int(lyric.size()) + overhang + omitted; }

    void handleDirective(const QString &text, bool reread)
    {
        if (text.size() >= 8 && text.startsWith(QLatin1String("define:")) && text.contains(QLatin1String("frets"))) {
            lineDirective = true;
            if (reread)
                return;
            const qsizetype frets = text.indexOf(QLatin1String("frets"));
            QString &list = text.size() - frets < 17 ? cp.listeDefineOrigUk_ : cp.listeDefineOrig_;
            list += QLatin1Char('{') + text + QLatin1Char('}');
            return;
        }
        if (text.size() >= 9 && text.startsWith(QLatin1String("x_piano:")) && text.contains(QLatin1String("inversion"))) {
            lineDirective = true;
            if (!reread)
                cp.listeInversionOrig_ += QLatin1Char('{') + text + QLatin1Char('}');
            return;
        }
        if (text == QLatin1String("start_of_chorus") || text == QLatin1String("soc")) {
            releaseHeldLineEnd();
            chorus = true;
            return;
        }
        if (text == QLatin1String("end_of_chorus") || text == QLatin1String("eoc")) {
            lineDirective = true;
            releaseHeldLineEnd();
            chorus = false;
            // Read again after a wrap: its spacer is already out.
            if (gap && !reread)
                add(QStringLiteral(" \n"), Style::Spacer, SegSpacer, false);
            return;
        }
        if (text == QLatin1String("soh")) {
            if (highlightFrom < 0 && highlights.size() < kMaxRangesPerLine)
                highlightFrom = int(lyric.size());
            return;
        }
        if (text == QLatin1String("eoh")) {
            if (highlightFrom >= 0)
                highlights.push_back({highlightFrom, int(lyric.size())});
            highlightFrom = -1;
            return;
        }
        if (text == QLatin1String("soe") || text == QLatin1String("eoe")) {
            lineDirective = true;
            releaseHeldLineEnd();
            embeddedPending = text == QLatin1String("soe");
            return;
        }
        lineDirective = true;
        QString comment;
        if (text.startsWith(QLatin1String("comment:")))
            comment = text.mid(8);
        else if (text.startsWith(QLatin1String("c:")))
            comment = text.mid(2);
        else
            return;
        if (reread)
            return;
        comment = comment.trimmed();
        releaseHeldLineEnd();
        if (gap)
            add(QStringLiteral(" \n"), Style::Spacer, SegSpacer, false);
        add(QString(comment.size(), kNoBreakSpace), Style::DirectiveSpacer, SegCommentBand, false);
        add(QStringLiteral("\n"), Style::Indent2, SegContinue, false);
        add(comment, Style::Directive, SegComment, false);
        add(QStringLiteral(" "), Style::Indent2, SegContinue, false);
        heldLineEnd = true;
        heldCommentLength = int(comment.size());
    }

    // The chord ends: into the chord line, or into the lyric line in an
    // embedded section.
    void placeChord(const QString &name)
    {
        cp.traiterUnAccord(name);
        if (embeddedLine) {
            ++lyricChars;
            if (lyricsOnly) {
                omitted += int(name.size()) + 2;
                return;
            }
            lyric += QLatin1Char('(');
            if (embeddedChords.size() < kMaxRangesPerLine)
                embeddedChords.push_back({int(lyric.size()), int(lyric.size() + name.size())});
            lyric += name + QLatin1Char(')');
            return;
        }
        if (name.isEmpty())
            return;
        if (!chord.isEmpty() && !chord.endsWith(QLatin1Char(' '))) {
            chord += QLatin1Char(' ');
            lyric += QLatin1Char(' ');
        }
        chord += name;
        overhang += int(name.size());
    }

    std::vector<StyledRun> styledLyric(const QString &text) const
    {
        std::vector<Style> styles(size_t(text.size()), Style::Text);
        for (const Range &r : highlights)
            for (int i = std::max(0, r.start); i < std::min(r.end, int(text.size())); ++i)
                styles[size_t(i)] = Style::TextHI;
        for (const Range &r : embeddedChords)
            for (int i = std::max(0, r.start); i < std::min(r.end, int(text.size())); ++i)
                styles[size_t(i)] = Style::Chord;
        std::vector<StyledRun> runs;
        for (int i = 0; i < text.size(); ++i) {
            if (runs.empty() || runs.back().style != styles[size_t(i)])
                runs.push_back({QString(), styles[size_t(i)]});
            runs.back().text += text.at(i);
        }
        if (!runs.empty() && runs.back().style == Style::Text)
            runs.back().text += QLatin1Char('\n');
        else
            runs.push_back({QStringLiteral("\n"), Style::Text});
        return runs;
    }

    void emitLine()
    {
        QString text = lyric;
        if (text.endsWith(QLatin1Char('\n')))
            text.chop(1);
        const bool carryHighlight = highlightFrom >= 0;
        if (carryHighlight && highlights.size() < kMaxRangesPerLine)
            highlights.push_back({highlightFrom, int(text.size())});
        const bool hasChords = !embeddedLine && !isBlankOnly(chord);
        const bool hasLyrics = lyricChars > 0;

        if (hasChords) {
            const QString line = chord + QLatin1Char('\n');
            if (chorus) {
                releaseHeldLineEnd();
                add(QStringLiteral("  "), Style::Indent, SegLyric, false);
                add(QStringLiteral("  "), Style::Indent2, SegContinue, false);
                add(line, Style::Chord, SegContinue, false);
            } else if (heldLineEnd && !hasLyrics) {
                // Chords alone right after a comment sit on the comment's line.
                heldLineEnd = false;
                add(line, Style::Chord, SegContinue, false);
            } else {
                releaseHeldLineEnd();
                add(line, Style::Chord, hasLyrics ? SegChordLine : SegLyric, false);
            }
        }

        if (hasLyrics) {
            if (!isBlankOnly(text)) {
                std::vector<StyledRun> runs = styledLyric(text);
                if (heldLineEnd && !hasChords && !chorus
                    && heldCommentLength + text.size() <= cp.nbMaxCarRef_) {
                    heldLineEnd = false;
                    // Without the comment (lyrics only) the line still shows, on its own line.
                    add(std::move(runs), lyricsOnly ? SegBesideComment : SegContinue, true);
                } else if (chorus) {
                    releaseHeldLineEnd();
                    add(QStringLiteral("  "), Style::Indent, SegLyric, true);
                    add(QStringLiteral("  "), Style::Indent2, SegContinue, true);
                    add(std::move(runs), SegContinue, true);
                } else {
                    releaseHeldLineEnd();
                    add(std::move(runs), SegLyric, true);
                }
            }
        } else if (!lineDirective) {
            if (chorus) {
                if (gap) {
                    releaseHeldLineEnd();
                    // One segment, so a page break never falls between the
                    // bar and its line end.
                    add({{QStringLiteral("  "), Style::SpacerIndent}, {QStringLiteral(" \n"), Style::SpacerIndent2}},
                        SegSpacer, true);
                }
            } else {
                releaseHeldLineEnd();
                add(QStringLiteral(" \n"), Style::TextCR, SegGap, true);
            }
        }

        chord.clear();
        lyric.clear();
        highlights.clear();
        embeddedChords.clear();
        overhang = 0;
        omitted = 0;
        lyricChars = 0;
        lineDirective = false;
        blank = BlankMark();
        highlightFrom = carryHighlight ? 0 : -1;
        embeddedLine = embeddedPending;
    }

    // Breaks a long line after its last blank; answers where scanning resumes,
    // so the cut-off word and its chords are read again for the next line.
    int breakAtBlank()
    {
        lyric.truncate(blank.lyricLength);
        if (chord.size() > lyric.size())
            chord.truncate(lyric.size());
        omitted = blank.omitted;
        highlights.resize(std::min(highlights.size(), blank.highlights));
        highlightFrom = blank.highlightFrom;
        embeddedChords.resize(std::min(embeddedChords.size(), blank.embeddedChords));
        const int resume = blank.source + 1;
        lyric += QLatin1Char('\n');
        emitLine();
        return resume;
    }

    SourceRange run(int curPos)
    {
        SourceRange range;
        bool curSeen = false;
        bool waitLine = false;
        int maxSeen = -1;
        bool atLineStart = true;
        bool inChord = false;
        bool inDirective = false;
        bool chordInDirective = false;
        QString chordText;
        QString directive;

        const int n = int(src.size());
        int i = 0;
        auto noteLineEmitted = [&] {
            if (waitLine) {
                range.length = cp.rstraLength_ - range.location;
                waitLine = false;
            }
        };
        auto lineEnd = [&] {
            emitLine();
            noteLineEmitted();
        };

        while (i < n) {
            if (!curSeen && i >= curPos) {
                curSeen = true;
                waitLine = true;
                range.location = cp.rstraLength_;
            }
            const bool reread = i <= maxSeen;
            maxSeen = std::max(maxSeen, i);
            const QChar c = src.at(i);

            if (atLineStart && c == QLatin1Char('#')) {
                const qsizetype end = src.indexOf(QLatin1Char('\n'), i);
                i = end < 0 ? n : int(end) + 1;
                continue;
            }
            atLineStart = false;

            if (inDirective) {
                if (c == QLatin1Char('}')) {
                    inDirective = false;
                    chordInDirective = false;
                    handleDirective(directive, reread);
                } else if (c == QLatin1Char('\n')) {
                    atLineStart = true;
                } else if (c == QLatin1Char('\t') || c == QLatin1Char('\r') || c.isNull()) {
                } else {
                    // A chord named in a directive joins the chord list.
                    if (c == QLatin1Char('[')) {
                        chordInDirective = true;
                        chordText.clear();
                    } else if (c == QLatin1Char(']') && chordInDirective) {
                        chordInDirective = false;
                        cp.traiterUnAccord(chordText);
                    } else if (chordInDirective) {
                        chordText += c;
                    }
                    directive += c;
                }
                ++i;
                continue;
            }

            if (inChord) {
                if (c == QLatin1Char(']') || c == QLatin1Char('\r')) {
                    inChord = false;
                    placeChord(chordText);
                    ++i;
                    continue;
                }
                if (c == QLatin1Char('\n')) {
                    // An unclosed chord ends with its line.
                    inChord = false;
                    placeChord(chordText);
                } else {
                    if (c != QLatin1Char('\t') && !c.isNull())
                        chordText += c;
                    ++i;
                    continue;
                }
            }

            if (c == QLatin1Char('[')) {
                if (overhang > 0 && !embeddedLine) {
                    lyric += QString(overhang, QLatin1Char(' '));
                    overhang = 0;
                }
                inChord = true;
                chordText.clear();
                ++i;
                continue;
            }
            if (c == QLatin1Char('{')) {
                inDirective = true;
                directive.clear();
                ++i;
                continue;
            }
            if (c == QLatin1Char('\t') || c == QLatin1Char('\r') || c.isNull()) {
                ++i;
                continue;
            }

            // A lyric character; the line end too.
            const bool hadText = !lyric.isEmpty();
            const int overhangBefore = overhang;
            if (overhang > 0)
                --overhang;
            else
                chord += QLatin1Char(' ');
            lyric += c;
            const bool isLineEnd = c == QLatin1Char('\n');
            if (!isLineEnd)
                ++lyricChars;
            if (c == QLatin1Char(' ')) {
                blank.source = i;
                blank.lyricLength = int(lyric.size());
                blank.omitted = omitted;
                blank.highlights = highlights.size();
                blank.highlightFrom = highlightFrom;
                blank.embeddedChords = embeddedChords.size();
            }
            if (lineWidth() > widthLimit()) {
                if (blank.source >= 0) {
                    i = breakAtBlank();
                    noteLineEmitted();
                    continue;
                }
                if (hadText) {
                    // One word longer than the line: it breaks before this character,
                    // which starts the next line. A line always keeps one character.
                    lyric.chop(1);
                    if (overhangBefore > 0)
                        overhang = overhangBefore;
                    else
                        chord.chop(1);
                    if (!isLineEnd)
                        --lyricChars;
                    lyric += QLatin1Char('\n');
                    lineEnd();
                    continue;
                }
            }
            if (isLineEnd) {
                lineEnd();
                atLineStart = true;
            }
            ++i;
        }
        if (inChord)
            placeChord(chordText);
        if (!lyric.isEmpty() || !isBlankOnly(chord) || lyricChars > 0 || lineDirective) {
            lyric += QLatin1Char('\n');
            lineEnd();
        }
        releaseHeldLineEnd();
        if (!curSeen || range.location > cp.rstraLength_) {
            range.location = std::max(0, cp.rstraLength_ - 1);
            range.length = 0;
        }
        return range;
    }
};

SourceRange ChordPro::traiterChordProData(const QString &text, int mode, int pageNo, int curPos)
{
    if (mode < ModeChords || mode > ModeLyricsHalves)
        mode = ModeChords;
    cumulHeight_ = 0;
    lyricsCenterCurrent_ = 0;
    nbPages_ = 0;
    cumulHeightLyrics_ = 0;
    cumulHeightLyricsBottom_ = 0;
    centreCrossed_ = false;
    lastSegmentTop_ = true;
    visualLineWidth_ = 0;
    rstra_.clear();
    rstraLength_ = 0;
    listeAccords_.clear();
    listeDefine_.clear();
    listeDefineOrig_.clear();
    listeDefineUk_.clear();
    listeDefineOrigUk_.clear();
    listeInversion_.clear();
    listeInversionOrig_.clear();
    // The lists were just emptied: neither conversion stands any more.
    defineConverted_ = false;
    inversionConverted_ = false;

    Scanner scanner(*this, text, mode, pageNo);
    scanner.add(QStringLiteral(" \n"), Style::Spacer, SegSpacer, false);
    const SourceRange range = scanner.run(curPos);
    // A song with nothing to show on lyrics-only pages still has its one page.
    if (cumulHeight_ > 0 || nbPages_ == 0)
        ++nbPages_;
    return range;
}

double ChordPro::roomNeeded(int type) const
{
    const double lyric = refStyles_[Style::Text].lineHeight();
    switch (type) {
    case SegLyric: return lyric;
    case SegSpacer: return refStyles_[Style::Spacer].lineHeight();
    case SegComment: return refStyles_[Style::Directive].lineHeight();
    case SegChordLine: return 2 * lyric;
    case SegCommentBand:
        return refStyles_[Style::DirectiveSpacer].lineHeight() + refStyles_[Style::Directive].lineHeight();
    case SegGap: return refStyles_[Style::TextCR].lineHeight();
    default: return 0;
    }
}

double ChordPro::heightAdded(int type) const
{
    switch (type) {
    case SegChordLine: return refStyles_[Style::Text].lineHeight();
    case SegCommentBand: return refStyles_[Style::DirectiveSpacer].lineHeight();
    default: return roomNeeded(type);
    }
}

void ChordPro::appendOutput(const std::vector<StyledRun> &segment)
{
    for (const StyledRun &run : segment) {
        if (!rstra_.empty() && rstra_.back().style == run.style)
            rstra_.back().text += run.text;
        else
            rstra_.push_back(run);
        rstraLength_ += int(run.text.size());
    }
}

void ChordPro::ajouterLigne(const std::vector<StyledRun> &segment, int type, int pageNo, int mode, bool lyrics)
{
    const double refHeight = sizeRefInst_.height();
    // A line beside a comment takes no room of its own, except where the
    // comment itself takes none (lyrics-only pages without the shared size).
    const bool besideComment = type == SegBesideComment;
    const bool uncountedComment = mode == ModeLyrics && !useSizeRefStatique_;
    const double lyricHeight = refStyles_[Style::Text].lineHeight();
    const double h = besideComment ? (uncountedComment ? lyricHeight : 0.0) : heightAdded(type);
    const double room = besideComment ? h : roomNeeded(type);
    const double lyricsH = besideComment ? lyricHeight : h;

    // Room for the gap that keeps a line (a chord line with its lyric) off the
    // page's middle, where the half-page band splits the page.
    if (seamAtMiddle_ && room > 0 && mode == ModeChords) {
        const double seam = refHeight * 0.5;
        if (cumulHeight_ < seam && cumulHeight_ + room > seam + 1e-6)
            cumulHeight_ = seam;
    }
    if (room > 0 && cumulHeight_ + room > refHeight) {
        ++nbPages_;
        if (pageNo == 0)
            appendOutput({{QStringLiteral(" \n"), Style::SpacerLR}});
        // The top margin belongs to the page starting here (its top half):
        // a page asked for alone must sit where it sits among all pages.
        const int starting = nbPages_ + 1;
        const bool wanted = mode == ModeLyricsHalves ? pageNo % 2 == 1 && (pageNo + 1) / 2 == starting
                                                     : pageNo == starting;
        if (pageNo == 0 || wanted)
            appendOutput({{QStringLiteral(" \n"), Style::Spacer}});
        cumulHeight_ = refStyles_[Style::Spacer].lineHeight();
        cumulHeightLyrics_ = cumulHeight_;
        cumulHeightLyricsBottom_ = 0;
        lyricsCenterCurrent_ = 0;
        centreCrossed_ = false;
    }
    if (!centreCrossed_ && cumulHeight_ + h * 0.5 > refHeight * 0.5) {
        centreCrossed_ = true;
        lyricsCenterCurrent_ = cumulHeightLyrics_;
    }
    if (!(mode == ModeLyrics && !lyrics && !useSizeRefStatique_))
        cumulHeight_ += h;
    if (mode != ModeChords && !lyrics)
        return;

    bool top = lastSegmentTop_;
    if (mode == ModeLyricsHalves) {
        if (lyricsH > 0)
            top = cumulHeight_ - h * 0.5 <= refHeight * 0.5;
        lastSegmentTop_ = top;
        double &half = top ? cumulHeightLyrics_ : cumulHeightLyricsBottom_;
        half += lyricsH;
        cumulHeightMax_ = std::max(cumulHeightMax_, half);
    } else {
        cumulHeightLyrics_ += lyricsH;
        cumulHeightMax_ = std::max(cumulHeightMax_, cumulHeightLyrics_);
    }
    // Measured over the whole visual line in lyric characters: a chorus line's
    // bar and indent are segments of their own and must fit the view too.
    for (const StyledRun &run : segment)
        visualLineWidth_ += run.text.size() * styles_[run.style].blankWidth();
    const double lyricBlank = styles_[Style::Text].blankWidth();
    if (lyricBlank > 0)
        nbMaxCarReel_ = std::max(nbMaxCarReel_, int(std::ceil(std::min(visualLineWidth_ / lyricBlank - 1e-9, 1.0e6))));
    if (!segment.empty() && segment.back().text.endsWith(QLatin1Char('\n')))
        visualLineWidth_ = 0;

    const int page = nbPages_ + 1;
    if (mode == ModeLyricsHalves && pageNo != 0) {
        if (top != (pageNo % 2 == 1))
            return;
        if (page != (pageNo + 1) / 2)
            return;
    } else if (pageNo != 0 && page != pageNo) {
        return;
    }
    cumulHeightPage_ += lyricsH;
    appendOutput(segment);
    lyricsCenter_ = lyricsCenterCurrent_;
}
