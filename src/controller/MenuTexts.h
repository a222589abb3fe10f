#pragma once

#include <QString>

namespace controller {

// The screen count as the Screenset menu shows it: a circled digit for 1 to
// 9 (0 reads as 1), "(n)" from 10 on.
QString labelNoScreen(qint64 screens);
// The Screenset menu's own title for the current set (set 0 reads as set 1).
QString screensetMenuTitle(qint64 set, qint64 screens);
// One set's item: the screen label, the set's circled digit, then its stored name.
QString screensetItemTitle(qint64 set, qint64 screens, const QString &name);
// Key of a set's name for a screen count: screens first, then the set (the
// layouts' own keys put the set first).
QString screenSetNameKey(qint64 screens, qint64 set);

// A screen's title in the send-to-screen menu: "manufacturer model (name)"
// with whichever parts are known; "unknown" when none is.
QString screenTitle(const QString &manufacturer, const QString &model, const QString &name);

// The parameter field beside a key-action pop-up, for the action chosen.
struct KeyFieldHint {
    bool shown = false;
    QString placeholder;
    QString toolTip;
};
KeyFieldHint keyFieldHint(qint64 action);

} // namespace controller
