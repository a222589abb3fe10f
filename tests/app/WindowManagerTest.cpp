// The program under a real window manager: openbox on an Xvfb display of the
// test's own, where this test runs again in a child on the X11 platform.
#include "GigFixture.h"

#include "windows/ScreenFrames.h"
#include "windows/TitleRow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QPushButton>
#include <QStandardPaths>
#include <QThread>
#include <xcb/xcb.h>

#include <algorithm>
#include <memory>

using WindowManager = gigtest::GigFixture;

namespace {

constexpr char kChildVariable[] = "TOLVANE_TEST_WINDOW_MANAGER_CHILD";

xcb_atom_t atom(xcb_connection_t *c, const char *name)
{
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&free)> reply(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(strlen(name)), name), nullptr), &free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// A property holding windows or atoms, read whole.
QList<quint32> listProperty(xcb_connection_t *c, xcb_window_t window, const char *name, xcb_atom_t type)
{
    std::unique_ptr<xcb_get_property_reply_t, decltype(&free)> reply(
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, atom(c, name), type, 0, 4096), nullptr), &free);
    QList<quint32> values;
    if (!reply || reply->format != 32)
        return values;
    const auto *data = static_cast<const quint32 *>(xcb_get_property_value(reply.get()));
    values = QList<quint32>(data, data + xcb_get_property_value_length(reply.get()) / 4);
    return values;
}

xcb_window_t root(xcb_connection_t *c)
{
    return xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
}

// Openbox managing an Xvfb display; both end with the object.
class WindowManagerDisplay {
public:
    WindowManagerDisplay()
    {
        for (const char *program : {"Xvfb", "openbox", "xdotool"})
            if (QStandardPaths::findExecutable(QString::fromLatin1(program)).isEmpty())
                error_ += QStringLiteral("%1 is not installed (scripts/deps.sh installs it). ")
                              .arg(QLatin1String(program));
        if (!error_.isEmpty())
            return;
        // Xvfb picks a free display and names it once it takes connections.
        xvfb_.start(QStringLiteral("Xvfb"),
                    QStringLiteral("-displayfd 1 -screen 0 1920x1080x24 -nolisten tcp").split(QLatin1Char(' ')));
        QByteArray number;
        while (!number.contains('\n') && xvfb_.waitForReadyRead(10000))
            number += xvfb_.readAllStandardOutput();
        if (!number.contains('\n')) {
            error_ = QStringLiteral("Xvfb did not start: ") + QString::fromLocal8Bit(xvfb_.readAllStandardError());
            return;
        }
        display_ = QStringLiteral(":") + QString::fromLatin1(number.trimmed());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), display_);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home_.path()); // the packaged configuration, nobody's own
        openbox_.setProcessEnvironment(env);
        openbox_.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
        openbox_.waitForStarted();
        xcb_connection_t *c = xcb_connect(display_.toLatin1().constData(), nullptr);
        QDeadlineTimer deadline(10000);
        // Managing once it names itself on the root window.
        const auto managing = [c] {
            return !xcb_connection_has_error(c)
                   && !listProperty(c, root(c), "_NET_SUPPORTING_WM_CHECK", XCB_ATOM_WINDOW).isEmpty();
        };
        while (!managing() && !deadline.hasExpired() && openbox_.state() == QProcess::Running)
            QThread::msleep(20);
        if (!managing())
            error_ = QStringLiteral("openbox did not start: ")
                     + QString::fromLocal8Bit(openbox_.readAllStandardError());
        xcb_disconnect(c);
    }

    ~WindowManagerDisplay()
    {
        for (QProcess *p : {&openbox_, &xvfb_}) {
            p->terminate();
            if (!p->waitForFinished(5000)) {
                p->kill();
                p->waitForFinished();
            }
        }
    }

    QString display() const { return display_; }
    QString error() const { return error_; }

private:
    QTemporaryDir home_;
    QProcess xvfb_, openbox_;
    QString display_, error_;
};

// What the window manager shows of the program's windows.
struct Stacking {
    xcb_connection_t *c = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();

    QList<quint32> order() const { return listProperty(c, root(c), "_NET_CLIENT_LIST_STACKING", XCB_ATOM_WINDOW); }
    quint32 active() const { return listProperty(c, root(c), "_NET_ACTIVE_WINDOW", XCB_ATOM_WINDOW).value(0); }
    bool fullScreen(const QWidget *w) const
    {
        return listProperty(c, xcb_window_t(w->winId()), "_NET_WM_STATE", XCB_ATOM_ATOM)
            .contains(atom(c, "_NET_WM_STATE_FULLSCREEN"));
    }
    bool mapped(const QWidget *w) const
    {
        std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&free)> reply(
            xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, xcb_window_t(w->winId())), nullptr), &free);
        return reply && reply->map_state == XCB_MAP_STATE_VIEWABLE;
    }
    bool above(const QWidget *w, const QWidget *below) const
    {
        const QList<quint32> list = order();
        const qsizetype at = list.indexOf(quint32(w->winId()));
        return mapped(w) && at >= 0 && at > list.indexOf(quint32(below->winId()));
    }
};

QList<QWidget *> shownWindows(const QList<QWidget *> &except = {})
{
    QList<QWidget *> list;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible() && !except.contains(w))
            list.append(w);
    return list;
}

} // namespace

