// ChordPro song text of any shape: loading, every layout mode, the header,
// the definition conversions and drawing a page.
#include "FuzzSupport.h"

#include "chordpro/ChordPro.h"
#include "library/TextCodec.h"

#include <QImage>
#include <QPainter>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const QString text = textcodec::decode(fuzzsupport::bytes(data + 1, size - 1));
    const uint8_t flags = data[0];
    ChordPro song(QRectF(0, 0, 611, 752), nullptr, flags & 1);
    song.setChordProData(text);
    song.ajusterAttributsPourRendering(ChordPro::obtenirFontSize(text, 17.0), true);

    chordpro::PageRequest request;
    request.pageNo = (flags >> 4) & 3;
    request.lyricsOnly = flags & 2;
    request.ratio21 = flags & 4;
    request.includeTitle = flags & 8;
    request.modeAffichage = (flags >> 6) & 1;
    request.header = {text.left(40), text.mid(40, 20), QString()};
    QImage image(200, 150, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    song.chargerPage(painter, QRectF(0, 0, 200, 150), request);
    if (song.nbPages() < 1 && !text.isEmpty())
        std::abort();

    song.convertDefine();
    song.convertInversion();
    // Every library line keeps its fixed-width name field.
    for (const QString *lines : {&song.listeDefine(), &song.listeDefineUk(), &song.listeInversion()}) {
        for (const QString &line : lines->split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            const qsizetype bar = line.indexOf(QLatin1Char(' ')) + 1 + 16;
            if (bar >= line.size() || line.at(bar) != QLatin1Char('|'))
                std::abort();
        }
    }
    return 0;
}
