#include "library/Pieces.h"

#include "library/Data.h"
#include "library/KeptNotes.h"
#include "library/SortKeys.h"
#include "platform/KeptAtQuit.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"
#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"

#include <QRandomGenerator>

namespace piecesrules {

TempoResult tempoFromNote(const QString &note)
{
    TempoResult r;
    if (note.contains(QStringLiteral("2/4")))
        r.signature = 2;
    else if (note.contains(QStringLiteral("3/4")))
        r.signature = 3;
    else if (note.contains(QStringLiteral("4/4")))
        r.signature = 4;

    const qsizetype tempoAt = note.indexOf(QStringLiteral("TEMPO"), 0, Qt::CaseInsensitive);
    if (tempoAt < 0
        && (note.contains(QLatin1Char('@')) || note.contains(QStringLiteral("LASTPLAYEDDATE"), Qt::CaseInsensitive))) {
        r.keepStoredTempo = true;
        return r;
    }
    const qsizetype from = tempoAt < 0 ? 0 : tempoAt;
    const qsizetype to = tempoAt < 0 ? note.size() : qMin(note.size(), tempoAt + 11);

    // First run of two or three digits; a lone digit is passed over.
    QString run;
    for (qsizetype i = from; i < to; ++i) {
        const QChar c = note[i];
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            run += c;
            if (run.size() == 3)
                break;
        } else {
            if (run.size() == 2)
                break;
            run.clear();
        }
    }
    r.tempo = run.size() >= 2 ? run.toInt() : 0;
    return r;
}

QString notetxtForDir(const QString &note, const QString &dir, qint64 aMode, qint64 aDefNote)
{
    const QString needle = dir + QLatin1Char(':');
    QString text;
    bool hit = false;
    if (aMode >= 1 && !dir.isEmpty()) {
        qsizetype at = note.indexOf(needle, 0, Qt::CaseInsensitive);
        while (at >= 0 && !hit) {
            // "Message Lead:hi" (the word ends two characters before the hit), also "Message: Lead:hi".
            auto messageEndsAt = [&](qsizetype end) {
                return end >= 7 && note.mid(end - 7, 7).compare(QStringLiteral("MESSAGE"), Qt::CaseInsensitive) == 0;
            };
            const bool inMessage = messageEndsAt(at - 1) || messageEndsAt(at - 2);
            const bool inTimedEvent = at >= 4 && note[at - 4] == QLatin1Char(':') && note[at - 1] != QLatin1Char('\n');
            // A message or timed event addressed to the window is not its line: look further on.
            if (inMessage || inTimedEvent)
                at = note.indexOf(needle, at + 1, Qt::CaseInsensitive);
            else
                hit = true;
        }
        if (hit)
            text = note.mid(at);
    }
    if (!hit)
        text = aDefNote == 0 ? note : QString();

    if (text.isEmpty() || text.startsWith(QLatin1Char('\n')))
        return QString();
    const qsizetype lf = text.indexOf(QLatin1Char('\n'));
    if (lf < 0)
        return text;
    QString line = text.left(lf);
    if (line.endsWith(QLatin1Char('\r')))
        line.chop(1);
    if (!dir.isEmpty() && notefile::trimBlanksAndTabs(line).compare(needle, Qt::CaseInsensitive) == 0)
        return QString();
    return line;
}

namespace {

// The "Tags=" line: its start, the end of its text (before "\r\n" or "\n", or
// the end of the note) and where the next line begins.
struct TagsLine {
    qsizetype start = -1;
    qsizetype end = -1;
    qsizetype next = -1;
};

bool findTagsLine(const QString &note, TagsLine &line)
{
    line.start = notefile::keyAt(note, QStringLiteral("TAGS="));
    if (line.start < 0)
        return false;
    const qsizetype lf = note.indexOf(QLatin1Char('\n'), line.start);
    line.next = lf < 0 ? note.size() : lf + 1;
    line.end = lf < 0 ? note.size() : lf;
    if (line.end > line.start && note[line.end - 1] == QLatin1Char('\r'))
        --line.end; // a note saved with Windows line ends keeps them
    return true;
}

} // namespace

QString addTag(const QString &note, const QString &tag)
{
    TagsLine at;
    if (!findTagsLine(note, at))
        return notefile::withLineAdded(note, QStringLiteral("Tags=") + tag);
    const qsizetype length = at.end - at.start;
    return QString(note).insert(at.end, length == 5 ? tag : QLatin1Char(' ') + tag);
}

