#include "controller/PreferencesDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <gtest/gtest.h>

TEST(PreferencesDialog, ClosingHandsBackTheEditedOptions)
{
    PreferencesDialog dialog;
    controller::ControllerOptions options;
    options.keyText[size_t(controller::KeyInput::Dot)] = QStringLiteral("Lead:Hi");
    options.songNoBookMark[1] = 9;
    dialog.showOptions(options);
    EXPECT_EQ(dialog.editedOptions().keyIndex, options.keyIndex);
    EXPECT_EQ(dialog.editedOptions().text(controller::KeyInput::Dot), QStringLiteral("Lead:Hi"));

    const auto boxes = dialog.findChildren<QCheckBox *>();
    for (QCheckBox *box : boxes)
        if (box->text().startsWith(QStringLiteral("Page down on the last page")))
            box->setChecked(true);
    auto *pageDown = dialog.findChild<QComboBox *>(QStringLiteral("optPageDown"));
    ASSERT_TRUE(pageDown);
    pageDown->setCurrentIndex(4);

    controller::ControllerOptions received;
    bool closed = false;
    QObject::connect(&dialog, &PreferencesDialog::closedWithOptions, [&](const controller::ControllerOptions &o) {
        received = o;
        closed = true;
    });
    dialog.reject();
    ASSERT_TRUE(closed);
    EXPECT_TRUE(received.nextPageSong);
    EXPECT_EQ(received.keyIndex[size_t(controller::KeyInput::PageDown)], 4);
    EXPECT_EQ(received.songNoBookMark[1], 9);  // run state passes through untouched
}

TEST(PreferencesDialog, KeyFieldHintsAreReadWhole)
{
    // The period key's "Genre No. 1 - 6 (optional)" was cut to "Genre No. 1 - 6 (o…".
    PreferencesDialog dialog;
    dialog.showOptions(controller::ControllerOptions());
    dialog.show();
    QCoreApplication::processEvents();
    for (int i = 0; i < controller::KeyInputCount; ++i) {
        const QLineEdit *field = dialog.keyField(i);
        if (!field->isVisible())
            continue;
        SCOPED_TRACE(field->placeholderText().toStdString());
        EXPECT_GE(field->width(), field->fontMetrics().horizontalAdvance(field->placeholderText()) + 12);
    }
    dialog.hide();
}
