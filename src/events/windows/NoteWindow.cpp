#include "events/windows/NoteWindow.h"

#include "library/Data.h"
#include "library/NoteWriter.h"
#include "midi/Midi.h"
#include "midi/MidiCompletion.h"
#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"
#include "windows/CompletionList.h"

#include <QCloseEvent>
#include <QPlainTextEdit>

NoteWindow::NoteWindow(NoteWriter &writer, QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint), writer_(writer)
{
}

void NoteWindow::postCode(int code) const { platform::NotificationCenter::defaultCenter().postActionKey(code); }

bool NoteWindow::followSong(const PiecesPtr &piece, qint64 pageNo, bool zoomTop, bool zoomOn)
{
    const bool changed = !song_.sameSong(piece);
    if (changed && noteModifiee_)
        saveNote(false);
    song_.push(piece, pageNo, zoomTop, zoomOn);
    return changed;
}

void NoteWindow::writeRecord(const PiecesPtr &piece)
{
    writer_.save(piece, this, [](const QString &why) {
        if (!why.isEmpty())
            platform::NotificationCenter::defaultCenter().post(vocab::ActionNotice, why);
    });
}

void NoteWindow::updateItunesInfo(const QString &, const QString &, double curPos, double, bool masquer)
{
    song_.track(curPos, masquer);
    refreshPageNo();
}

void NoteWindow::openTags()
{
    postCode(vocab::OpenTagList);
    fermertag_ = true;
}

void NoteWindow::fermerTags()
{
    postCode(fermertag_ ? vocab::CloseTagList : vocab::EndTagListHold);
    fermertag_ = false;
}

void NoteWindow::setUpCompletion(QPlainTextEdit *view)
{
    completionView_ = view;
    completion_ = new CompletionList(view);
}

void NoteWindow::offerCompletion()
{
    // The entry just taken offers nothing more.
    if (!completionView_ || completion_->inserting())
        return;
    const QString text = completionView_->toPlainText();
    qsizetype start = 0;
    const QString word = midicompletion::partialWord(text, completionView_->textCursor().position(), &start);
    completion_->offer(Midi::completeNote(text, start, word.size(), false), int(start));
}

void NoteWindow::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::ActivationChange)
        return;
    if (isActiveWindow()) {
        postCode(vocab::NoteWindowBecameKey);
        postCode(vocab::StopPlayedTimer);
        return;
    }
    resignedKey();
    postCode(vocab::NoteWindowResignedKey);
    postCode(vocab::RestartPlayedTimer);
}

void NoteWindow::closeEvent(QCloseEvent *event)
{
    if (noteModifiee_)
        saveNote(false);
    fermerTags();
    QWidget::closeEvent(event);
    Data::activateKeywin();
}
