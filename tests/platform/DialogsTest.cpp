#include "platform/Dialogs.h"
#include "platform/ModalRun.h"
#include "platform/Clock.h"
#include "platform/dialogs/FileChooser.h"
#include "platform/dialogs/QtDialogs.h"
#include "platform/dialogs/ScriptedDialogs.h"
#include "support/GatedScan.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <sys/stat.h>
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

namespace {

// The chooser's folders are made and removed off the main thread: nothing on
// it may touch them, whatever watches its file calls.
void offMain(const std::function<void()> &work) { std::thread(work).join(); }

struct ChooserRow {
    const char *name;
    char mode; // Folder, Open, Save
    QString extra; // a name filter (open) or the suggested name (save)
    QString typed; // under the base folder, over what the path line holds
    QList<int> keys;
    QString seen;  // in the chooser's status before the last key
    QString answer; // under the base folder
    QStringList listed = {};
    bool quits = false; // the chooser is asked from the event loop, which the quit ends
};

constexpr int kCtrl = Qt::ControlModifier;
constexpr int kAlt = Qt::AltModifier;

// Notes the quit as the program's start-up code does: its Quit event.
struct QuitSeen : QObject {
    QuitSeen() { QCoreApplication::instance()->installEventFilter(this); }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        seen = seen || (watched == QCoreApplication::instance() && event->type() == QEvent::Quit);
        return false;
    }
    bool seen = false;
};

} // namespace

