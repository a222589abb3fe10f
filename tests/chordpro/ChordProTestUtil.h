#pragma once

#include "chordpro/ChordPro.h"
#include "platform/MainThreadFiles.h"
#include "platform/RegularFile.h"

#include <QStringList>

#include <ostream>

// Readable test failures.
inline void PrintTo(const QString &text, std::ostream *os) { *os << '"' << text.toStdString() << '"'; }
inline void PrintTo(const QStringList &list, std::ostream *os) { *os << list.join(QLatin1Char('\n')).toStdString(); }

namespace cptest {

// A song read as a window's renderer reads it, this thread standing in for the renderer's.
inline void load(ChordPro &cp, const QString &path)
{
    const platform::MainThreadFileScope renderer("the test's song, read as the renderer's thread reads it");
    cp.chargerFichier(path, platform::readRegularFile(path, ChordPro::kMaxSongBytes));
}

// Display options a window would give.
struct Options : ChordProOptions {
    bool gap = false;
    bool lyricsBoldFlag = false;
    bool chordsBoldFlag = false;
    bool gapOption() const override { return gap; }
    bool lyricsBold() const override { return lyricsBoldFlag; }
    bool chordsBold() const override { return chordsBoldFlag; }
};

inline QString tag(chordpro::Style style)
{
    using chordpro::Style;
    switch (style) {
    case Style::Header: return QStringLiteral("head");
    case Style::Text: return QStringLiteral("L");
    case Style::TextHI: return QStringLiteral("H");
    case Style::TextCR: return QStringLiteral("gap");
    case Style::Chord: return QStringLiteral("C");
    case Style::Directive: return QStringLiteral("cmt");
    case Style::DirectiveSpacer: return QStringLiteral("band");
    case Style::Indent: return QStringLiteral("bar");
    case Style::Indent2: return QStringLiteral("in");
    case Style::Spacer: return QStringLiteral("sp");
    case Style::SpacerIndent: return QStringLiteral("barsp");
    case Style::SpacerIndent2: return QStringLiteral("barend");
    case Style::SpacerLR: return QStringLiteral("rule");
    case Style::Count: break;
    }
    return QStringLiteral("?");
}

// The rendered text of the last pass as visual lines "tag|text": the tag is
// the style of the line's first character, the text right-trimmed, NBSP as '='.
inline QStringList lines(const std::vector<chordpro::StyledRun> &runs)
{
    QStringList out;
    QString current;
    QString currentTag;
    for (const chordpro::StyledRun &run : runs) {
        for (const QChar c : run.text) {
            if (currentTag.isEmpty())
                currentTag = tag(run.style);
            if (c == QLatin1Char('\n')) {
                while (current.endsWith(QLatin1Char(' ')))
                    current.chop(1);
                out << currentTag + QLatin1Char('|') + current;
                current.clear();
                currentTag.clear();
            } else {
                current += c == QChar(0x00A0) ? QLatin1Char('=') : c;
            }
        }
    }
    if (!currentTag.isEmpty())
        out << currentTag + QLatin1Char('|') + current;
    return out;
}

inline QStringList lines(const ChordPro &cp) { return lines(cp.obtenirDocumentComplet()); }

// Lays text out (all pages) and answers the lines after the top margin.
inline QStringList layout(ChordPro &cp, const QString &text, int mode = chordpro::ModeChords, int page = 0)
{
    cp.setChordProData(text);
    cp.traiterChordProData(text, mode, page, 0);
    QStringList all = lines(cp);
    if (!all.isEmpty() && all.first() == QLatin1String("sp|"))
        all.removeFirst();
    return all;
}

// A song as a window loads it: its text, and the reference measurements at its font size.
inline ChordPro loaded(const QString &text, const ChordProOptions *options = nullptr, bool useRef = false)
{
    ChordPro cp(QRectF(0, 0, 611, 752), options, useRef);
    cp.setChordProData(text);
    cp.ajusterAttributsPourRendering(ChordPro::obtenirFontSize(text, 17.0), true);
    return cp;
}

inline QStringList layout(const QString &text, int mode = chordpro::ModeChords, int page = 0)
{
    ChordPro cp(QRectF(0, 0, 611, 752), nullptr, false);
    return layout(cp, text, mode, page);
}

} // namespace cptest
