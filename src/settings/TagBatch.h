#pragma once

#include "settings/TagRules.h"

class NoteWriter;
class QWidget;

// Runs tag edits over songs through the note writer, a song's edits queued
// once the song before has answered: the progress popup (or the given
// progress answer, as tests do) follows the answers, its Cancel stops the
// queuing, and a note that does not answer holds no window. Every song left
// alone is then told in one message and finished runs with the result,
// unless parent has gone. One run at a time in a window: another asked
// meanwhile is not started.
void runTagEdits(QWidget *parent, NoteWriter *writer, const QString &what, const PiecesList &songs,
                 std::function<tagrules::Edits(const PiecesPtr &)> plan, std::function<bool(int, int)> progress,
                 std::function<void(const tagrules::BatchResult &)> finished);
