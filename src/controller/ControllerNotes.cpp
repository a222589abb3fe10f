#include "controller/Controller.h"

#include "events/NoteRules.h"
#include "events/windows/WinMsg.h"
#include "events/windows/WinNote.h"
#include "events/windows/WinNoteF.h"
#include "library/Data.h"
#include "library/NoteWriter.h"
#include "platform/Dialogs.h"
#include "platform/Clock.h"
#include "platform/KeptAtQuit.h"
#include "platform/Log.h"
#include "platform/MainMenu.h"
#include "platform/Paths.h"

// The two note windows and the timed message window: created at start-up
// (the message window on first use), pushed every song, page, zoom and track
// position, and shown or swapped by the note commands.

void Controller::createNoteWindows()
{
    if (winNoteF_)
        return;
    noteWriter_ = std::make_unique<NoteWriter>();
    connect(noteWriter_.get(), &NoteWriter::noAnswer, this, [this](const QString &title, const QString &kept) {
        if (!noteWaitSaid_.isEmpty())
            endFailure(noteWaitSaid_);
        noteWaitSaid_ = kept.isEmpty()
                           ? QStringLiteral("The note of \"%1\" does not answer: the edit waits in memory and is saved "
                                            "once it does.")
                                 .arg(title)
                           : QStringLiteral("The note of \"%1\" does not answer: the edit is kept in %2 meanwhile "
                                            "and saved to the note once it does.")
                                 .arg(title, platform::kept::named(platform::absolutePath(kept)));
        tellFailure(noteWaitSaid_, Held::UntilEnded);
    });
    connect(noteWriter_.get(), &NoteWriter::answered, this, [this] {
        if (!noteWaitSaid_.isEmpty())
            endFailure(std::exchange(noteWaitSaid_, QString()));
    });
    winNoteF_ = std::make_unique<WinNoteF>(*noteWriter_);
    winNote_ = std::make_unique<WinNote>(*noteWriter_);
    winNote_->setRefwNoteF(winNoteF_.get());
    MainMenu::instance().attachTo(winNoteF_.get());
    MainMenu::instance().attachTo(winNote_.get());
}

QWidget *Controller::noteWindowInUse() const
{
    if (Data::formattedNote())
        return winNoteF_.get();
    return winNote_.get();
}

bool Controller::noteWindowVisible() const
{
    const QWidget *w = noteWindowInUse();
    return w && w->isVisible();
}

void Controller::showNoteWindow()
{
    if (Data::formattedNote() && winNoteF_)
        winNoteF_->showWin();
    else if (!Data::formattedNote() && winNote_)
        winNote_->showWin();
}

void Controller::closeNoteWindow()
{
    if (QWidget *w = noteWindowInUse())
        w->close();
}

QRect Controller::noteWindowFrame() const
{
    const QWidget *w = noteWindowInUse();
    return w ? w->geometry() : QRect();
}

void Controller::takeNoteWindowFrame(const QRect &frame)
{
    QWidget *w = noteWindowInUse();
    if (!w)
        return;
    if (frame.isValid())
        w->setGeometry(frame);
    if (Data::formattedNote())
        winNoteF_->refreshPieceData();
    else
        winNote_->refreshPieceData();
}

bool Controller::editVisibleNote()
{
    QWidget *w = noteWindowInUse();
    if (!w || !w->isVisible())
        return false;
    if (Data::formattedNote())
        winNoteF_->editer();
    else
        winNote_->editer();
    return true;
}

void Controller::pushSongToNotes(const PiecePtr &piece, qint64 pageNo, bool zoomTop, const PiecePtr &pieceNext)
{
    if (winNoteF_)
        winNoteF_->setPDF(piece, pageNo, zoomTop, zoomON_, Data::currentSort(), pieceNext);
    if (winNote_)
        winNote_->setPDF(piece, pageNo, zoomTop, zoomON_, Data::currentSort(), pieceNext);
}

void Controller::pushTrackToNotes(const QString &title, const QString &artist, double curPos, double maxPos,
                                  bool masquer)
{
    if (winMsg_)
        winMsg_->updateItunesInfo(title, artist, curPos, maxPos, masquer);
    if (winNoteF_)
        winNoteF_->updateItunesInfo(title, artist, curPos, maxPos, masquer);
    if (winNote_)
        winNote_->updateItunesInfo(title, artist, curPos, maxPos, masquer);
}

