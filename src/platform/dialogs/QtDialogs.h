#pragma once

#include "platform/Dialogs.h"

namespace platform {

// Dialogs on screen: alerts and file choosers of our own, and QInputDialog.
class QtDialogs final : public Dialogs {
public:
    int alert(const QString &title, const QString &text, const QStringList &buttons) override;
    std::optional<QString> textInput(const QString &title, const QString &text, const QString &defaultText) override;
    QString chooseFolder(const QString &title, const QString &message, const QString &startDir) override;
    QString chooseOpenFile(const QString &title, const QString &message, const QString &startDir,
                           const QStringList &nameFilters) override;
    QString chooseSaveFile(const QString &title, const QString &message, const QString &startDir,
                           const QString &suggestedName) override;
};

} // namespace platform