// Before, openbox stacked the full-screen Tolvane window above every tool
// window ("always on top" with no tie to it): Window ▸ Notes showed nothing,
// a click on the page sent Track Preview behind it, and a click inside the
// notes window or on its mode button sent the notes window behind it.
TEST_F(WindowManager, ToolWindowsOpenedFromTheMenusStayInFrontOfTheFullScreenTolvaneWindow)
{
    if (qEnvironmentVariableIsEmpty(kChildVariable)) {
        WindowManagerDisplay desktop;
        ASSERT_TRUE(desktop.error().isEmpty()) << desktop.error().toStdString();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("DISPLAY"), desktop.display());
        env.insert(QString::fromLatin1(kChildVariable), QStringLiteral("1"));
        testsupport::runThisTestInChild(env);
        return;
    }
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    start();
    const Stacking wm;
    ASSERT_FALSE(tolvanes().isEmpty());
    WindowPDFx *tolvane = tolvanes().first();
    screenframes::showFullScreenOn(tolvane, tolvane->screen());
    tolvane->activateWindow();
    ASSERT_TRUE(testsupport::waitFor([&] { return wm.fullScreen(tolvane) && wm.active() == tolvane->winId(); }));

    const QList<QStringList> menuPaths = {
        {QStringLiteral("Notes")},
        {QStringLiteral("Guitar Chord Library…")},
        {QStringLiteral("Track Preview")},
        {QStringLiteral("New Chord Strip"), QStringLiteral("Guitar")},
        {QStringLiteral("Swap Plain and Formatted Note")}, // the other notes window takes the place
    };
    QList<QWidget *> tools;
    for (const QStringList &path : menuPaths) {
        const QString item = path.join(QStringLiteral(" ▸ "));
        QAction *action = testsupport::menuItem(controller->windowMenu(), path);
        ASSERT_TRUE(action) << item.toStdString();
        const QList<QWidget *> before = shownWindows();
        action->trigger();
        testsupport::processEvents();
        const QList<QWidget *> opened = shownWindows(before);
        ASSERT_EQ(opened.size(), 1) << item.toStdString();
        tools.append(opened.first());
        EXPECT_TRUE(testsupport::waitFor([&] { return wm.above(opened.first(), tolvane); }))
            << item.toStdString() << " opened behind the Tolvane window";
        // Before, a tool window at the window manager's top left hid the song's title and the notices.
        const QRect titleRow(tolvane->mapToGlobal(QPoint(0, 0)), QSize(tolvane->width(), TitleRow::kHeight));
        EXPECT_TRUE(opened.first()->windowType() != Qt::Tool || testsupport::waitFor([&] {
            return !opened.first()->frameGeometry().intersects(titleRow);
        })) << item.toStdString() << " covers the title row";
    }

    // A click on the page, at a place no tool window covers.
    tools.removeIf([](QWidget *w) { return !w->isVisible(); });
    QPoint click;
    for (int y = 40; y < tolvane->height() && click.isNull(); y += 40)
        for (int x = 40; x < tolvane->width() && click.isNull(); x += 40) {
            const QPoint p = tolvane->mapToGlobal(QPoint(x, y));
            const auto covers = [&](QWidget *w) { return w->frameGeometry().adjusted(-8, -8, 8, 8).contains(p); };
            if (std::none_of(tools.begin(), tools.end(), covers))
                click = p;
        }
    ASSERT_FALSE(click.isNull());
    const auto clickAt = [](const QPoint &p) {
        return QProcess::execute(QStringLiteral("xdotool"),
                                 {QStringLiteral("mousemove"), QStringLiteral("--sync"), QString::number(p.x()),
                                  QString::number(p.y()), QStringLiteral("click"), QStringLiteral("1")})
               == 0;
    };
    ASSERT_TRUE(clickAt(click));
    EXPECT_TRUE(testsupport::waitFor([&] { return wm.active() == tolvane->winId(); }))
        << "the click did not reach the page";
    for (QWidget *w : tools)
        EXPECT_TRUE(testsupport::waitFor([&] { return wm.above(w, tolvane); }))
            << w->windowTitle().toStdString() << " went behind after a click on the page";

    // A click inside each, away from its buttons.
    for (QWidget *w : tools) {
        QPoint inside;
        for (int y = w->height() / 2; y < w->height() - 4 && inside.isNull(); y += 4)
            if (!qobject_cast<QAbstractButton *>(w->childAt(w->width() / 2, y)))
                inside = QPoint(w->width() / 2, y);
        ASSERT_FALSE(inside.isNull()) << w->windowTitle().toStdString();
        ASSERT_TRUE(clickAt(w->mapToGlobal(inside)));
        EXPECT_TRUE(testsupport::waitFor([&] { return wm.active() == w->winId() && wm.above(w, tolvane); }))
            << w->windowTitle().toStdString() << " went behind after a click inside it";
    }

    // The notes windows' own mode buttons show the other one in its place, and back.
    for (int swap = 0; swap < 2; ++swap) {
        QPushButton *button = nullptr;
        for (QWidget *w : shownWindows())
            for (QPushButton *b : w->findChildren<QPushButton *>())
                if ((b->text() == QStringLiteral("Text Mode") || b->text() == QStringLiteral("Form Mode"))
                    && b->isVisible())
                    button = b;
        ASSERT_TRUE(button) << "no notes window shows its mode button";
        const QString mode = button->text();
        const QList<QWidget *> before = shownWindows();
        ASSERT_TRUE(clickAt(button->mapToGlobal(button->rect().center())));
        EXPECT_TRUE(testsupport::waitFor([&] {
            const QList<QWidget *> opened = shownWindows(before);
            return !opened.isEmpty() && wm.above(opened.last(), tolvane);
        })) << mode.toStdString() << " showed no notes window in front";
    }
}