QString removeTag(const QString &note, const QString &tag, Qt::CaseSensitivity cs)
{
    TagsLine at;
    if (!findTagsLine(note, at) || tag.isEmpty())
        return note;
    // Works from the line as it stands now, so removals in a row all hold.
    QString tags = QLatin1Char(' ') + note.mid(at.start + 5, at.end - at.start - 5) + QLatin1Char(' ');
    const QString padded = QLatin1Char(' ') + tag + QLatin1Char(' ');
    while (tags.contains(padded, cs))
        tags.replace(padded, QStringLiteral(" "), cs);
    const QString rest = notefile::trimBlanksAndTabs(tags);
    if (rest.isEmpty())
        return clearTags(note);
    return QString(note).replace(at.start, at.end - at.start, QStringLiteral("Tags=") + rest);
}

bool hasTag(const QString &infoF, const QString &tag, Qt::CaseSensitivity cs)
{
    return !tag.isEmpty() && infoF.contains(QLatin1Char(' ') + tag + QLatin1Char(' '), cs);
}

QString clearTags(const QString &note)
{
    TagsLine at;
    if (!findTagsLine(note, at))
        return note;
    qsizetype start = at.start; // with the blanks an indented line begins with
    while (start > 0 && (note[start - 1] == QLatin1Char(' ') || note[start - 1] == QLatin1Char('\t')))
        --start;
    return QString(note).remove(start, at.next - start);
}

} // namespace piecesrules

