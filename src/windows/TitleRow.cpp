#include "windows/TitleRow.h"

#include "platform/Fonts.h"
#include "windows/SmallViews.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

void ClickLabel::mousePressEvent(QMouseEvent *event)
{
    emit clicked();
    event->accept();
}

LightBox::LightBox(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    hide();
}

void LightBox::setFill(const QColor &c)
{
    fill_ = c;
    update();
}

void LightBox::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(fill_);
    p.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 4, 4);
}

void setWidgetTextColor(QWidget *w, const QColor &c)
{
    QPalette pal = w->palette();
    pal.setColor(QPalette::WindowText, c);
    pal.setColor(QPalette::ButtonText, c);
    pal.setColor(QPalette::Text, c);
    w->setPalette(pal);
}

TitleRow::TitleRow(QWidget *parent, QWidget *overlayParent) : QWidget(parent)
{
    const QFont bold = platform::systemBoldFont(13);
    auto label = [&](QWidget *owner) {
        auto *l = new QLabel(owner);
        l->setFont(bold);
        l->setTextFormat(Qt::PlainText);
        l->setAttribute(Qt::WA_TransparentForMouseEvents);
        return l;
    };
    labelWin1 = new ClickLabel(this);
    labelWin1->setFont(bold);
    labelWin1->setTextFormat(Qt::RichText);
    // The window moves by its title.
    labelWin1->setAttribute(Qt::WA_TransparentForMouseEvents);

    boxRep1 = new QWidget(this);
    labelRep1 = new ClickLabel(boxRep1);
    labelRep1->setFont(bold);
    labelRep1->setAlignment(Qt::AlignCenter);
    labelRep1->setTextFormat(Qt::PlainText);

    boxTempo1 = new QWidget(this);
    labelTempo = new TextFieldTempo(this);
    labelTempo->setFont(bold);
    labelTempo->setAlignment(Qt::AlignCenter);
    labelTrackTime = label(this);
    labelTrackTime->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    labelTrackTime->hide();

    boxCadreNote1 = new QWidget(this);
    labelWin2 = new ClickLabel(boxCadreNote1);
    labelWin2->setFont(bold);
    labelWin2->setTextFormat(Qt::PlainText);
    labelWin2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    boxMetro1 = new LightBox(this);
    boxMetro2 = new LightBox(this);
    boxMetro3 = new LightBox(this);
    boxMetro3b = new LightBox(this);
    boxMetro3c = new LightBox(this);
    boxMetro3d = new LightBox(this);
    QLabel **numbers[4] = {&labelMetro1, &labelMetro2, &labelMetro3, &labelMetro4};
    for (int i = 0; i < 4; ++i) {
        *numbers[i] = label(this);
        (*numbers[i])->setAlignment(Qt::AlignCenter);
        (*numbers[i])->setText(QString::number(i + 1));
        (*numbers[i])->hide();
    }

    buttonRec = new QPushButton(QStringLiteral("●"), this);
    buttonLoop = new QPushButton(QStringLiteral("🔁"), this);
    buttonKeys = new QPushButton(QStringLiteral("⌨"), this);
    // The way into the menus for who has not found the right-click yet.
    buttonMenu = new QPushButton(QStringLiteral("☰"), this);
    buttonMenu->setObjectName(QStringLiteral("menuButton"));
    buttonMenu->setToolTip(QStringLiteral("Menu (F10 or right-click)"));
    for (QPushButton *b : {buttonRec, buttonLoop, buttonKeys, buttonMenu}) {
        b->setFlat(true);
        b->setFocusPolicy(Qt::NoFocus);
    }
    buttonRec->hide();
    buttonLoop->hide();

    // Over the pages: large enough to read from the stage.
    boxCount = new QWidget(overlayParent);
    boxCount->setAttribute(Qt::WA_TransparentForMouseEvents);
    labelCount = new QLabel(boxCount);
    labelCount->setFont(platform::systemBoldFont(48));
    labelCount->setAlignment(Qt::AlignCenter);
    labelCount->setText(QStringLiteral(" "));
    boxCount->hide();

    boxRech2 = new QWidget(overlayParent);
    boxRech2->setAttribute(Qt::WA_TransparentForMouseEvents);
    labelRech2 = new QLabel(boxRech2);
    labelRech2->setFont(platform::systemBoldFont(24));
    labelRech2->setAlignment(Qt::AlignCenter);
    boxRech2->hide();
    for (QWidget *box : {boxCount, boxRech2}) {
        box->setAutoFillBackground(true);
        QPalette pal = box->palette();
        pal.setColor(QPalette::Window, QColor(0, 0, 0, 170));
        box->setPalette(pal);
    }
}

int TitleRow::repX() const
{
    return width() - kRepWidth - 2 * kPadButtonWidth - 10;
}

void TitleRow::placeFixed()
{
    const int h = kHeight;
    boxRep1->setGeometry(repX(), 0, kRepWidth, h);
    labelRep1->setGeometry(0, 0, kRepWidth, h);
    buttonKeys->setGeometry(width() - kPadButtonWidth - 4, 0, kPadButtonWidth, h);
    buttonMenu->setGeometry(width() - 2 * kPadButtonWidth - 6, 0, kPadButtonWidth, h);
    buttonRec->setGeometry(repX() - 2 * 24, 0, 22, h);
    buttonLoop->setGeometry(repX() - 24, 0, 22, h);
}

void TitleRow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeFixed();
}
