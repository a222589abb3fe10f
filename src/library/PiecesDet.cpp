#include "library/PiecesDet.h"

#include "library/TextCodec.h"
#include "platform/AtomicFile.h"
#include "platform/Clock.h"
#include "platform/KeptAtQuit.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"


namespace notefile {

QString notePathForSong(const QString &songPath)
{
    const QString suffix = platform::suffix(songPath);
    const QString base = suffix.isEmpty() ? songPath : songPath.left(songPath.size() - suffix.size() - 1);
    return base + QStringLiteral(".txt");
}

namespace {

bool isBlank(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); }

// Whether only blanks and tabs stand between the line's start and pos.
bool startsItsLine(const QString &text, qsizetype pos)
{
    while (pos > 0 && isBlank(text[pos - 1]))
        --pos;
    return pos == 0 || text[pos - 1] == QLatin1Char('\n') || text[pos - 1] == QLatin1Char('\r');
}

} // namespace

qsizetype keyAt(const QString &note, const QString &key)
{
    // Case-insensitive search keeps positions (upper-casing may change lengths).
    for (qsizetype at = note.indexOf(key, 0, Qt::CaseInsensitive); at >= 0;
         at = note.indexOf(key, at + 1, Qt::CaseInsensitive)) {
        if (startsItsLine(note, at))
            return at;
    }
    return -1;
}

bool lineBeginsWithKey(const QString &line, const QString &key)
{
    qsizetype at = 0;
    while (at < line.size() && isBlank(line[at]))
        ++at;
    return QStringView(line).mid(at).startsWith(key, Qt::CaseInsensitive);
}

namespace {

// A note's own line end is that of its first line.
bool firstLineEndsInCrlf(const QString &text)
{
    const qsizetype lf = text.indexOf(QLatin1Char('\n'));
    return lf > 0 && text[lf - 1] == QLatin1Char('\r');
}

// Where the line holding pos ends, before its "\r\n", "\n" or "\r".
qsizetype lineEndFrom(const QString &note, qsizetype pos)
{
    qsizetype end = pos;
    while (end < note.size() && note[end] != QLatin1Char('\n') && note[end] != QLatin1Char('\r'))
        ++end;
    return end;
}

} // namespace

std::optional<QString> keyValue(const QString &note, const QString &key)
{
    const qsizetype at = keyAt(note, key);
    if (at < 0)
        return std::nullopt;
    const qsizetype start = at + key.size();
    return note.mid(start, lineEndFrom(note, start) - start);
}

QString withKeyValue(const QString &note, const QString &key, const QString &newKey, const QString &value)
{
    const qsizetype at = keyAt(note, key);
    if (at < 0)
        return withLineAdded(note, newKey + value);
    const qsizetype start = at + key.size();
    return QString(note).replace(start, lineEndFrom(note, start) - start, value);
}

QString withLineAdded(const QString &note, const QString &line)
{
    if (note.isEmpty())
        return QLatin1Char('\n') + line + QLatin1Char('\n');
    const QLatin1String end = firstLineEndsInCrlf(note) ? QLatin1String("\r\n") : QLatin1String("\n");
    if (!note.endsWith(QLatin1Char('\n')))
        return note + end + line;
    return note + line + end;
}

QString trimBlanksAndTabs(const QString &text)
{
    qsizetype b = 0;
    qsizetype e = text.size();
    while (b < e && isBlank(text[b]))
        ++b;
    while (e > b && isBlank(text[e - 1]))
        --e;
    return text.mid(b, e - b);
}

ReadResult read(const QString &path, LineEnds lineEnds, const std::atomic_bool *stopped)
{
    using Status = platform::FileBytes::Status;
    ReadResult r;
    const platform::FileBytes file = platform::readSettledFile(path, kMaxNoteBytes, stopped);
    if (file.status == Status::Missing)
        return r;
    r.exists = true;
    if (file.status != Status::Ok && file.status != Status::TooLarge)
        return r;
    r.readable = true;
    r.tooLarge = file.status == Status::TooLarge;
    r.text = decode(file.bytes, &r.format, lineEnds);
    r.bytes = file.bytes;
    return r;
}

QString decode(const QByteArray &bytes, Format *format, LineEnds lineEnds)
{
    Format f;
    const QString text = textcodec::decode(bytes, &f.encoding);
    f.crlf = firstLineEndsInCrlf(text);
    if (format)
        *format = f;
    return lineEnds == LineEnds::AsStored ? text : withLineFeeds(text);
}

