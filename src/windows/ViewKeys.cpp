#include "windows/ViewKeys.h"

#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "windows/GestureRules.h"

namespace {
constexpr int kColumns = 10;
} // namespace

ViewKeys::ViewKeys(QWidget *parent) : QWidget(parent)
{
    for (const gesturerules::PadKey &k : gesturerules::padKeys()) {
        auto *b = new QPushButton(k.title, this);
        b->setFocusPolicy(Qt::NoFocus);
        b->setProperty("tag", k.code);
        b->setObjectName(QLatin1String(k.name));
        connect(b, &QPushButton::clicked, this, [this, b] { actionKey(b); });
        keys_.insert(QLatin1String(k.name), b);
        ordered_.append(b);
    }
    // The tab key works the pad's Tab key while the pad has the keyboard.
    if (QPushButton *tab = keys_.value(QStringLiteral("boutTab")))
        tab->setShortcut(QKeySequence(Qt::Key_Tab));
}

void ViewKeys::actionKey(QPushButton *sender)
{
    if (!sender)
        return;
    keyNo_ = sender->property("tag").toLongLong();
    platform::NotificationCenter::defaultCenter().postActionKey(int(keyNo_));
}

void ViewKeys::setArrowsEnabled(bool on)
{
    for (const char *name : {"boutCmdFlecheGauche", "boutCmdFlecheDroite", "boutFlecheBas", "boutFlecheHaut",
                             "boutFlecheGauche", "boutFlecheDroite"})
        if (QPushButton *b = keys_.value(QLatin1String(name)))
            b->setEnabled(on);
}

void ViewKeys::disableKeysForTextEdit()
{
    setArrowsEnabled(false);
}

void ViewKeys::enableKeysForTextEdit()
{
    setArrowsEnabled(true);
}

void ViewKeys::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // A plain grid in table order: letters, digits, then the command keys.
    const int rows = int((ordered_.size() + kColumns - 1) / kColumns);
    for (int i = 0; i < ordered_.size(); ++i) {
        const int r = i / kColumns, c = i % kColumns;
        const int x0 = width() * c / kColumns, x1 = width() * (c + 1) / kColumns;
        const int y0 = height() * r / rows, y1 = height() * (r + 1) / rows;
        ordered_[i]->setGeometry(x0 + 1, y0 + 1, x1 - x0 - 2, y1 - y0 - 2);
    }
}
