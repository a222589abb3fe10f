#include "platform/Dialogs.h"
#include "platform/ModalRun.h"
#include "platform/dialogs/QtDialogs.h"
#include "platform/dialogs/ScriptedDialogs.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <memory>
#include <gtest/gtest.h>

using namespace platform;

TEST(ScriptedDialogs, RecordsEveryQuestionAndAnswersFromTheScript)
{
    ScriptedDialogs scripted;
    EXPECT_EQ(&dialogs(), &scripted);

    // No scripted answer: the default (first) button.
    EXPECT_EQ(dialogs().alert(QString(), QStringLiteral("Delete?"), {"No", "Yes"}), 0);
    scripted.answerButton(QStringLiteral("Yes"));
    scripted.answerButton(QStringLiteral("Cancel"));
    EXPECT_EQ(dialogs().alert(QString(), QStringLiteral("Delete?"), {"No", "Yes"}), 1);
    EXPECT_EQ(dialogs().alert(QStringLiteral("T"), QStringLiteral("Save?"), {"Cancel", "No", "Yes"}), 0);

    // Each kind of answer has its own queue.
    scripted.answerPath(QStringLiteral("/songs"));
    scripted.answerText(std::nullopt);
    EXPECT_EQ(dialogs().textInput(QString(), QStringLiteral("Name?"), QStringLiteral("x")), std::nullopt);
    EXPECT_EQ(dialogs().textInput(QString(), QStringLiteral("Name?"), QStringLiteral("x")), QStringLiteral("x"));
    EXPECT_EQ(dialogs().chooseFolder(QString(), QStringLiteral("Folder"), QString()), QStringLiteral("/songs"));
    EXPECT_EQ(dialogs().chooseOpenFile(QString(), QStringLiteral("Open"), QString(), {}), QString());

    ASSERT_EQ(scripted.records().size(), 7);
    EXPECT_EQ(scripted.records()[2].title, QStringLiteral("T"));
    EXPECT_EQ(scripted.records()[2].buttons, QStringList({"Cancel", "No", "Yes"}));
    EXPECT_EQ(scripted.records()[5].kind, QStringLiteral("folder"));
    EXPECT_EQ(scripted.lastText(), QStringLiteral("Open"));
}

TEST(ScriptedDialogs, UninstallsItselfWhenGone)
{
    {
        ScriptedDialogs scripted;
        EXPECT_EQ(&dialogs(), &scripted);
    }
    EXPECT_NE(dynamic_cast<QtDialogs *>(&dialogs()), nullptr);
}

namespace {

// Runs an on-screen alert and acts on it once it is up.
int runAlert(const QStringList &buttons, const QString &text,
             const std::function<void(QDialog *, QList<QPushButton *>)> &act)
{
    QtDialogs onScreen;
    QTimer::singleShot(0, [&]() {
        auto *box = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        QList<QPushButton *> shown = box->findChildren<QPushButton *>();
        std::sort(shown.begin(), shown.end(),
                  [](QPushButton *a, QPushButton *b) { return a->mapToGlobal(QPoint()).x() < b->mapToGlobal(QPoint()).x(); });
        act(box, shown);
    });
    return onScreen.alert(QStringLiteral("Title"), text, buttons);
}

QStringList labels(const QList<QPushButton *> &buttons)
{
    QStringList list;
    for (QPushButton *button : buttons)
        list.append(button->text());
    return list;
}

void press(QWidget *widget, int key)
{
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(widget, &down);
}

} // namespace

// Before, the buttons went into a message box that orders them by role and
// desktop style, so the order asked for was lost under some desktops.
TEST(QtDialogs, AlertShowsButtonsFromTheRightWithTheFirstAsDefault)
{
    QStringList shownLabels;
    QString defaultLabel;
    const int answer = runAlert({"Cancel", "No", "Yes"}, QStringLiteral("Save?"), [&](QDialog *, QList<QPushButton *> shown) {
        shownLabels = labels(shown);
        for (QPushButton *button : shown)
            if (button->isDefault())
                defaultLabel = button->text();
        shown[1]->click(); // "No"
    });
    EXPECT_EQ(shownLabels, QStringList({"Yes", "No", "Cancel"}));
    EXPECT_EQ(defaultLabel, QStringLiteral("Cancel"));
    EXPECT_EQ(answer, 1);
}

