#pragma once

#include <QObject>

// The application's delegate: it only logs the application's life.
class TolvaneAppDelegate : public QObject {
    Q_OBJECT
public:
    explicit TolvaneAppDelegate(QObject *parent = nullptr);
    void applicationDidFinishLaunching();
    bool applicationSupportsSecureRestorableState() const { return true; }
};
