#pragma once

#include "platform/Dialogs.h"

#include <QList>
#include <deque>
#include <functional>

namespace platform {

// Dialogs for tests: records every question and answers from a script.
// Installs itself for its lifetime. An alert with no scripted answer takes
// its first (default) button; a chooser with none is cancelled.
class ScriptedDialogs final : public Dialogs {
public:
    struct Record {
        QString kind;  // "alert", "text", "folder", "open", "save"
        QString title;
        QString text;
        QStringList buttons;
    };

    ScriptedDialogs();
    ~ScriptedDialogs() override;

    // Answers, each kind in its own queue: a button label for the next
    // alert, a text for the next text input, a path for the next chooser.
    void answerButton(const QString &label) { buttonAnswers_.push_back(label); }
    void answerText(const std::optional<QString> &text) { textAnswers_.push_back(text); }
    void answerPath(const QString &path) { pathAnswers_.push_back(path); }
    // Runs while each alert is open, as the box on screen would be: taking
    // the keys from the window under it, say.
    void whileAlertOpen(std::function<void()> act) { whileAlertOpen_ = std::move(act); }

    const QList<Record> &records() const { return records_; }
    QStringList texts() const;
    QString lastText() const { return records_.isEmpty() ? QString() : records_.last().text; }
    void clear() { records_.clear(); }

    int alert(const QString &title, const QString &text, const QStringList &buttons) override;
    std::optional<QString> textInput(const QString &title, const QString &text, const QString &defaultText) override;
    QString chooseFolder(const QString &title, const QString &message, const QString &startDir) override;
    QString chooseOpenFile(const QString &title, const QString &message, const QString &startDir,
                           const QStringList &nameFilters) override;
    QString chooseSaveFile(const QString &title, const QString &message, const QString &startDir,
                           const QString &suggestedName) override;

private:
    QString nextPath();
    QList<Record> records_;
    std::deque<QString> buttonAnswers_;
    std::deque<std::optional<QString>> textAnswers_;
    std::deque<QString> pathAnswers_;
    std::function<void()> whileAlertOpen_;
};

} // namespace platform