QString withLineFeeds(const QString &text)
{
    if (!text.contains(QLatin1Char('\r')))
        return text;
    return QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

std::optional<QByteArray> encode(const QString &text, const Format &format, Format *written)
{
    Format out = format;
    QString body = text;
    if (out.crlf) {
        body.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        body.replace(QLatin1String("\n"), QLatin1String("\r\n"));
    }
    std::optional<QByteArray> bytes = textcodec::encode(body, out.encoding);
    if (!bytes && out.encoding == textcodec::Encoding::Windows1252) {
        out.encoding = textcodec::Encoding::Utf8;
        bytes = textcodec::encode(body, out.encoding);
    }
    if (bytes && written)
        *written = out;
    return bytes;
}

QString unreadableMessage(const QString &notePath)
{
    return QStringLiteral("The note file \"%1\" could not be read, so it was left unchanged.").arg(notePath);
}

bool write(const QString &path, const QString &text, const Format &format, QString *error, Format *written)
{
    const std::optional<QByteArray> bytes = encode(text, format, written);
    if (!bytes) {
        if (error)
            *error = QStringLiteral("the note is not text");
        return false;
    }
    return platform::writeFileAtomically(path, *bytes, error);
}

QString keepBeside(const QString &notePath, const QByteArray &bytes, QString *error)
{
    const QString base = notePath.left(notePath.size() - platform::suffix(notePath).size() - 1);
    const QString path = platform::kept::datedFreePath(base, QStringLiteral("changed elsewhere"), QStringLiteral("txt"));
    return platform::createFileAtomically(path, bytes, error) ? path : QString();
}

} // namespace notefile

QString PiecesDet::lastPlayedDate(int screenSet) const
{
    switch (screenSet) {
    case 1: return lastPlayedDate1;
    case 2: return lastPlayedDate2;
    case 3: return lastPlayedDate3;
    case 4: return lastPlayedDate4;
    case 5: return lastPlayedDate5;
    case 6: return lastPlayedDate6;
    case 7: return lastPlayedDate7;
    case 8: return lastPlayedDate8;
    case 9: return lastPlayedDate9;
    default: return QString();
    }
}

void PiecesDet::setLastPlayedDate(int screenSet, const QString &value)
{
    QString *fields[] = {&lastPlayedDate1, &lastPlayedDate2, &lastPlayedDate3, &lastPlayedDate4, &lastPlayedDate5,
                        &lastPlayedDate6, &lastPlayedDate7, &lastPlayedDate8, &lastPlayedDate9};
    if (screenSet >= 1 && screenSet <= 9)
        *fields[screenSet - 1] = value;
}

qint32 PiecesDet::indexInTEMP(int tab) const
{
    const qint32 values[] = {indexInTEMP0, indexInTEMP1, indexInTEMP2, indexInTEMP3, indexInTEMP4,
                             indexInTEMP5, indexInTEMP6, indexInTEMP7, indexInTEMP8, indexInTEMP9};
    return (tab >= 0 && tab <= 9) ? values[tab] : -1;
}

void PiecesDet::setIndexInTEMP(int tab, qint32 value)
{
    qint32 *fields[] = {&indexInTEMP0, &indexInTEMP1, &indexInTEMP2, &indexInTEMP3, &indexInTEMP4,
                       &indexInTEMP5, &indexInTEMP6, &indexInTEMP7, &indexInTEMP8, &indexInTEMP9};
    if (tab >= 0 && tab <= 9)
        *fields[tab] = value;
}

namespace {

// The file name without its extension, and the parentheses in it.
struct NameParts {
    QString base;
    qsizetype open = -1;
    qsizetype close = -1;
};

NameParts nameParts(const QString &path)
{
    NameParts p;
    const QString suffix = platform::suffix(path);
    const QString fileName = platform::fileName(path);
    p.base = suffix.isEmpty() ? fileName : fileName.left(fileName.size() - suffix.size() - 1);
    p.open = p.base.indexOf(QLatin1Char('('));
    p.close = p.base.indexOf(QLatin1Char(')'));
    return p;
}

} // namespace

