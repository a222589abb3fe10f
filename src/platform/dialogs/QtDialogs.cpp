#include "platform/dialogs/QtDialogs.h"

#include "platform/dialogs/FileChooser.h"

#include "platform/Keys.h"

#include <QApplication>
#include <QDebug>
#include <QDialog>
#include <QInputDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>

namespace platform {

namespace {

Dialogs *g_installed = nullptr;
// Read by workers too: a note writer keeping an edit aside asks whether a quit is under way.
std::atomic_bool g_quitting{false};
// Set on the main thread as the quit begins, read there by its waits.
std::chrono::steady_clock::time_point g_quitBegan;
// The steady clock's count when the quit was last asked for, 0 for none; a
// signal handler writes it.
std::atomic<std::chrono::steady_clock::rep> g_quitAsked{0};
static_assert(std::atomic<std::chrono::steady_clock::rep>::is_always_lock_free);

const char *const kQuestion = "tolvaneQuestion";

// Asked and not begun yet: the question it closes is cut short by it all the same.
bool quitOnItsWay() { return g_quitting || g_quitAsked != 0; }

// The key comes to the focus widget of whichever window is up, so the whole
// application is watched: a modal window shadows the menu's shortcut.
class QuitKeyWatcher final : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress || !watched->isWidgetType() ||
            static_cast<QKeyEvent *>(event)->keyCombination() != QuitKey)
            return false;
        // Once: a key held down repeats.
        if (!quitOnItsWay())
            askQuit();
        // Closed as Escape closes it; the quit is asked first, so that a
        // question keeping the performer's changes takes its keep answer.
        if (auto *question = qobject_cast<QDialog *>(static_cast<QWidget *>(watched)->window()); isQuestion(question))
            question->reject();
        return true;
    }
};

void markQuestion(QDialog &dialog)
{
    watchQuitKey();
    dialog.setProperty(kQuestion, true);
}

void logUnasked(const QString &kind, const QString &title, const QString &text)
{
    qWarning().noquote() << QStringLiteral("Not asked while quitting (%1, %2): %3").arg(kind, title, text);
}

class QuittingDialogs final : public Dialogs {
public:
    int alert(const QString &title, const QString &text, const QStringList &) override
    {
        logUnasked(QStringLiteral("alert"), title, text);
        return 0;
    }
    std::optional<QString> textInput(const QString &title, const QString &text, const QString &) override
    {
        logUnasked(QStringLiteral("text"), title, text);
        return std::nullopt;
    }
    QString chooseFolder(const QString &title, const QString &message, const QString &) override
    {
        logUnasked(QStringLiteral("folder"), title, message);
        return {};
    }
    QString chooseOpenFile(const QString &title, const QString &message, const QString &, const QStringList &) override
    {
        logUnasked(QStringLiteral("open"), title, message);
        return {};
    }
    QString chooseSaveFile(const QString &title, const QString &message, const QString &, const QString &) override
    {
        logUnasked(QStringLiteral("save"), title, message);
        return {};
    }
};

} // namespace

Dialogs &dialogs()
{
    static QtDialogs onScreen;
    static QuittingDialogs quiet;
    if (g_quitting)
        return quiet;
    return g_installed ? *g_installed : onScreen;
}

int askKeeping(const QString &title, const QString &text, const QStringList &buttons, int keep)
{
    if (!quitting()) {
        const int answer = dialogs().alert(title, text, buttons);
        if (!quitOnItsWay())
            return answer;
        // The quit closed the question: what it answered is not the performer's.
        qWarning().noquote() << QStringLiteral("Cut short by the quit (%1): %2: answered \"%3\"")
                                    .arg(title, text, buttons.value(keep));
        return keep;
    }
    logUnasked(QStringLiteral("alert"), title, text);
    return keep;
}

bool isQuestion(const QWidget *window) { return window && window->property(kQuestion).toBool(); }

void setDialogs(Dialogs *installed) { g_installed = installed; }

void quitAsked(std::chrono::steady_clock::time_point when) { g_quitAsked = when.time_since_epoch().count(); }

void askQuit()
{
    quitAsked();
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
}

void watchQuitKey()
{
    static QPointer<QuitKeyWatcher> watcher;
    if (!watcher && qobject_cast<QApplication *>(QCoreApplication::instance())) {
        watcher = new QuitKeyWatcher(QCoreApplication::instance());
        QCoreApplication::instance()->installEventFilter(watcher);
    }
}

