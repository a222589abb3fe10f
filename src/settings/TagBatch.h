#pragma once

#include "settings/TagRules.h"

class QWidget;

// Runs tag edits over songs with the progress popup and its Cancel (or with
// the given progress answer, as tests do), then tells every song left alone
// in one message.
tagrules::BatchResult runTagEdits(QWidget *parent, const QString &what, const PiecesList &songs,
                                  const std::function<tagrules::Edits(const PiecesPtr &)> &plan,
                                  const std::function<bool(int, int)> &progress);