PiecesPtr Pieces::initWithPDF(const QString &path, const QString &fileName, qint32 typeFichier, qint32 ongNo,
                              const TabDetPtr &tab, bool force, qint32 noLigne, const QString &fn,
                              const QStringList &kw, const PiecesPtr &pieceMaster,
                              const notefile::ReadResult *noteRead, const PiecesDet::Header *header)
{
    if (typeFichier == -1)
        typeFichier = platform::suffix(fileName).toLower() == QLatin1String("pdf") ? 0 : 1;

    auto entry = std::make_shared<Pieces>();
    if (pieceMaster && pieceMaster->pieceDet) {
        entry->pieceDet = pieceMaster->pieceDet;
    } else {
        entry->pieceDet = std::make_shared<PiecesDet>();
        PiecesDet &det = *entry->pieceDet;
        det.fichier = path;
        if (noteRead)
            entry->takeNote(*noteRead);
        else
            entry->verifNote();
        det.typeFichier1 = typeFichier;
        det.nbrPagesMax = 1;
        det.signature = 0;
        det.tempo = 0;
        det.tempoOk = false;
        det.played = false;
        det.flagged = false;
        if (header)
            det.header = *header;
        det.majInfoFromNote();
        askHeader(entry->pieceDet);
        entry->initIndexes(0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    }
    entry->ongNo = ongNo;
    const PiecesDet &det = *entry->pieceDet;
    qint32 order = noLigne;

    if (!force && tab) {
        if (tab->optSel == TabDet::Setlist) {
            if (fn.isEmpty() || !fileName.toUpper().startsWith(fn))
                return nullptr;
        } else {
            bool member = tab->optSel != TabDet::AnyWord;
            bool tested = false;
            order = 0;
            for (const QString &word : kw) {
                if (word.isEmpty())
                    continue;
                ++order;
                tested = true;
                bool found;
                switch (tab->lookInto) {
                case TabDet::Title: found = det.titre.toUpper().contains(word); break;
                case TabDet::Artist: found = det.auteur.toUpper().contains(word); break;
                case TabDet::Tags:
                    found = det.infoF.toUpper().contains(QLatin1Char(' ') + word + QLatin1Char(' '));
                    break;
                case TabDet::FileName: found = fileName.toUpper().contains(word); break;
                default: found = (det.titre + det.auteur + det.infoF).toUpper().contains(word); break;
                }
                if (tab->optSel == TabDet::AnyWord && found) {
                    member = true;
                    break;
                }
                if (tab->optSel == TabDet::AllWords && !found) {
                    member = false;
                    break;
                }
                if (tab->optSel == TabDet::NoneOfTheWords && found) {
                    member = false;
                    break;
                }
            }
            if (!member || (tab->optSel == TabDet::AllWords && !tested))
                return nullptr;
        }
    }
    if (!tab)
        return entry;

    auto prefixText = [&det](const QString &prefix) {
        if (prefix.isEmpty())
            return QString();
        const QString upper = det.infoF.toUpper();
        const qsizetype at = upper.indexOf(prefix);
        if (at < 0)
            return QString();
        return upper.size() == det.infoF.size() ? det.infoF.mid(at) : upper.mid(at);
    };
    const QString t = QString::number(ongNo);
    auto key = [&](qint64 mode, const QString &prefix) {
        switch (mode) {
        case TabDet::ListOrder: return t + sortkeys::number8(order) + det.titre;
        case TabDet::ByTitle: return t + det.titre;
        case TabDet::ByArtist: return t + det.auteur + det.titre;
        case TabDet::ByTagPrefix: return t + prefix + det.titre;
        case TabDet::Random:
            return t + sortkeys::number8(QRandomGenerator::global()->bounded(99999));
        case TabDet::LastPlayed: return t + entry->lastPlayedDateFor(Data::currentScreensetG(), true) + det.titre;
        default: return QString();
        }
    };
    entry->sortString1 = key(tab->tabSort, prefixText(tab->tabPrefix));
    entry->sortString2 = key(tab->tabSortAlt, prefixText(tab->tabPrefixAlt));
    return entry;
}

void Pieces::verifNote()
{
    takeNote(notefile::read(notefile::notePathForSong(pieceDet->fichier)));
}

void Pieces::takeNote(const notefile::ReadResult &r)
{
    PiecesDet &det = *pieceDet;
    const bool binary = r.format.encoding == textcodec::Encoding::Binary;
    det.noteUnreadable = r.exists && (!r.readable || binary);
    det.noteTooLarge = r.tooLarge;
    det.noteFormat = r.format;
    if (r.readable && !binary && !r.text.isEmpty()) {
        det.notetxt = r.text;
        det.note = true;
    } else {
        det.notetxt.clear();
        det.note = false;
    }
    det.noteOnDisk = det.notetxt;
}

namespace {

// Why the note on disk may not be replaced or deleted ("" when it may): it is
// over the size cap, or it is not text, now or when the record read it (for
// a save of what was read then).
QString refusal(const notefile::ReadResult &r, const QString &path, const Pieces::NoteSave *readThen = nullptr)
{
    if (!r.exists)
        return QString();
    if (r.tooLarge || (readThen && readThen->tooLarge))
        return QStringLiteral("The note file \"%1\" is too large to be changed, so it was left unchanged.").arg(path);
    // What is on disk was never read as text: writing or deleting would lose it.
    if (!r.readable || r.format.encoding == textcodec::Encoding::Binary || (readThen && readThen->unreadable))
        return notefile::unreadableMessage(path);
    return QString();
}

// Writes the text, or deletes the file for an empty one; why not, or "".
QString store(const QString &path, bool exists, const QString &text, const notefile::Format &format,
              notefile::Format *written)
{
    if (text.isEmpty()) {
        if (exists && !platform::removeFile(path))
            return QStringLiteral("The note file \"%1\" could not be deleted.").arg(path);
        return QString();
    }
    QString error;
    if (!notefile::write(path, text, format, &error, written))
        return QStringLiteral("The note could not be saved to \"%1\": %2").arg(path, error);
    return QString();
}

} // namespace

Pieces::NoteSave Pieces::noteSave() const
{
    const PiecesDet &det = *pieceDet;
    return NoteSave{det.fichier, det.titre, det.notetxt, det.noteOnDisk, det.noteFormat, det.noteUnreadable,
                    det.noteTooLarge};
}

Pieces::NoteSaved Pieces::writeNote(const NoteSave &save, const std::atomic_bool *stopped)
{
    NoteSaved saved;
    saved.format = save.format;
    const QString path = notefile::notePathForSong(save.songPath);
    auto refuse = [&save, &saved](QString why) {
        // The performer's words do not go with the failed write.
        if (!save.text.isEmpty() && save.text != save.onDisk) {
            QString error;
            const QString kept = keptnotes::keep(save.songPath, save.text, save.format, &error);
            why += why.endsWith(QLatin1Char('.')) ? QStringLiteral(" ") : QStringLiteral(". ");
            why += kept.isEmpty() ? QStringLiteral("Your edit could not be kept elsewhere either: %1.").arg(error)
                                  : QStringLiteral("Your edit is kept as %1.").arg(platform::kept::named(kept));
        }
        TLOG(QStringLiteral("Pieces writeNote %1").arg(why));
        saved.failure = why;
        return saved;
    };
    const auto stop = [stopped] { return stopped && *stopped; };
    const notefile::ReadResult r = notefile::read(path, notefile::LineEnds::AsLineFeeds, stopped);
    if (stop())
        return saved;
    saved.onDisk = r.text;
    // Gone since: nothing left to lose.
    saved.gone = !r.exists;
    QString why = refusal(r, path, &save);
    if (!why.isEmpty())
        return refuse(why);
    if ((r.exists && r.text == save.text) || (!r.exists && save.text.isEmpty())) {
        saved.saved = true;
        return saved;
    }
    if (r.exists && r.text != save.onDisk) {
        // Another program (or a copy of this song) saved the note since it was read.
        QString error;
        const QString kept = notefile::keepBeside(path, r.bytes, &error);
        if (stop())
            return saved;
        if (kept.isEmpty())
            return refuse(QStringLiteral("The note of \"%1\" was changed elsewhere, and that version could not be "
                                         "kept beside it (%2), so your edit was not saved.")
                              .arg(save.title, error));
        saved.notice = QStringLiteral("The note of \"%1\" was changed elsewhere while you edited it: yours "
                                      "is saved, the other version is kept beside it as \"%2\".")
                           .arg(save.title, platform::fileName(kept));
    }
    // Written back as the file on disk is stored now (another editor may have saved it since).
    why = store(path, r.exists, save.text, r.exists ? r.format : save.format, &saved.format);
    if (stop())
        return saved;
    if (!why.isEmpty())
        return refuse(why);
    saved.saved = true;
    saved.onDisk = save.text;
    return saved;
}

void Pieces::tookNoteSave(const NoteSave &save, const NoteSaved &saved)
{
    PiecesDet &det = *pieceDet;
    if (saved.gone) {
        det.noteUnreadable = false;
        det.noteTooLarge = false;
    }
    if (!saved.saved)
        return;
    det.noteOnDisk = save.text;
    det.noteFormat = saved.format;
    if (!saved.notice.isEmpty())
        platform::NotificationCenter::defaultCenter().post(vocab::ActionNotice, saved.notice);
}

bool Pieces::majInfo()
{
    PiecesDet &det = *pieceDet;
    const QString titre = det.titre, auteur = det.auteur, infoF = det.infoF;
    det.majInfoFromNote();
    askHeader(pieceDet);
    return titre != det.titre || auteur != det.auteur || infoF != det.infoF;
}

namespace {

Pieces::HeaderAsk g_headerAsk;

} // namespace

void Pieces::setHeaderAsk(HeaderAsk ask)
{
    g_headerAsk = std::move(ask);
}

void Pieces::askHeader(const PiecesDetPtr &det)
{
    if (!det || !det->headerWanted)
        return;
    // The library's record of the same file may know it (a setlist row is a record of its own).
    for (const PiecesPtr &p : std::as_const(Data::listePiecesTEMP1())) {
        if (p && p->pieceDet && p->pieceDet != det && p->pieceDet->header && p->pieceDet->fichier == det->fichier) {
            tookHeader(*det, *p->pieceDet->header);
            return;
        }
    }
    if (g_headerAsk)
        g_headerAsk(det);
}

bool Pieces::tookHeader(PiecesDet &det, const PiecesDet::Header &header)
{
    const QString titre = det.titre, auteur = det.auteur, infoF = det.infoF;
    det.header = header;
    det.majInfoFromNote();
    return titre != det.titre || auteur != det.auteur || infoF != det.infoF;
}

void Pieces::initIndexes(qint32 t0, qint32 t1, qint32 t2, qint32 t3, qint32 t4, qint32 t5, qint32 t6, qint32 t7,
                         qint32 t8, qint32 t9)
{
    const qint32 values[] = {t0, t1, t2, t3, t4, t5, t6, t7, t8, t9};
    for (int i = 0; i < 10; ++i)
        pieceDet->setIndexInTEMP(i, values[i]);
}

QString Pieces::getPath() const { return pieceDet->fichier; }

qint32 Pieces::tempo()
{
    PiecesDet &det = *pieceDet;
    if (det.noteTooLarge)
        return 0;
    // Asked at every song change, by several windows: a long note is scanned once.
    PiecesDet::NoteReading &kept = Data::noteReading(det);
    if (!kept.tempo)
        kept.tempo = std::make_shared<const piecesrules::TempoResult>(piecesrules::tempoFromNote(kept.text));
    const piecesrules::TempoResult r = *kept.tempo;
    det.tempoOk = true;
    det.signature = r.signature;
    if (r.keepStoredTempo)
        return 0;
    det.tempo = r.tempo;
    return r.tempo;
}

QString Pieces::tempoTxt()
{
    const qint32 t = tempo();
    return t == 0 ? QString() : QString::number(t);
}

QString Pieces::lastPlayedDateFor(qint64 screenSet, bool forSort) const
{
    const PiecesDet &det = *pieceDet;
    QString date;
    if (screenSet >= 1 && screenSet <= 9) {
        date = det.lastPlayedDate(int(screenSet));
    } else {
        for (int s = 1; s <= 9; ++s) {
            const QString d = det.lastPlayedDate(s);
            if (!d.isEmpty() && d > date)
                date = d;
        }
    }
    if (forSort && date.isEmpty())
        return QStringLiteral("0000/00/00");
    return date;
}

QString Pieces::notetxtForDir(const QString &dir, qint64 aMode, qint64 aDefNote) const
{
    return piecesrules::notetxtForDir(pieceDet->notetxt, dir, aMode, aDefNote);
}

Pieces::NoteEdited Pieces::editNoteFile(const QString &songPath, const notefile::Format &format,
                                        const std::function<QString(const QString &)> &change,
                                        const std::atomic_bool *stopped)
{
    NoteEdited edited;
    const QString path = notefile::notePathForSong(songPath);
    const notefile::ReadResult r = notefile::read(path, notefile::LineEnds::AsStored, stopped);
    if (stopped && *stopped)
        return edited;
    edited.failure = refusal(r, path);
    QString text = edited.failure.isEmpty() ? change(r.text) : r.text;
    // The text holds its line ends as stored: they are written as they are.
    edited.format = r.exists ? r.format : notefile::Format{format.encoding, false};
    if (edited.failure.isEmpty() && text != r.text) {
        notefile::Format written;
        edited.failure = store(path, r.exists, text, {edited.format.encoding, false}, &written);
        if (stopped && *stopped)
            return edited;
        edited.format.encoding = written.encoding;
        edited.written = edited.failure.isEmpty();
        if (!edited.written)
            text = r.text;
    }
    if (!edited.failure.isEmpty())
        TLOG(QStringLiteral("Pieces editNoteFile %1").arg(edited.failure));
    edited.read = notefile::withLineFeeds(r.text);
    edited.text = notefile::withLineFeeds(text);
    return edited;
}

Pieces::NoteEditResult Pieces::tookNoteEdit(const PiecesPtr &piece, const NoteEdited &edited, const QString &onDisk,
                                            bool takeText)
{
    NoteEditResult result;
    result.failure = edited.failure;
    if (!result.failure.isEmpty() || !piece || !piece->pieceDet)
        return result;
    PiecesDet &det = *piece->pieceDet;
    result.written = edited.written;
    det.noteUnreadable = false;
    det.noteTooLarge = false;
    result.changedElsewhere = edited.read != onDisk;
    det.noteFormat = edited.format;
    det.noteOnDisk = edited.text;
    if (takeText) {
        det.notetxt = edited.text;
        det.note = !det.notetxt.isEmpty();
    }
    result.infoChanged = piece->majInfo();
    return result;
}

std::function<QString(const QString &)> Pieces::tagChange(TagEdit edit, const QString &tag)
{
    return [edit, tag](const QString &note) {
        switch (edit) {
        case TagEdit::Add: return piecesrules::addTag(note, tag);
        case TagEdit::Remove: return piecesrules::removeTag(note, tag);
        case TagEdit::RemoveAnyCase: return piecesrules::removeTag(note, tag, Qt::CaseInsensitive);
        case TagEdit::Clear: return piecesrules::clearTags(note);
        }
        return note;
    };
}
