#pragma once

#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <optional>

class QWidget;

namespace platform {

// Every modal question the program asks goes through the installed Dialogs:
// message boxes and file choosers on screen, a scripted responder in tests.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // A modal alert. Buttons are listed in display order and the first is the
    // default (Return). Answers the 0-based index of the button pressed.
    virtual int alert(const QString &title, const QString &text, const QStringList &buttons) = 0;
    // A line of text; nullopt when cancelled.
    virtual std::optional<QString> textInput(const QString &title, const QString &text,
                                             const QString &defaultText) = 0;
    // Choosers answer an absolute path, or an empty string when cancelled.
    virtual QString chooseFolder(const QString &title, const QString &message, const QString &startDir) = 0;
    virtual QString chooseOpenFile(const QString &title, const QString &message, const QString &startDir,
                                   const QStringList &nameFilters) = 0;
    virtual QString chooseSaveFile(const QString &title, const QString &message, const QString &startDir,
                                   const QString &suggestedName) = 0;
};

// The installed dialogs (message boxes unless something else was installed).
Dialogs &dialogs();
// Installs dialogs (not owned); nullptr goes back to the message boxes.
void setDialogs(Dialogs *dialogs);

// The places a file chooser offers beside Home, the drives mounted and the
// folders chosen last: the program's own folders, handed in from above at
// start-up (the platform knows no library). Asked on the main thread each
// time a chooser opens: they answer from memory.
struct ChooserPlace {
    QString name;
    QString path;
};
void setChooserPlaces(std::function<QList<ChooserPlace>()> places);

// A question one of whose answers, keep, keeps the performer's changes ("Save
// changes?"). A quit takes that answer, whether it comes before the question
// is asked or while it is on screen: a quit never throws work away. Answers as
// Dialogs::alert, through the installed dialogs.
int askKeeping(const QString &title, const QString &text, const QStringList &buttons, int keep);

// Whether a window is one of the questions the installed dialogs put on
// screen (an alert, a text to type, a file chooser).
bool isQuestion(const QWidget *window);

// Once a quit has begun nothing is asked, whatever is installed: each question
// is logged and takes its first (default) answer, a text or a chooser is
// cancelled, and a modal window does not run; a question on screen closes as
// Escape would close it. A logout waits on nobody.
void setQuitting(bool quitting);
bool quitting();
// Notes when a quit was asked for (the quit key, a termination signal): the
// quit that begins next counts its waits from then, not from when the event
// loop came round to it. Safe in a signal handler.
void quitAsked(std::chrono::steady_clock::time_point when = std::chrono::steady_clock::now());
// The quit key's quit, from whichever window took the key: asked for now,
// begun once the event loop comes round to it.
void askQuit();
// From now on the quit key quits from every window, the way a logout does,
// once however long it is held; a question on screen is first answered as
// Escape answers it (askKeeping's keeps the changes).
void watchQuitKey();
// Every wait a quit takes (on a write, a thread, the settings file) shares
// this much from the moment the quit was asked for (else began), so that the
// quit, the rest of it included (the exit), ends within 900 ms of the key.
constexpr int kQuitWaitsMs = 750;
// The last of kQuitWaitsMs is kept for the floors below: however many there
// are, they end with the shared waits.
constexpr int kQuitFloorsMs = 100;
// How long a wait of at most budgetMs may take: all of it before a quit, and
// during one no more than is left of the quit's shared waits, but never less
// than floorMs (within budgetMs and kQuitWaitsMs): what must still be tried once
// the shared waits are spent (a thread that ends at once, a local file) gets
// that moment.
int quitWaitLeftMs(int budgetMs, int floorMs = 0);

} // namespace platform