// The chooser starts in a folder whose share never answers. Before, Qt's file
// dialog looked at that folder and at each typed path on the main thread: the
// program froze for the whole outage, and an export once went into the parent
// of the folder typed.
TEST(QtDialogs, ChoosersAnswerWhileTheirFolderDoesNotAndTakeThePathTyped)
{
    const std::vector<ChooserRow> rows = {
        {"escape", 'F', {}, {}, {Qt::Key_Escape}, "held\" does not answer yet", {}},
        {"typed folder", 'F', {}, "gig/songs", {Qt::Key_Return}, {}, "gig/songs"},
        {"typed folder with its slash", 'F', {}, "gig/songs/", {Qt::Key_Return}, {}, "gig/songs"},
        {"completed folder", 'F', {}, "gig/so", {Qt::Key_Tab, Qt::Key_Return}, {}, "gig/songs"},
        {"a file is no folder", 'F', {}, "gig/set.txt", {Qt::Key_Return, Qt::Key_Escape}, "is not a folder", {}},
        {"typed path in the held folder", 'F', {}, "held/new", {Qt::Key_Return, Qt::Key_Escape}, "new\" does not answer yet", {}},
        {"filtered file", 'O', "Sheets (*.pdf)", "gig/", {Qt::Key_N, Qt::Key_Tab, Qt::Key_Return}, {}, "gig/notes.pdf",
         {"songs/", "notes.pdf"}},
        {"saved over only when asked again", 'S', "copy.pdf", "gig/set.txt", {Qt::Key_Return, Qt::Key_Return},
         "there already", "gig/set.txt"},
        {"quit", 'F', {}, {}, {}, {}, {}},
        // Before, none of these keys did anything, a folder not there could
        // not be made, hidden entries and names not UTF-8 were never listed,
        // and the quit key was lost while a chooser was up.
        {"up", 'F', {}, "gig/songs/", {int(Qt::AltModifier) | Qt::Key_Up, Qt::Key_Return}, {}, "gig"},
        {"back and forward", 'F', {}, "gig/songs/",
         {kAlt | Qt::Key_Up, kAlt | Qt::Key_Up, kAlt | Qt::Key_Left, kAlt | Qt::Key_Left, kAlt | Qt::Key_Right, Qt::Key_Return},
         {}, "gig"},
        {"new folder", 'F', {}, "odd/new", {kCtrl | Qt::ShiftModifier | Qt::Key_N, Qt::Key_Return}, "is made", "odd/new"},
        {"deep folder and back", 'F', {}, "odd/a/b/c/d/e/f/g/", {kAlt | Qt::Key_Up, kAlt | Qt::Key_Left, Qt::Key_Return}, {},
         "odd/a/b/c/d/e/f/g"},
        {"hidden shown", 'F', {}, "gig/songs/", {kCtrl | Qt::Key_H, Qt::Key_Down, Qt::Key_Return, Qt::Key_Return}, {},
         "gig/songs/.live"},
        {"name not UTF-8", 'F', {}, "odd/z", {Qt::Key_Tab, Qt::Key_Return}, {}, QStringLiteral("odd/z") + QChar(0xdcff)},
        {"quit key", 'F', {}, {}, {kCtrl | Qt::Key_Q}, {}, {}, {}, true},
    };
    const testsupport::Ceiling ceiling(60);
    std::optional<QTemporaryDir> dir;
    offMain([&dir] {
        dir.emplace();
        QDir(dir->path()).mkpath(QStringLiteral("held"));
        QDir(dir->path()).mkpath(QStringLiteral("gig/songs/.live"));
        QDir(dir->path()).mkpath(QStringLiteral("odd/a/b/c/d/e/f/g"));
        ::mkdir(QFile::encodeName(dir->filePath(QStringLiteral("odd"))) + "/z\xff", 0700);
        testsupport::writeFile(dir->filePath(QStringLiteral("gig/set.txt")), "x");
        testsupport::writeFile(dir->filePath(QStringLiteral("gig/notes.pdf")), "x");
    });
    const QString base = dir->path() + QLatin1Char('/');
    for (const ChooserRow &row : rows) {
        SCOPED_TRACE(row.name);
        const testsupport::MainThreadFilesFail guard;
        const testsupport::FreshDefaults fresh;
        ManualClock clock;
        testsupport::Gate share;
        const auto startListings = std::make_shared<std::atomic<int>>(0);
        const FileChooser::ScopedFileCall held([share, base, startListings](const QString &path) {
            if (path == base + QStringLiteral("held"))
                ++*startListings;
            if (QThread::currentThread() == QCoreApplication::instance()->thread())
                ADD_FAILURE() << "looked at on the main thread: " << path.toStdString();
            else if (path.startsWith(base + QStringLiteral("held")))
                share.wait();
        });
        QtDialogs onScreen;
        QString answer;
        const auto ask = [&] {
            answer = row.mode == 'F'
                         ? onScreen.chooseFolder(QString(), QStringLiteral("Folder"), base + QStringLiteral("held"))
                     : row.mode == 'O'
                         ? onScreen.chooseOpenFile(QString(), QStringLiteral("Open"), base + QStringLiteral("held"), {row.extra})
                         : onScreen.chooseSaveFile(QString(), QStringLiteral("Save"), base + QStringLiteral("held"), row.extra);
        };
        QApplication::setQuitOnLastWindowClosed(!row.quits);
        // Asked before the chooser's driver below runs, and the quit key's quit ends the loop before this exit.
        QuitSeen quit;
        if (row.quits)
            QTimer::singleShot(0, [&] {
                ask();
                QTimer::singleShot(0, [&quit] {
                    if (!quit.seen)
                        QCoreApplication::exit(1);
                });
            });
        QString status;
        QTimer::singleShot(0, [&]() {
            QWidget *chooser = QApplication::activeModalWidget();
            ASSERT_TRUE(chooser && isQuestion(chooser));
            bool through = false; // else closed, so that a failure cannot hang the run
            const auto closing = qScopeGuard([&through, chooser] {
                if (!through)
                    chooser->close();
            });
            testsupport::waitFor([] { return qobject_cast<QLineEdit *>(QApplication::focusWidget()); });
            auto *line = qobject_cast<QLineEdit *>(QApplication::focusWidget());
            auto *list = chooser->findChild<QListWidget *>(QStringLiteral("chooserList"));
            const auto *said = chooser->findChild<QLabel *>(QStringLiteral("chooserStatus"));
            ASSERT_TRUE(line && list && said);
            if (row.mode == 'S') {
                EXPECT_EQ(line->text(), base + QStringLiteral("held/") + row.extra);
            }
            if (row.typed.isEmpty() && row.keys.isEmpty())
                setQuitting(true);
            if (!row.typed.isEmpty())
                QTest::keyClicks(QApplication::focusWidget(), base + row.typed);
            for (qsizetype k = 0; k < row.keys.size(); ++k) {
                // Before, a crumb row made on screen was cut to the scroll bar's height, its folder's button not scrolled to.
                testsupport::processEvents();
                for (const QPushButton *crumb : chooser->findChildren<QPushButton *>())
                    if (crumb->isVisible() && crumb->property("folder").isValid())
                        EXPECT_TRUE(crumb->size().expandedTo(crumb->sizeHint()) == crumb->size() &&
                                    (!crumb->isChecked() || crumb->visibleRegion().boundingRect() == crumb->rect()))
                            << crumb->text().toStdString();
                if (row.keys[k] == Qt::Key_Tab || row.keys[k] == Qt::Key_Down || (k == 0 && !row.listed.isEmpty())) {
                    EXPECT_TRUE(testsupport::waitFor([list] { return list->count() > 0; }));
                }
                if (k == 0 && !row.listed.isEmpty()) {
                    QStringList names;
                    for (int i = 0; i < list->count(); ++i)
                        names << list->item(i)->text();
                    EXPECT_EQ(names, row.listed);
                }
                if (k == row.keys.size() - 1) {
                    clock.advance(0.5);
                    EXPECT_TRUE(testsupport::waitFor([&] { return said->text().contains(row.seen); }));
                    status = said->text();
                }
                const QKeyCombination key = QKeyCombination::fromCombined(row.keys[k]);
                QTest::keyClick(QApplication::focusWidget(), key.key(), key.keyboardModifiers());
            }
            through = true;
            if (!testsupport::waitFor([chooser = QPointer(chooser)] { return !chooser || !chooser->isVisible(); })) {
                ADD_FAILURE() << "the chooser stays";
                chooser->close();
            }
        });
        if (row.quits)
            EXPECT_EQ(QCoreApplication::exec(), 0) << "no quit";
        else
            ask();
        EXPECT_EQ(quit.seen, row.quits);
        setQuitting(false);
        EXPECT_EQ(answer, row.answer.isEmpty() ? QString() : base + row.answer);
        EXPECT_TRUE(status.contains(row.seen)) << status.toStdString();
        // Before, filters set on a chooser made started a second listing of its folder, held by the share too.
        const int listings = row.typed.startsWith(QLatin1String("held")) ? 2 : 1;
        EXPECT_TRUE(testsupport::waitFor([&] { return *startListings >= listings; }));
        EXPECT_EQ(*startListings, listings);
        share.open();
    }
    QApplication::setQuitOnLastWindowClosed(true);
    offMain([&dir] {
        // Not seen by QDir, so not removed with the folder.
        ::rmdir(QFile::encodeName(dir->filePath(QStringLiteral("odd"))) + "/z\xff");
        dir.reset();
    });
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
    // Before, a floor came on top of the shared waits: a quit ending many threads passed 900 ms.
    for (const int askedMsAgo : {kQuitWaitsMs - kQuitFloorsMs + 10, kQuitWaitsMs + 10}) {
        quitAsked(std::chrono::steady_clock::now() - std::chrono::milliseconds(askedMsAgo));
        setQuitting(true);
        EXPECT_EQ(quitWaitLeftMs(3000), 0) << askedMsAgo;
        EXPECT_EQ(quitWaitLeftMs(3000, 20) > 0, askedMsAgo < kQuitWaitsMs) << askedMsAgo;
        setQuitting(false);
    }
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
