#include "app/Application.h"

#include "app/Resources.h"
#include "app/TolvaneAppDelegate.h"
#include "audio/library/MusicFolderIndex.h"
#include "controller/Controller.h"
#include "library/Data.h"
#include "platform/Dialogs.h"
#include "platform/InstanceLock.h"
#include "platform/Log.h"
#include "platform/MediaPlayer.h"
#include "platform/Paths.h"
#include "platform/PdfProcess.h"
#include "platform/UserDefaults.h"
#include "windows/WindowList.h"
#include "windows/WindowPDFxSuper.h"

#include <QApplication>
#include <QStandardPaths>
#include <QEvent>
#include <QWidget>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <functional>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A quit request closes every window before the event loop ends, and a closed
// window leaves the window list: shut-down runs first, so it still finds the
// windows whose layout it saves.
class QuitWatcher : public QObject {
public:
    explicit QuitWatcher(std::function<void()> onQuit) : onQuit_(std::move(onQuit)) {}

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Quit && watched == QCoreApplication::instance())
            onQuit_();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> onQuit_;
};

// Logging out, shutting down or Ctrl+C in a terminal ends the program the
// way its Quit does, so the options, logs and screen set are still saved.
// The handler only writes a byte; the event loop reads it and quits.
int g_signalPipe[2] = {-1, -1};

void onTerminationSignal(int)
{
    platform::quitAsked();
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[0], &byte, 1);
}

std::unique_ptr<QSocketNotifier> watchTerminationSignals(QObject *parent)
{
    if (g_signalPipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
        return nullptr;
    auto notifier = std::make_unique<QSocketNotifier>(g_signalPipe[1], QSocketNotifier::Read, parent);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, notifier.get(), [fd = g_signalPipe[1]]() {
        char byte;
        [[maybe_unused]] const ssize_t read = ::read(fd, &byte, 1);
        QCoreApplication::quit();
    });
    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal, &action, nullptr);
    return notifier;
}

void restoreTerminationSignals()
{
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        std::signal(signal, SIG_DFL);
}

// A second start on this settings folder: every open window comes up, the
// main Tolvane window gets the keys.
void bringWindowsToFront()
{
    QWidget *keyWindow = nullptr;
    bool keyWindowIsMain = false;
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (!window->isVisible())
            continue;
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
        window->raise();
        const bool isMain = windowlist::isTolvaneWindow(qobject_cast<WindowPDFxSuper *>(window));
        if (!keyWindow || (isMain && !keyWindowIsMain)) {
            keyWindow = window;
            keyWindowIsMain = isMain;
        }
    }
    if (keyWindow)
        keyWindow->activateWindow();
    TLOG(QStringLiteral("Application brought its windows to the front for a second start"));
}

} // namespace

Application::Application(QApplication &app, platform::InstanceLock &instance) : app_(app)
{
    platform::enableDebugLogFromEnvironment();
    app_.setApplicationName(QStringLiteral("Tolvane"));
    app_.setOrganizationName(QStringLiteral("Tolvane"));
    if (instance.state() != platform::InstanceLock::State::Owned)
        qWarning().noquote() << QStringLiteral("The settings folder cannot be locked; a second start on it is not stopped: %1")
                                    .arg(instance.error());
    else if (!instance.error().isEmpty())
        qWarning().noquote() << QStringLiteral("A second start on these settings cannot bring this one to the front: %1")
                                    .arg(instance.error());
    instance.setKnockHandler(bringWindowsToFront);
    // The program ends when its last window closes.
    app_.setQuitOnLastWindowClosed(true);
    initTolvaneRun(platform::UserDefaults::defaultDatabasePath());
    delegate_ = std::make_unique<TolvaneAppDelegate>();
    // The controller's start sets the folder (audio::followMusicFolder).
    musicLibrary_ = std::make_unique<audio::MusicFolderIndex>(
        QString(),
        platform::filePath(QStandardPaths::writableLocation(QStandardPaths::CacheLocation),
                           QStringLiteral("music-index")));
    audio::setMusicLibrary(musicLibrary_.get());
    controller_ = std::make_unique<Controller>();
    QObject::connect(&app_, &QCoreApplication::aboutToQuit, [this]() { terminate(); });
    quitWatcher_ = std::make_unique<QuitWatcher>([this]() { terminate(); });
    app_.installEventFilter(quitWatcher_.get());
    platform::watchQuitKey();
    signalNotifier_ = watchTerminationSignals(nullptr);
}

Application::~Application()
{
    restoreTerminationSignals();
    signalNotifier_.reset();
    terminate();
    controller_.reset();
    delegate_.reset();
    // Its windows gone, no reader's child outlives the program, the spare included.
    platform::PdfProcess::endSpare();
    Data::releaseAudioObjects();
    Data::setPlayer(nullptr);
    audio::setMusicLibrary(nullptr);
    musicLibrary_.reset();
    // Quitting waits at most two seconds for settings not yet on disk.
    platform::UserDefaults::standard().close();
}

void Application::start()
{
    starting_ = true;
    // A PDF reader's process starts beside the windows, so that the first song's pages do not wait on it.
    platform::PdfProcess::prepare();
    controller_->awakeFromNib();
    delegate_->applicationDidFinishLaunching();
    controller_->applicationDidFinishLaunching();
    starting_ = false;
}

void Application::terminate()
{
    // From here on nothing waits on an answer: a logout has nobody to give one.
    platform::setQuitting(true);
    // A quit that arrives during a start-up alert would save options not read
    // yet: the event loop ends all the same, and ~Application saves them once
    // start-up is through.
    if (terminated_ || starting_)
        return;
    terminated_ = true;
    controller_->applicationWillTerminate();
}

int Application::run()
{
    QTimer::singleShot(0, &app_, [this]() { start(); });
    // TOLVANE_QUIT_AFTER_MS lets the start-up test run the loop briefly.
    const int quitAfter = qEnvironmentVariableIntValue("TOLVANE_QUIT_AFTER_MS");
    if (quitAfter > 0)
        QTimer::singleShot(quitAfter, &app_, &QCoreApplication::quit);
    return app_.exec();
}

QString Application::settingsFolder()
{
    return platform::absolutePath(platform::UserDefaults::defaultDatabasePath());
}

int Application::deferToRunningInstance(const platform::InstanceLock &instance)
{
    const QString folder = platform::toNativeSeparators(settingsFolder());
    if (instance.knock(2000)) {
        qWarning().noquote()
            << QStringLiteral("Tolvane is already running with the settings in %1; its window was brought to the front.")
                   .arg(folder);
        return 0;
    }
    const QString running =
        QStringLiteral("Tolvane is already running with the settings in %1, but it does not answer: its window "
                       "could not be brought to the front.")
            .arg(folder);
    qWarning().noquote() << running;
    // The performer started this, so a message on screen is expected.
    Data::msg(running);
    return 0;
}

QByteArray Application::platformToRequest(bool platformChosen, bool waylandOffered, bool x11Offered)
{
    return !platformChosen && waylandOffered && x11Offered ? QByteArrayLiteral("xcb") : QByteArray();
}

void Application::requestPlatform()
{
    const QByteArray platform =
        platformToRequest(qEnvironmentVariableIsSet("QT_QPA_PLATFORM"), !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"),
                          !qEnvironmentVariableIsEmpty("DISPLAY"));
    if (!platform.isEmpty())
        qputenv("QT_QPA_PLATFORM", platform);
}
