#pragma once

#include "library/PiecesDet.h"
#include "library/TabDet.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>

class Pieces;
using PiecesPtr = std::shared_ptr<Pieces>;

// One entry of one tab's song list: the shared song record, the tab, the
// positions in both combined lists and the two sort keys of the tab.
class Pieces {
public:
    PiecesDetPtr pieceDet;
    qint32 ongNo = 0;              // tab 0-9
    qint32 indexInTitleArray = 0;  // 0-based position in Data::listePiecesByTitle
    qint32 indexInAuthorArray = 0; // 0-based position in Data::listePiecesByAuthor
    QString sortString1;           // key of the tab's main sort
    QString sortString2;           // key of the tab's alternate sort

    // Builds the entry of a file for a tab, or nullptr when the file does not
    // belong to it (never with force). typeFichier -1 derives it from the
    // extension. noLigne is the 1-based setlist line, fn that line upper-cased,
    // kw the collection's upper-cased words. With a master entry the song
    // record is shared and the note is not read again; with noteRead the
    // note already read is taken instead of reading it, and with header the
    // ChordPro header read with it.
    static PiecesPtr initWithPDF(const QString &path, const QString &fileName, qint32 typeFichier, qint32 ongNo,
                                 const TabDetPtr &tab, bool force, qint32 noLigne, const QString &fn,
                                 const QStringList &kw, const PiecesPtr &pieceMaster,
                                 const notefile::ReadResult *noteRead = nullptr,
                                 const PiecesDet::Header *header = nullptr);

    // Reads the note side file into the record.
    void verifNote();
    // Takes a read of the note side file into the record.
    void takeNote(const notefile::ReadResult &r);
    // The performer's own save of the record's note text (deletes the file
    // for an empty text), in the encoding and line ends it was read in, in
    // three steps so that its file calls are made off the main thread
    // (NoteWriter::save). A note changed elsewhere since it was read is not
    // lost: that version is kept beside it (notefile::keepBeside) and the
    // message line says where. A failure is logged and told with its reason;
    // the text stays in memory. What it writes, taken from the record...
    struct NoteSave {
        QString songPath;
        QString title;
        QString text;   // the note to write
        QString onDisk; // the note as this program last read or wrote it
        notefile::Format format;
        bool unreadable = false;
        bool tooLarge = false;
    };
    NoteSave noteSave() const;
    // ...the file calls, on any thread (no record is touched)...
    struct NoteSaved {
        bool saved = false; // the file holds the text
        bool gone = false;  // there was no file
        notefile::Format format;
        QString notice;  // the version changed elsewhere is kept beside it
        QString failure; // why not, the edit kept aside said in it; "" when saved
        QString onDisk;  // the note now: the text written, or the one read
    };
    // Once stopped is set (a quit left the write behind) nothing follows the
    // file call that was under way.
    static NoteSaved writeNote(const NoteSave &save, const std::atomic_bool *stopped = nullptr);
    // ...and, on the main thread, what the record takes of them.
    void tookNoteSave(const NoteSave &save, const NoteSaved &saved);
    // Re-reads the header keys of the held note; true when title, artist or
    // tags changed. A ChordPro header not known yet is asked for (askHeader).
    bool majInfo();
    // Where the record wants its ChordPro header, the one who reads it off the
    // main thread (the controller) is asked; its answer goes to tookHeader.
    // Without one the record goes without.
    using HeaderAsk = std::function<void(const PiecesDetPtr &)>;
    static void setHeaderAsk(HeaderAsk ask);
    static void askHeader(const PiecesDetPtr &det);
    // The record takes a header read; true when title, artist or tags changed.
    static bool tookHeader(PiecesDet &det, const PiecesDet::Header &header);
    void initIndexes(qint32 t0, qint32 t1, qint32 t2, qint32 t3, qint32 t4, qint32 t5, qint32 t6, qint32 t7,
                     qint32 t8, qint32 t9);
    QString getPath() const;

    // Tempo and time signature from the note (stores both in the record).
    qint32 tempo();
    QString tempoTxt();
    // Last-played date of a screen set; for sorting an empty date reads "0000/00/00".
    QString lastPlayedDateFor(qint64 screenSet, bool forSort) const;
    // The note line a window bound to an identifier shows.
    QString notetxtForDir(const QString &dir, qint64 aMode, qint64 aDefNote) const;

    // The one way of a write nobody asked for line by line (a played date,
    // tags over many songs), made by NoteWriter::edit: the note is read from
    // disk at the moment of writing, change is applied to it with its line
    // ends as stored, and it is written at once in its own encoding, so that a
    // line another program or window saved meanwhile stays. Nothing is
    // alerted: a failure comes back with its reason and the file stays as it
    // was. Otherwise the record takes the note as now stored and runs majInfo.
    struct NoteEditResult {
        bool written = false;          // the note on disk changed
        bool changedElsewhere = false; // the note read differs from the one the record held
        bool infoChanged = false;      // title, artist or tags changed (majInfo)
        QString failure;          // why the note was left alone; empty when fine
    };
    // Its file calls, on any thread:
    struct NoteEdited {
        bool written = false;
        QString read;    // the note found on disk, line ends as "\n"
        QString text;    // the note as now stored (the one read when not written), line ends as "\n"
        notefile::Format format;
        QString failure;
    };
    static NoteEdited editNoteFile(const QString &songPath, const notefile::Format &format,
                                   const std::function<QString(const QString &)> &change,
                                   const std::atomic_bool *stopped = nullptr);
    // On the main thread: onDisk is the note this program expected on disk;
    // the record takes the stored note as its text only with takeText.
    static NoteEditResult tookNoteEdit(const PiecesPtr &piece, const NoteEdited &edited, const QString &onDisk,
                                       bool takeText);
    // Tag edits, made that way. RemoveAnyCase removes every spelling of the
    // tag that the song carries.
    enum class TagEdit { Add, Remove, RemoveAnyCase, Clear };
    // The change such an edit makes to a note.
    static std::function<QString(const QString &)> tagChange(TagEdit edit, const QString &tag = QString());
};

using PiecesList = QList<PiecesPtr>;

// A song entry paired with a sort string, for the played and flagged lists.
class LogPieces {
public:
    PiecesPtr piece;
    QString sortString1;
};

using LogPiecesPtr = std::shared_ptr<LogPieces>;

// Pure text rules of the entries, kept apart for the tests.
namespace piecesrules {

// Tempo and signature code read from a note (tempo 0 and "keep the old
// tempo" when the note has no TEMPO word but an "@" or a last-played key).
struct TempoResult {
    qint32 tempo = 0;
    qint32 signature = 0;
    bool keepStoredTempo = false;
};
TempoResult tempoFromNote(const QString &note);
QString notetxtForDir(const QString &note, const QString &dir, qint64 aMode, qint64 aDefNote);
// The note with a tag added to / removed from its "Tags=" line, or the line
// removed. Answers the note unchanged when there is nothing to do.
QString addTag(const QString &note, const QString &tag);
QString removeTag(const QString &note, const QString &tag, Qt::CaseSensitivity cs = Qt::CaseSensitive);
// Whether a tags text (" a b ") holds the tag as a whole word.
bool hasTag(const QString &infoF, const QString &tag, Qt::CaseSensitivity cs);
QString clearTags(const QString &note);

} // namespace piecesrules
