#include "app/Application.h"

#include "app/TolvaneAppDelegate.h"
#include "controller/Controller.h"
#include "platform/Fonts.h"
#include "platform/Log.h"
#include "platform/UserDefaults.h"
#include "app/Resources.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <functional>

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

} // namespace

Application::Application(QApplication &app) : app_(app)
{
    platform::enableDebugLogFromEnvironment();
    app_.setApplicationName(QStringLiteral("Tolvane"));
    app_.setOrganizationName(QStringLiteral("Tolvane"));
    // The program ends when its last window closes.
    app_.setQuitOnLastWindowClosed(true);
    initTolvaneResources();
    platform::loadBundledFonts();
    platform::UserDefaults::openStandard(platform::UserDefaults::defaultDatabasePath());
    delegate_ = std::make_unique<TolvaneAppDelegate>();
    controller_ = std::make_unique<Controller>();
    QObject::connect(&app_, &QCoreApplication::aboutToQuit, [this]() { terminate(); });
    quitWatcher_ = std::make_unique<QuitWatcher>([this]() { terminate(); });
    app_.installEventFilter(quitWatcher_.get());
}

Application::~Application()
{
    terminate();
    controller_.reset();
    delegate_.reset();
}

void Application::start()
{
    controller_->awakeFromNib();
    delegate_->applicationDidFinishLaunching();
    controller_->applicationDidFinishLaunching();
}

void Application::terminate()
{
    if (terminated_)
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
