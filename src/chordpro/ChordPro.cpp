#include "chordpro/ChordPro.h"

#include "chords/ChordLibraryLine.h"
#include "library/SongFileCheck.h"
#include "library/TextCodec.h"
#include "platform/Log.h"
#include "platform/RegularFile.h"

#include <cmath>

using namespace chordpro;

namespace {
constexpr double kDefaultFontSize = 17.0;
const QSizeF kStartupSizeRef(611.0, 752.0);
QSizeF g_sizeRef = kStartupSizeRef;
} // namespace

ChordPro::ChordPro()
    : myFrame_(0, 0, 636.0, 755.0)
{
    sizeRefSpecified_ = myFrame_.size();
    ajusterAttributsPourRendering(kDefaultFontSize, true);
}

ChordPro::ChordPro(const QRectF &frame, const ChordProOptions *options, bool useRef)
    : useSizeRefStatique_(useRef)
    , myFrame_(frame)
    , options_(options)
{
    sizeRefSpecified_ = frame.size();
    ajusterAttributsPourRendering(kDefaultFontSize, true);
}

QSizeF ChordPro::sizeRefStatique() { return g_sizeRef; }

void ChordPro::setSizeRef(const QSizeF &size) { g_sizeRef = size; }

void ChordPro::chargerFichier(const QString &path, const platform::FileBytes &file)
{
    TLOG(QStringLiteral("ChordPro chargerFichier"));
    fichier_ = path;
    chordProData_.clear();
    nbPages_ = 0;
    // A song read again must not keep the converted lists of the text before.
    defineConverted_ = false;
    inversionConverted_ = false;
    loadProblem_.clear();
    if (!path.isEmpty()) {
        loadProblem_ = file.status == platform::FileBytes::Status::TooLarge ? QStringLiteral("too large to lay out")
                                                                             : songfile::readProblem(file);
        // Binary bytes would lay out as a screen of mojibake.
        if (loadProblem_.isEmpty())
            loadProblem_ = songfile::textProblem(file.bytes);
        if (loadProblem_.isEmpty())
            chordProData_ = textcodec::decode(file.bytes);
    }
    ajusterAttributsPourRendering(obtenirFontSize(chordProData_, kDefaultFontSize), true);
}

std::optional<QString> ChordPro::obtenirChaine(const QString &text, const QString &directive)
{
    if (directive.isEmpty())
        return std::nullopt;
    // Searched in the text itself: an upper-cased copy can be longer ("ß").
    const qsizetype at = text.indexOf(directive, 0, Qt::CaseInsensitive);
    if (at < 0)
        return std::nullopt;
    const qsizetype from = at + directive.size();
    const qsizetype close = text.indexOf(QLatin1Char('}'), from);
    if (close < 0 || close == from)
        return std::nullopt;
    return text.mid(from, close - from);
}

double ChordPro::obtenirFontSize(const QString &text, double defaultSize)
{
    const std::optional<QString> found = obtenirChaine(text, QStringLiteral("{fontsize:"));
    if (!found)
        return defaultSize;
    const QString value = found->trimmed();
    if (value.isEmpty())
        return defaultSize;
    QString integerPart = value;
    int tenths = 0;
    const qsizetype dot = value.indexOf(QLatin1Char('.'));
    if (dot > 0) {
        integerPart = value.left(dot);
        if (dot + 1 < value.size() && value.at(dot + 1).isDigit())
            tenths = value.at(dot + 1).digitValue();
    }
    bool ok = false;
    const int integer = integerPart.toInt(&ok);
    if (integerPart.size() > 2 || !ok || integer < 1)
        return defaultSize;
    return integer + tenths / 10.0;
}

void ChordPro::determinerTitreSousTitreCle(const QString &text)
{
    auto lookup = [&text](const char *longForm, const char *shortForm) {
        for (const char *directive : {longForm, shortForm})
            if (const std::optional<QString> value = obtenirChaine(text, QLatin1String(directive)))
                return value->trimmed();
        return QString();
    };
    titre_ = lookup("{title:", "{t:");
    sousTitre_ = lookup("{subtitle:", "{st:");
    cle_ = lookup("{key:", "{k:");
}

void ChordPro::traiterUnAccord(const QString &chord)
{
    const QString name = chord.trimmed();
    if (name.isEmpty())
        return;
    if (listeAccords_.isEmpty()) {
        chordsListed_.clear();
        chordsListed_.insert(name);
        listeAccords_ = QLatin1Char(';') + name + QLatin1Char(';');
        return;
    }
    // A set, not a search of the list: a song with many distinct chords
    // (random bytes have thousands) would make the layout quadratic.
    if (chordsListed_.contains(name))
        return;
    chordsListed_.insert(name);
    listeAccords_ += name + QLatin1Char(';');
}