void PiecesDet::majInfoFromNote()
{
    std::optional<QString> title, artist, tags, key;
    std::optional<QString> dates[9];

    if (!notetxt.isEmpty() && !noteTooLarge) {
        if (auto v = notefile::keyValue(notetxt, QStringLiteral("TITLE="))) {
            const QString t = notefile::trimBlanksAndTabs(*v);
            if (!t.isEmpty())
                title = t;
        }
        if (auto v = notefile::keyValue(notetxt, QStringLiteral("ARTIST="))) {
            if (!notefile::trimBlanksAndTabs(*v).isEmpty())
                artist = *v;
        }
        if (auto v = notefile::keyValue(notetxt, QStringLiteral("TAGS=")))
            tags = QStringLiteral(" %1 ").arg(*v);
        if (auto v = notefile::keyValue(notetxt, QStringLiteral("KEY=")))
            key = QStringLiteral(" %1 ").arg(*v);
        for (int i = 0; i < 9; ++i) {
            if (auto v = notefile::keyValue(notetxt, QStringLiteral("LASTPLAYEDDATE%1=").arg(i + 1)))
                dates[i] = *v + QLatin1Char(' ');
        }
    }
    const bool noteGaveTitle = title.has_value();
    const bool noteGaveArtist = artist.has_value();
    bool artistFromName = false;

    const NameParts name = nameParts(fichier);
    if (name.open >= 0 && name.close >= 0 && name.open < name.close && name.close != 0) {
        if (!title) {
            const QString t = name.open > 0 ? name.base.left(name.open) : name.base.mid(name.close + 1);
            title = notefile::trimBlanksAndTabs(t);
        }
        const QString inside = name.base.mid(name.open + 1, name.close - name.open - 1);
        if (!inside.isEmpty() && !artist) {
            artist = inside;
            artistFromName = true;
        }
    }

    headerWanted = false;
    if (typeFichier1 == 1 && !(noteGaveTitle && noteGaveArtist) && !artistFromName) {
        if (header) {
            if (!noteGaveTitle && header->title)
                title = header->title;
            if (!noteGaveArtist && header->artist)
                artist = header->artist;
        } else {
            headerWanted = true;
        }
    }

    titre = (title && !title->isEmpty()) ? *title : name.base;
    auteur = (artist && !artist->isEmpty()) ? *artist : QString(kNoArtist);
    infoF = tags.value_or(QString());
    cle = key.value_or(QString());
    for (int i = 0; i < 9; ++i)
        setLastPlayedDate(i + 1, dates[i].value_or(QString()));
}

PiecesDet::Header PiecesDet::headerOf(const platform::FileBytes &file)
{
    Header header;
    if (!file.ok() && file.status != platform::FileBytes::Status::TooLarge)
        return header;
    const QString song = textcodec::decode(file.bytes);
    if (song.isEmpty())
        return header;
    // The long directive, else its short form; trimmed.
    auto directive = [&song](const QString &name, const QString &shortName) -> std::optional<QString> {
        auto v = obtenirChaine(song, name);
        if (!v)
            v = obtenirChaine(song, shortName);
        if (v)
            return notefile::trimBlanksAndTabs(*v);
        return std::nullopt;
    };
    header.title = directive(QStringLiteral("{title:"), QStringLiteral("{t:"));
    header.artist = directive(QStringLiteral("{subtitle:"), QStringLiteral("{st:"));
    return header;
}

PiecesDet::Header PiecesDet::readHeader(const QString &path)
{
    const HeaderFileCalls::Call call = HeaderFileCalls::get();
    if (call)
        call(path);
    // The header directives sit at the top: the start of an over-long file will do.
    return headerOf(platform::readRegularFile(path, notefile::kMaxNoteBytes));
}

QString PiecesDet::artistShown() const
{
    return auteur == kNoArtist ? QString() : auteur;
}

std::optional<QString> PiecesDet::obtenirChaine(const QString &text, const QString &directive)
{
    const qsizetype at = text.indexOf(directive, 0, Qt::CaseInsensitive);
    if (at < 0)
        return std::nullopt;
    const qsizetype start = at + directive.size();
    const qsizetype close = text.indexOf(QLatin1Char('}'), start);
    if (close < 0)
        return std::nullopt;
    return text.mid(start, close - start);
}

QString PiecesDet::obtenirInfoFromFilename() const
{
    const NameParts name = nameParts(fichier);
    if (name.open > 0 && name.close >= 0 && name.open < name.close && name.close != name.base.size() - 1)
        return name.base.mid(name.close + 1);
    return QString();
}

qint32 beatsPerBar(qint64 signature)
{
    switch (signature) {
    case 0: return 4;
    case 2: return 2;
    case 3: return 3;
    case 4: return 4;
    default: return 0;
    }
}
