#include "platform/dialogs/ScriptedDialogs.h"

#include <QDebug>

namespace platform {

ScriptedDialogs::ScriptedDialogs() { setDialogs(this); }

ScriptedDialogs::~ScriptedDialogs() { setDialogs(nullptr); }

QStringList ScriptedDialogs::texts() const
{
    QStringList list;
    for (const Record &record : records_)
        list.append(record.text);
    return list;
}

int ScriptedDialogs::alert(const QString &title, const QString &text, const QStringList &buttons)
{
    records_.append({QStringLiteral("alert"), title, text, buttons});
    if (whileAlertOpen_)
        whileAlertOpen_();
    if (buttonAnswers_.empty())
        return 0;
    const QString label = buttonAnswers_.front();
    buttonAnswers_.pop_front();
    const int index = buttons.indexOf(label);
    // A script naming a button the alert lacks is a mistake in the test.
    if (index < 0)
        qWarning().noquote() << QStringLiteral("ScriptedDialogs: no button \"%1\" in %2")
                                    .arg(label, buttons.join(QStringLiteral(", ")));
    return index < 0 ? 0 : index;
}

std::optional<QString> ScriptedDialogs::textInput(const QString &title, const QString &text,
                                                  const QString &defaultText)
{
    records_.append({QStringLiteral("text"), title, text, {defaultText}});
    if (textAnswers_.empty())
        return defaultText;
    std::optional<QString> answer;
    answer.swap(textAnswers_.front());
    textAnswers_.pop_front();
    return answer;
}

QString ScriptedDialogs::nextPath()
{
    if (pathAnswers_.empty())
        return {};
    QString path = pathAnswers_.front();
    pathAnswers_.pop_front();
    return path;
}

QString ScriptedDialogs::chooseFolder(const QString &title, const QString &message, const QString &)
{
    records_.append({QStringLiteral("folder"), title, message, {}});
    return nextPath();
}

QString ScriptedDialogs::chooseOpenFile(const QString &title, const QString &message, const QString &,
                                        const QStringList &)
{
    records_.append({QStringLiteral("open"), title, message, {}});
    return nextPath();
}

QString ScriptedDialogs::chooseSaveFile(const QString &title, const QString &message, const QString &,
                                        const QString &)
{
    records_.append({QStringLiteral("save"), title, message, {}});
    return nextPath();
}

} // namespace platform