namespace {

// Character scan of "{define: NAME base-fret N frets a b c d e f}" directives
// as the song wrote them, into chord library lines with nbValues strings.
QString convertDefinitions(const QString &source, int nbValues)
{
    enum Reading { Word, Name, BaseFret, Values };
    QString out;
    Reading reading = Word;
    bool inDefinition = false;
    QString word, name, baseFret;
    QList<QString> values;
    int valueIndex = 0;
    bool valueOpen = false;
    auto reset = [&] {
        reading = Word;
        word.clear();
        name.clear();
        baseFret.clear();
        values = QList<QString>(nbValues);
        valueIndex = 0;
        valueOpen = false;
    };
    reset();
    for (const QChar c : source) {
        if (c == QLatin1Char('{')) {
            inDefinition = true;
            reset();
            continue;
        }
        if (!inDefinition)
            continue;
        if (c == QLatin1Char('}')) {
            // Exactly nbValues values, each one fret digit or a mute; a shape
            // the line cannot hold is left to the chord library.
            if (valueIndex == nbValues - 1 && valueOpen) {
                QList<int> strings;
                bool valid = true;
                for (const QString &v : values) {
                    if (v.size() == 1 && v.at(0).isDigit())
                        strings << v.at(0).digitValue();
                    else if (v.compare(QLatin1String("x"), Qt::CaseInsensitive) == 0)
                        strings << chordlib::kMuted;
                    else
                        valid = false;
                }
                if (valid)
                    out += chordlib::defineLine(name, strings, baseFret.toInt());
            }
            inDefinition = false;
            reset();
            continue;
        }
        const bool blank = c.isSpace();
        switch (reading) {
        case Name:
        case BaseFret: {
            QString &target = reading == Name ? name : baseFret;
            if (!blank)
                target += c;
            else if (!target.isEmpty())
                reading = Word;
            continue;
        }
        case Values:
            if (blank) {
                if (valueOpen) {
                    ++valueIndex;
                    valueOpen = false;
                }
            } else {
                if (valueIndex < nbValues) {
                    if (!valueOpen)
                        values[valueIndex].clear();
                    values[valueIndex] += c;
                }
                valueOpen = true;
            }
            break;
        case Word:
            break;
        }
        if (blank) {
            word.clear();
            continue;
        }
        word += c;
        if (word == QLatin1String("define:")) {
            reading = Name;
            word.clear();
        } else if (word == QLatin1String("base-fret")) {
            reading = BaseFret;
            word.clear();
        } else if (word == QLatin1String("frets")) {
            reading = Values;
            valueIndex = 0;
            valueOpen = false;
            values = QList<QString>(nbValues);
            word.clear();
        }
    }
    return out;
}

} // namespace

void ChordPro::convertDefine()
{
    listeDefine_ = convertDefinitions(listeDefineOrig_, 6);
    convertDefineUk();
    defineConverted_ = true;
}

void ChordPro::convertDefineUk() { listeDefineUk_ = convertDefinitions(listeDefineOrigUk_, 4); }

void ChordPro::convertInversion()
{
    QString out;
    enum Reading { Word, Name, Number };
    Reading reading = Word;
    QString word, name, number;
    bool inDefinition = false;
    for (const QChar c : listeInversionOrig_) {
        if (c == QLatin1Char('{')) {
            inDefinition = true;
            reading = Word;
            word.clear();
            name.clear();
            number.clear();
            continue;
        }
        if (!inDefinition)
            continue;
        if (c == QLatin1Char('}')) {
            out += chordlib::pianoLine(name, number.toInt());
            inDefinition = false;
            continue;
        }
        const bool blank = c.isSpace();
        if (reading != Word) {
            QString &target = reading == Name ? name : number;
            if (!blank)
                target += c;
            else if (!target.isEmpty())
                reading = Word;
            continue;
        }
        if (blank) {
            word.clear();
            continue;
        }
        word += c;
        if (word == QLatin1String("x_piano:")) {
            reading = Name;
            word.clear();
        } else if (word == QLatin1String("inversion")) {
            reading = Number;
            word.clear();
        }
    }
    listeInversion_ = out;
    inversionConverted_ = true;
}

QSizeF ChordPro::referenceInForce() const
{
    const QSizeF size = useSizeRefStatique_ ? g_sizeRef : sizeRefSpecified_;
    // A page of no size (an empty frame, a broken stored size) would break
    // after every line: the start-up page stands in.
    if (size.width() > 0 && size.height() > 0 && std::isfinite(size.width()) && std::isfinite(size.height()))
        return size;
    return kStartupSizeRef;
}

double ChordPro::obtenirPourcentOccup() const
{
    const double total = sizeRefInst_.height() + heightNonUtilise_;
    return total > 0 ? cumulHeight_ / total : 0.0;
}

QColor ChordPro::color(ColorRole role) const
{
    return options_ ? options_->color(role) : defaultColor(role);
}

void ChordPro::ajusterAttributsPourRendering(double fontSize, bool resetRef)
{
    sizeRefInst_ = referenceInForce();
    const bool gap = options_ && options_->gapOption();
    const bool lyricsBold = options_ && options_->lyricsBold();
    const bool chordsBold = options_ && options_->chordsBold();
    // Rebuilt every time: the gap option changes the reference heights too.
    styles_ = StyleSet::build(fontSize, gap, lyricsBold, chordsBold);
    if (!resetRef)
        return;
    myFontSizeRef_ = fontSize;
    refStyles_ = styles_;
    updateNbMaxCarRef();
}

void ChordPro::updateNbMaxCarRef()
{
    const double blank = refStyles_[Style::Text].blankWidth();
    const double chars = blank > 0 ? sizeRefInst_.width() / blank - 1.0 : 0.0;
    nbMaxCarRef_ = int(std::clamp(chars, -1.0e6, 1.0e6));
}

QString ChordPro::documentPlainText() const
{
    QString text;
    for (const StyledRun &run : rstra_)
        text += run.text;
    return text;
}
