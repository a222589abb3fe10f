#include "events/windows/EventTextView.h"
#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"
#include "windows/DragTypes.h"

#include <QTest>
#include <gtest/gtest.h>
#include <memory>

// A drop names a row of the list it came from, or it is refused.
TEST(DragTypes, FirstRowDecodesOrRefuses)
{
    const struct {
        const char *payload;
        qsizetype count;
        int expected; // -1: refused
    } cases[] = {
        {"2", 5, 2},
        {"2 3 4", 5, 2},
        {" 0 ", 1, 0},
        {"5", 5, -1},
        {"-1", 5, -1},
        {"", 5, -1},
        {"x1", 5, -1},
        {"\xff\xfe", 5, -1},
    };
    for (const auto &c : cases) {
        QMimeData data;
        data.setData(dragtypes::NotesSongEvDataType, QByteArray(c.payload));
        const std::optional<int> row = dragtypes::firstRow(&data, dragtypes::NotesSongEvDataType, c.count);
        EXPECT_EQ(row.value_or(-1), c.expected) << c.payload;
    }
    const std::unique_ptr<QMimeData> made(dragtypes::rowsMimeData(dragtypes::MidiGroupDataType, {3, 7}));
    EXPECT_EQ(dragtypes::firstRow(made.get(), dragtypes::MidiGroupDataType, 8).value_or(-1), 3);
    EXPECT_FALSE(dragtypes::firstRow(made.get(), dragtypes::TagsDataType, 8).has_value());
}

TEST(EventTextViewFocus, TakingTheFocusIsAnnounced)
{
    auto &center = platform::NotificationCenter::defaultCenter();
    QList<QObject *> senders;
    const auto id = center.addObserver(vocab::EventTextBecomeFirstResponder,
                                       [&](const platform::Notification &n) { senders << n.object.data(); });
    QWidget window;
    auto *view = new EventTextView(&window);
    view->setRow(4);
    window.show();
    QFocusEvent in(QEvent::FocusIn, Qt::MouseFocusReason);
    QApplication::sendEvent(view, &in);
    center.removeObserver(id);
    ASSERT_EQ(senders.size(), 1);
    EXPECT_EQ(senders[0], view);
    EXPECT_EQ(view->row(), 4);
}