void Controller::pushZoomToNotes(bool top)
{
    if (winNoteF_)
        top ? winNoteF_->afficherZoomHaut() : winNoteF_->afficherZoomBas();
    if (winNote_)
        top ? winNote_->afficherZoomHaut() : winNote_->afficherZoomBas();
}

void Controller::refreshNotesMidi(bool control)
{
    if (winNoteF_)
        control ? winNoteF_->refreshLastMIDIdataCC() : winNoteF_->refreshLastMIDIdata();
    if (winNote_)
        control ? winNote_->refreshLastMIDIdataCC() : winNote_->refreshLastMIDIdata();
}

bool Controller::savePlainNote()
{
    if (!winNote_ || !winNote_->noteModifiee())
        return false;
    const bool written = winNote_->saveNote(false);
    if (winNoteF_)
        winNoteF_->refreshPieceDataEtForcerSave(false);
    return written;
}

void Controller::saveNotesAtShutdown()
{
    if (winNote_ && winNote_->noteModifiee())
        winNote_->saveNote(false);
    if (winNoteF_ && winNoteF_->noteModifiee())
        winNoteF_->saveNote(false);
    // A note that does not answer keeps its edit aside: the quit goes on.
    if (noteWriter_)
        noteWriter_->finish(platform::quitWaitLeftMs(platform::kQuitWaitsMs));
}

void Controller::insererMessage(const QString &text)
{
    if (!winNoteF_)
        return;
    // A line typed into the plain window and not yet saved comes first.
    savePlainNote();
    winNoteF_->addNoteString(text);
    if (winNote_)
        winNote_->refreshPieceData();
}

void Controller::insererTag(const QString &tag)
{
    if (!winNoteF_)
        return;
    savePlainNote();
    winNoteF_->addTagString(tag);
    if (winNote_)
        winNote_->refreshPieceData();
}

void Controller::insererAction(const QString &text)
{
    const double seconds = Data::currentGenreG() == 6 ? secondsSinceMuteStart() : Data::gpos();
    insererMessage(QStringLiteral("%1 %2").arg(noterules::timeText(seconds), text));
}

double Controller::secondsSinceMuteStart() const
{
    const QDateTime start = Data::timeLastPlayMute();
    if (!start.isValid())
        return 0.0;
    return qMax(0.0, double(start.msecsTo(platform::currentDateTime())) / 1000.0);
}

void Controller::showTimedMessage(qint64 code)
{
    if (!winMsg_)
        winMsg_ = std::make_unique<WinMsg>();
    // The position of the track now playing; in genre 6 the time since the mute run started.
    double seconds = 0.0;
    if (Data::currentGenreG() == 6 && !options_.slaveOn)
        seconds = secondsSinceMuteStart();
    else if (Data::currentGenreG() != 6)
        seconds = Data::gpos();
    winMsg_->showWin(seconds, carn(code + 1).toUpper());
}

void Controller::writePlayedDate(const QString &date)
{
    if (!winNoteF_)
        return;
    savePlainNote();
    auto told = [this](const QString &failure) {
        if (!failure.isEmpty())
            reportUnaskedWriteFailure(failure);
        if (winNote_ && !winNote_->noteModifiee())
            winNote_->refreshPieceData();
    };
    told(winNoteF_->updateLastPlayedDate(date, told));
}

void Controller::reprocessSavedNote()
{
    // A save re-sends the song's "DEFAULT" group and untimed MIDI only when
    // those lines changed: a cue recorded mid-song never re-sends a program change.
    const QString before = noterules::untimedMidi(Data::songEvents());
    const PiecePtr piece = Data::getPiece(Data::songNoG());
    if (!piece || !piece->pieceDet)
        return;
    Data::chargerSongEventsFromNote(*piece->pieceDet, Data::songEvents());
    updateCueX();
    if (noterules::untimedMidi(Data::songEvents()) != before)
        sendMIDIfromNote();
    if (Data::processSongEventsUpTo(0.0, true, Data::songEvents()))
        updateCueX();
    if (winNoteF_)
        winNoteF_->refreshSongEv();
}
