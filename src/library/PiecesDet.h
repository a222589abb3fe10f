#pragma once

#include "library/SongEv.h"
#include "library/TextCodec.h"
#include "platform/FileWork.h"
#include "platform/RegularFile.h"

#include <QString>
#include <QStringList>
#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>

namespace notefile {

// How a note was stored, so that it is written back the same way: a note
// saved by another editor stays readable there.
struct Format {
    textcodec::Encoding encoding = textcodec::Encoding::Utf8;
    bool crlf = false; // "\r\n" line ends
    bool operator==(const Format &) const = default;
};

// A longer note is shown but neither parsed for keys nor written.
constexpr qint64 kMaxNoteBytes = 1024 * 1024;

} // namespace notefile

namespace noteform {
struct Fields;
}
namespace piecesrules {
struct TempoResult;
}

// What is known of one song file of the library folder. There is one per file
// and per scan, shared by every tab entry (Pieces) that lists the file, so a
// mark or an edited note shows in every tab at once.
class PiecesDet {
public:
    QString fichier;             // full path of the song file
    qint32 typeFichier1 = 0;     // 0 PDF, 1 ChordPro text
    qint64 nbrPagesMax = 1;      // 1 until a document window has loaded the song
    qint32 signature = 0;        // 0 none, 2 "2/4", 3 "3/4", 4 "4/4"
    qint32 tempo = 0;            // beats per minute, 0 when unknown
    bool tempoOk = false;        // tempo derived from the note at least once
    QString titre;
    QString auteur;              // "(nil)" when nothing gave one
    QString cle;                 // " %1 " of the Key= value
    QString lastPlayedDate1, lastPlayedDate2, lastPlayedDate3, lastPlayedDate4, lastPlayedDate5,
        lastPlayedDate6, lastPlayedDate7, lastPlayedDate8, lastPlayedDate9; // "%1 " of the value
    QString infoF;               // " %1 " of the Tags= value: each tag has a blank on each side
    QString notetxt;             // whole note side file ("" when none)
    // The note as this program last read or wrote its file: a file that no
    // longer holds it was changed elsewhere meanwhile.
    QString noteOnDisk;
    bool note = false;           // a note side file with text exists
    bool played = false;
    bool flagged = false;
    qint32 indexInTEMP0 = 0, indexInTEMP1 = 0, indexInTEMP2 = 0, indexInTEMP3 = 0, indexInTEMP4 = 0,
           indexInTEMP5 = 0, indexInTEMP6 = 0, indexInTEMP7 = 0, indexInTEMP8 = 0, indexInTEMP9 = 0;
    // The side file exists but could not be read: it is never overwritten or
    // deleted, so an unreadable note is not lost by a later save.
    bool noteUnreadable = false;
    // The note is over notefile::kMaxNoteBytes: its start is shown, its keys
    // are not read and it is never written.
    bool noteTooLarge = false;
    notefile::Format noteFormat;
    // What was read of the note, with what it was read from: a song change
    // back to an unchanged note parses nothing (Data::noteReading drops a
    // reading of another text). Each part is read when first needed, or ahead
    // off the main thread (NoteReads).
    struct NoteReading {
        QString text;
        QStringList winIDs; // a line naming one is a cue only while it exists
        // Shared with the current song's list, which runs them (Data::chargerSongEventsFromNote).
        std::shared_ptr<SongEvArray> events;
        // The notes window's fields, tempo and signature left to the record.
        std::shared_ptr<const noteform::Fields> form;
        std::shared_ptr<const piecesrules::TempoResult> tempo;
    };
    NoteReading reading;

    // A ChordPro song's title and artist directives (the long form, else the
    // short one; trimmed), as its file held them when last read.
    struct Header {
        std::optional<QString> title;  // {title: / {t:
        std::optional<QString> artist; // {subtitle: / {st:
    };
    // Taken wherever the song's text is read anyway (the folder scan, the
    // renderer's read for display): the main thread never reads it for the
    // record. Nothing until then.
    std::optional<Header> header;
    // Set by majInfoFromNote when the header would count and is not known:
    // the caller asks for it (Pieces::askHeader).
    bool headerWanted = false;

    // The stored (and sorted) artist of a song that names none.
    static constexpr QLatin1String kNoArtist{"(nil)"};
    // The artist as windows show it: blank when nothing gave one (kNoArtist stays the stored value).
    QString artistShown() const;
    // Last-played date of screen set 1-9 ("" for any other number).
    QString lastPlayedDate(int screenSet) const;
    void setLastPlayedDate(int screenSet, const QString &value);
    // Position in the scan's accumulation list for tab 0-9 (-1 outside).
    qint32 indexInTEMP(int tab) const;
    void setIndexInTEMP(int tab, qint32 value);