TEST(QtDialogs, ReturnAnswersTheDefaultAndEscapeTheCancelButton)
{
    EXPECT_EQ(runAlert({"No", "Yes"}, QStringLiteral("Sure?"), [](QDialog *box, auto) { press(box, Qt::Key_Return); }), 0);
    EXPECT_EQ(runAlert({"Cancel", "No", "Yes"}, QStringLiteral("Sure?"),
                       [](QDialog *box, auto shown) {
                           shown[0]->setFocus(); // "Yes" focused: Return still means the default
                           press(box, Qt::Key_Return);
                       }),
              0);
    EXPECT_EQ(runAlert({"Save", "Cancel"}, QStringLiteral("Sure?"), [](QDialog *box, auto) { press(box, Qt::Key_Escape); }), 1);
    EXPECT_EQ(runAlert({}, QStringLiteral("Done."), [](QDialog *, auto shown) {
                  ASSERT_EQ(labels(shown), QStringList({"Ok"}));
                  shown[0]->click();
              }),
              0);
}

// Before, message boxes guessed rich text, so a title such as "<Intro> & Outro"
// lost its angle brackets.
TEST(QtDialogs, AlertTextShowsAsWritten)
{
    const QString text = QStringLiteral("\"<b>Intro</b> & Outro\" has no note.");
    QString shown;
    runAlert({"Ok"}, text, [&](QDialog *box, auto buttons) {
        for (QLabel *label : box->findChildren<QLabel *>())
            if (label->textFormat() == Qt::PlainText)
                shown = label->text();
        buttons[0]->click();
    });
    EXPECT_EQ(shown, text);
}

// The file dialogs are kept for the program's run, as destroying one waits for
// its helper thread: each question starts from a fresh dialog's state, and a
// dialog outlives the window it was shown over.
TEST(QtDialogs, EachFileQuestionStartsFromAFreshDialogWhateverWentBefore)
{
    QtDialogs onScreen;
    auto window = std::make_unique<QWidget>();
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QStringList shown; // accept mode, file mode, name filters
    const auto seeAndCancel = [&shown]() {
        QTimer::singleShot(0, [&shown]() {
            auto *d = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            ASSERT_NE(d, nullptr);
            shown << QStringLiteral("%1 %2 %3").arg(d->acceptMode()).arg(d->fileMode()).arg(d->nameFilters().join(','));
            d->reject();
        });
    };
    const QString fresh = QFileDialog().nameFilters().join(',');
    seeAndCancel();
    onScreen.chooseFolder(QString(), QStringLiteral("Folder"), QString());
    window.reset();
    seeAndCancel();
    onScreen.chooseSaveFile(QString(), QStringLiteral("Save"), QString(), QStringLiteral("a.txt"));
    seeAndCancel();
    onScreen.chooseOpenFile(QString(), QStringLiteral("Chords"), QString(), {"Chords (*.txt)"});
    seeAndCancel();
    onScreen.chooseOpenFile(QString(), QStringLiteral("Open"), QString(), {});
    EXPECT_EQ(shown, QStringList({"0 2 " + fresh, "1 0 " + fresh, "0 1 Chords (*.txt)", "0 1 " + fresh}));
}

namespace {

// A window that notes the keys it is given.
class KeyWindow : public QWidget {
public:
    QList<int> keys;

protected:
    void keyPressEvent(QKeyEvent *event) override { keys.append(event->key()); }
};

} // namespace

