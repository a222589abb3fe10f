#include "platform/dialogs/QtDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace platform {

namespace {
Dialogs *g_installed = nullptr;
}

Dialogs &dialogs()
{
    static QtDialogs onScreen;
    return g_installed ? *g_installed : onScreen;
}

void setDialogs(Dialogs *installed) { g_installed = installed; }

int QtDialogs::alert(const QString &title, const QString &text, const QStringList &buttons)
{
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(title);
    box.setText(text);
    box.setIcon(QMessageBox::NoIcon);
    QList<QPushButton *> pushButtons;
    // Message boxes lay buttons out by role; keep the order given by adding
    // them all with one role, first is the default.
    for (const QString &label : buttons)
        pushButtons.append(box.addButton(label, QMessageBox::AcceptRole));
    if (pushButtons.isEmpty())
        pushButtons.append(box.addButton(QStringLiteral("Ok"), QMessageBox::AcceptRole));
    box.setDefaultButton(pushButtons.first());
    const int cancel = buttons.indexOf(QStringLiteral("Cancel"));
    box.setEscapeButton(cancel >= 0 ? pushButtons[cancel] : pushButtons.first());
    box.exec();
    const int index = pushButtons.indexOf(qobject_cast<QPushButton *>(box.clickedButton()));
    return index < 0 ? (cancel >= 0 ? cancel : 0) : index;
}

std::optional<QString> QtDialogs::textInput(const QString &title, const QString &text, const QString &defaultText)
{
    bool ok = false;
    const QString value =
        QInputDialog::getText(QApplication::activeWindow(), title, text, QLineEdit::Normal, defaultText, &ok);
    if (!ok)
        return std::nullopt;
    return value;
}

QString QtDialogs::chooseFolder(const QString &title, const QString &message, const QString &startDir)
{
    QFileDialog dialog(QApplication::activeWindow(), title.isEmpty() ? message : title + QStringLiteral(" — ") + message,
                       startDir);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

QString QtDialogs::chooseOpenFile(const QString &title, const QString &message, const QString &startDir,
                                  const QStringList &nameFilters)
{
    QFileDialog dialog(QApplication::activeWindow(), title.isEmpty() ? message : title + QStringLiteral(" — ") + message,
                       startDir);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (!nameFilters.isEmpty())
        dialog.setNameFilters(nameFilters);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

QString QtDialogs::chooseSaveFile(const QString &title, const QString &message, const QString &startDir,
                                  const QString &suggestedName)
{
    QFileDialog dialog(QApplication::activeWindow(), title.isEmpty() ? message : title + QStringLiteral(" — ") + message,
                       startDir);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.selectFile(suggestedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

} // namespace platform