    // Title, artist, tags, key and dates from the note, the file name and,
    // for a ChordPro song, its header once known. Reads no file.
    void majInfoFromNote();
    // The header in a song file's bytes (the start of an over-long file will do).
    static Header headerOf(const platform::FileBytes &file);
    // Reads a song file for its header: file calls, for any thread but the main one.
    static Header readHeader(const QString &path);
    // Runs before readHeader's file calls, on the thread that makes them:
    // tests stand a share that does not answer in.
    using HeaderFileCalls = platform::FileCallHook<PiecesDet>;
    static void setHeaderFileCall(HeaderFileCalls::Call call) { HeaderFileCalls::set(std::move(call)); }
    // Value of a ChordPro header directive ("{title:") found in any case; not trimmed.
    static std::optional<QString> obtenirChaine(const QString &text, const QString &directive);
    // The file name's text after ")", shown beside the title.
    QString obtenirInfoFromFilename() const;
};

using PiecesDetPtr = std::shared_ptr<PiecesDet>;

// Beats in a bar of a time-signature code: 0 (none) counts as 4; 2, 3 and 4
// as such; 1 and unknown codes 0.
qint32 beatsPerBar(qint64 signature);

// The note side file's text rules, free of any record.
namespace notefile {

// "<song path without extension>.txt"
QString notePathForSong(const QString &songPath);
// Where a header key such as "TITLE=" begins a line, matched in any case and
// after any blanks or tabs; -1 when no line begins with it. Readers and
// writers agree on the key line through this alone: a key further on in a
// line (a comment quoting an old date) is text.
qsizetype keyAt(const QString &note, const QString &key);
// The same rule for one line of a note.
bool lineBeginsWithKey(const QString &line, const QString &key);
// Value of a header key on its key line (keyAt): the text after "=" up to
// the line end, or to the end of the text on the last line. nullopt when no
// line begins with the key.
std::optional<QString> keyValue(const QString &note, const QString &key);
QString trimBlanksAndTabs(const QString &text);
// Writes the program makes on its own (a played date, a tag) change only the
// line they write: the note with the key's value replaced where keyValue reads
// it, or, without the key, with the line key + value added (withLineAdded).
// newKey is how a new line spells the key. Line ends stay as they are, also
// in a note holding both kinds.
QString withKeyValue(const QString &note, const QString &key, const QString &newKey, const QString &value);
// The note with one line added at its end, in the note's own line end (that
// of its first line); a note without a final line end keeps lacking one. An
// empty note gets an empty first line before it, so the line never becomes
// the master line.
QString withLineAdded(const QString &note, const QString &line);

enum class LineEnds { AsLineFeeds, AsStored };
struct ReadResult {
    bool exists = false;
    bool readable = false; // a regular file (links followed) whose bytes could be read
    bool tooLarge = false; // over kMaxNoteBytes: text holds its start only
    QString text;          // line ends as "\n", or as stored when asked
    Format format;         // encoding Binary: not text, never to be written
    QByteArray bytes;      // as stored
};
// The one read of a note file: a write through its other names that a kill
// stopped is settled first (platform::readSettledFile). Once stopped is set
// nothing follows the file call under way: the note reads as not readable.
ReadResult read(const QString &path, LineEnds lineEnds = LineEnds::AsLineFeeds,
                const std::atomic_bool *stopped = nullptr);
// The text of a note's bytes, its line ends as "\n" (or as stored), and how it was stored.
QString decode(const QByteArray &bytes, Format *format, LineEnds lineEnds = LineEnds::AsLineFeeds);
// The text with every "\r\n" as "\n".
QString withLineFeeds(const QString &text);
// The bytes of a note in a format; a Windows-1252 note that gained a
// character without a byte there becomes UTF-8. nullopt for a binary format.
std::optional<QByteArray> encode(const QString &text, const Format &format, Format *written = nullptr);
// Why a note that was never read as text is not written or deleted.
QString unreadableMessage(const QString &notePath);
// Atomic write in the format; false (with a reason) when it could not be written.
bool write(const QString &path, const QString &text, const Format &format = {}, QString *error = nullptr,
           Format *written = nullptr);
// Keeps a note's other version beside it, as "<name> (changed elsewhere
// <date>).txt", numbered when that name is taken: no file is ever replaced.
// Answers the path written, or "" with the reason in *error.
QString keepBeside(const QString &notePath, const QByteArray &bytes, QString *error = nullptr);

} // namespace notefile