void setQuitting(bool quitting)
{
    using std::chrono::steady_clock;
    const steady_clock::rep asked = g_quitAsked.exchange(0);
    if (quitting && !g_quitting) {
        g_quitBegan = std::min(steady_clock::now(), asked ? steady_clock::time_point(steady_clock::duration(asked))
                                                          : steady_clock::time_point::max());
        // A question on screen goes with the quit, whichever way the quit came.
        if (qobject_cast<QApplication *>(QCoreApplication::instance()))
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [] {
                    for (QWidget *window : QApplication::topLevelWidgets())
                        if (g_quitting && isQuestion(window) && window->isVisible())
                            window->close();
                },
                Qt::QueuedConnection);
    }
    g_quitting = quitting;
}

bool quitting() { return g_quitting; }

int quitWaitLeftMs(int budgetMs, int floorMs)
{
    budgetMs = std::max(0, budgetMs);
    if (!g_quitting)
        return budgetMs;
    const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - g_quitBegan);
    const int left = int(std::clamp<qint64>(kQuitWaitsMs - kQuitFloorsMs - spent.count(), 0, budgetMs));
    return std::max(left, int(std::clamp<qint64>(kQuitWaitsMs - spent.count(), 0, std::min(budgetMs, floorMs))));
}

int QtDialogs::alert(const QString &title, const QString &text, const QStringList &buttons)
{
    // A dialog of our own rather than a message box: message boxes order
    // buttons by role and desktop style, so the order asked for would be
    // lost under some desktops. Buttons read from the right: the first is
    // the rightmost and the default, as alerts have always shown them.
    const QStringList labels = buttons.isEmpty() ? QStringList{QStringLiteral("Ok")} : buttons;
    QDialog box(QApplication::activeWindow());
    box.setWindowTitle(title);
    box.setModal(true);
    markQuestion(box);
    auto *layout = new QVBoxLayout(&box);
    // Plain text: a song title holding "<" or "&" must show as written.
    auto *message = new QLabel(text, &box);
    message->setTextFormat(Qt::PlainText);
    message->setWordWrap(true);
    message->setTextInteractionFlags(Qt::TextSelectableByMouse);
    message->setMinimumWidth(320);
    layout->addWidget(message);
    auto *row = new QHBoxLayout;
    row->addStretch(1);
    layout->addLayout(row);

    int answer = -1;
    QList<QPushButton *> pushButtons;
    for (int i = 0; i < labels.size(); ++i) {
        auto *button = new QPushButton(labels[i], &box);
        button->setObjectName(QStringLiteral("alertButton%1").arg(i));
        button->setAutoDefault(false);
        QObject::connect(button, &QPushButton::clicked, &box, [&answer, &box, i]() {
            answer = i;
            box.accept();
        });
        pushButtons.append(button);
    }
    for (int i = int(pushButtons.size()) - 1; i >= 0; --i)
        row->addWidget(pushButtons[i]);
    pushButtons.first()->setDefault(true);
    pushButtons.first()->setFocus();

    box.exec();
    if (answer >= 0)
        return answer;
    // Escape or closing the window: "Cancel" when there is one, else the default.
    const int cancel = labels.indexOf(QStringLiteral("Cancel"));
    return cancel >= 0 ? cancel : 0;
}

std::optional<QString> QtDialogs::textInput(const QString &title, const QString &text, const QString &defaultText)
{
    QInputDialog dialog(QApplication::activeWindow());
    dialog.setWindowTitle(title);
    dialog.setLabelText(text);
    dialog.setTextValue(defaultText);
    markQuestion(dialog);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

namespace {

// Made afresh for each question, over the window that has the keys. That
// window may go while the chooser is up, taking the chooser with it; its file
// work then leaves behind any thread a silent share holds.
QString runChooser(FileChooser::Mode mode, const QString &title, const QString &message, const QString &startDir,
                   const std::function<void(FileChooser &)> &setUp = {})
{
    QPointer<FileChooser> chooser = new FileChooser(mode, title, message, startDir, QApplication::activeWindow());
    markQuestion(*chooser);
    if (setUp)
        setUp(*chooser);
    const bool accepted = chooser->exec() == QDialog::Accepted;
    const QString chosen = chooser && accepted ? chooser->chosen() : QString();
    delete chooser;
    return chosen;
}

} // namespace

QString QtDialogs::chooseFolder(const QString &title, const QString &message, const QString &startDir)
{
    return runChooser(FileChooser::Mode::Folder, title, message, startDir);
}

QString QtDialogs::chooseOpenFile(const QString &title, const QString &message, const QString &startDir,
                                  const QStringList &nameFilters)
{
    return runChooser(FileChooser::Mode::OpenFile, title, message, startDir,
                      [&nameFilters](FileChooser &chooser) { chooser.setNameFilters(nameFilters); });
}

QString QtDialogs::chooseSaveFile(const QString &title, const QString &message, const QString &startDir,
                                  const QString &suggestedName)
{
    return runChooser(FileChooser::Mode::SaveFile, title, message, startDir,
                      [&suggestedName](FileChooser &chooser) { chooser.setSuggestedName(suggestedName); });
}

} // namespace platform