// Before, a folder path typed faster than the chooser listed the folder above
// it was listed after the chooser had closed: the completion popup came up over
// the window below, took the next keys, and the window made active then did not
// count as active (an export's "A Tolvane window must be selected").
TEST(QtDialogs, TheChoosersPopupIsGoneOnceAFolderIsChosenByTyping)
{
    QTemporaryDir base;
    ASSERT_TRUE(QDir(base.path()).mkpath(QStringLiteral("gig/songs")));
    KeyWindow window;
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    QtDialogs onScreen;
    QStringList listed;
    QObject gate;
    QTimer::singleShot(0, [&]() {
        auto *d = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        QObject::connect(d->findChild<QFileSystemModel *>(), &QFileSystemModel::directoryLoaded, &gate,
                         [&listed](const QString &path) { listed << path; });
        QTest::keyClicks(QApplication::focusWidget(), base.path() + QStringLiteral("/gig/songs"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    });
    EXPECT_EQ(onScreen.chooseFolder(QString(), QStringLiteral("Folder"), QDir::rootPath()),
              base.path() + QStringLiteral("/gig/songs"));
    ASSERT_TRUE(testsupport::waitFor([&] { return listed.contains(base.path() + QStringLiteral("/gig")); }));
    testsupport::processEvents();
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    window.activateWindow();
    EXPECT_TRUE(testsupport::waitFor([&] { return QApplication::activeWindow() == &window; }));
    QTest::keyClick(window.windowHandle(), Qt::Key_Right);
    EXPECT_EQ(window.keys, QList<int>{Qt::Key_Right});

    // The next chooser completes what is typed there. Before, it kept the path
    // typed last in its name field, and what was typed next went after it.
    bool completed = false;
    QTimer::singleShot(0, [&]() {
        QWidget *d = QApplication::activeModalWidget();
        QTest::keyClicks(QApplication::focusWidget(), base.path() + QStringLiteral("/gig/so"));
        completed = testsupport::waitFor([] { return QApplication::activePopupWidget() != nullptr; });
        d->close();
    });
    onScreen.chooseFolder(QString(), QStringLiteral("Folder"), QDir::rootPath());
    EXPECT_TRUE(completed);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

// Before, a quit at a logout that met a failed note save opened an alert
// nobody answered, and the program never ended.
TEST(Dialogs, NothingIsAskedOnceAQuitHasBegun)
{
    ScriptedDialogs scripted;
    bool ran = false;
    setModalRunner([&ran](QDialog &) {
        ran = true;
        return int(QDialog::Accepted);
    });
    scripted.answerButton(QStringLiteral("Yes"));
    setQuitting(true);
    QDialog window;
    EXPECT_EQ(dialogs().alert(QString(), QStringLiteral("Save?"), {"No", "Yes"}), 0) << "the default answer";
    EXPECT_EQ(dialogs().chooseFolder(QString(), QStringLiteral("Folder"), QString()), QString());
    EXPECT_EQ(runModal(window), int(QDialog::Rejected));
    setQuitting(false);
    setModalRunner({});
    EXPECT_TRUE(scripted.records().isEmpty()) << "logged, never put to the installed dialogs";
    EXPECT_FALSE(ran);
}

// Before, the quit's waits counted from when the event loop began the quit, up
// to a tenth of a second after the key: quits with every write held ended late.
TEST(Dialogs, AQuitsWaitsCountFromWhenItWasAsked)
{
    quitAsked(std::chrono::steady_clock::now() - std::chrono::milliseconds(300));
    setQuitting(true);
    EXPECT_LE(quitWaitLeftMs(kQuitWaitsMs), kQuitWaitsMs - 300);
    setQuitting(false);
    // The next quit, asked for by nobody, counts from its own beginning.
    setQuitting(true);
    EXPECT_GT(quitWaitLeftMs(kQuitWaitsMs), kQuitWaitsMs - 300);
    setQuitting(false);
}

// Before, a quit that closed a "Save changes?" question on screen made it
// answer its default, "No", and the changes were thrown away; a quit that came
// before the question kept them. Both now take the answer that keeps them.
TEST(Dialogs, AQuestionAQuitCutsShortKeepsTheChanges)
{
    QtDialogs onScreen;
    setDialogs(&onScreen);
    for (const bool alreadyQuitting : {false, true}) {
        SCOPED_TRACE(alreadyQuitting ? "quit before it is asked" : "quit while it is on screen");
        setQuitting(alreadyQuitting);
        if (!alreadyQuitting)
            QTimer::singleShot(0, []() {
                // The quit closes every window, the question among them.
                setQuitting(true);
                QApplication::activeModalWidget()->close();
            });
        EXPECT_EQ(askKeeping(QStringLiteral("Title"), QStringLiteral("Save changes?"), {"Cancel", "No", "Yes"}, 2), 2);
        setQuitting(false);
        // Without a quit the answer is the performer's.
        QTimer::singleShot(0, []() { QApplication::activeModalWidget()->close(); });
        EXPECT_EQ(askKeeping(QStringLiteral("Title"), QStringLiteral("Save changes?"), {"Cancel", "No", "Yes"}, 2), 0);
    }
    setDialogs(nullptr);
}
