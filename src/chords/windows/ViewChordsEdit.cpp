#include "chords/windows/ViewChordsEdit.h"

#include "chords/ChordLibraryRules.h"
#include "chords/windows/ViewChordsSuper.h"

#include <QLineEdit>
#include <QToolButton>

ViewChordsEdit::ViewChordsEdit(QWidget *parent) : QWidget(parent)
{
    // Only the dots and fields take the mouse; the diagram shows through.
    setAttribute(Qt::WA_TranslucentBackground);
    for (int line = 0; line <= 4; ++line) {
        for (int column = 0; column < 6; ++column) {
            auto *dot = new BoxRond(this);
            dot->setLig(line);
            dot->setCol(column);
            dot->setDelegate(this);
            dot->setFillColor(QColor(0, 122, 255, 60));
            dot->setCursor(Qt::PointingHandCursor);
            dots_[size_t(line * 6 + column)] = dot;
        }
    }
    labelChord_ = new QLineEdit(this);
    labelChord_->setAlignment(Qt::AlignCenter);
    labelPos_ = new QLineEdit(QStringLiteral("1"), this);
    labelPos_->setAlignment(Qt::AlignCenter);
    QPalette red = labelPos_->palette();
    red.setColor(QPalette::Text, QColor(236, 68, 69));
    labelPos_->setPalette(red);
    boutonModify_ = new QToolButton(this);
    boutonModify_->setAutoRaise(true);
    boutonModify_->setText(QStringLiteral("🔓"));
    boutonCancel_ = new QToolButton(this);
    boutonCancel_->setAutoRaise(true);
    boutonCancel_->setText(QStringLiteral("❌"));
    boutonCancel_->hide();

    connect(labelPos_, &QLineEdit::textEdited, this, [this](const QString &text) {
        const QString fixed = QString::number(chordlibrary::clampBaseFret(text));
        if (fixed != text)
            labelPos_->setText(fixed);
        if (delegate_)
            delegate_->actionChordsPosModified();
    });
    connect(labelPos_, &QLineEdit::editingFinished, this, [this]() {
        if (delegate_ && isVisible())
            delegate_->actionChordsPosModifiedEnd();
    });
    connect(labelChord_, &QLineEdit::textEdited, this, [this](const QString &text) {
        const QString cut = chordlibrary::cutName(text);
        if (cut != text)
            labelChord_->setText(cut);
        if (delegate_)
            delegate_->actionChordsNameModified();
    });
    connect(labelChord_, &QLineEdit::editingFinished, this, [this]() {
        if (delegate_ && isVisible())
            delegate_->actionChordsNameModifiedEnd();
    });
    connect(boutonModify_, &QToolButton::clicked, this, [this]() {
        if (delegate_)
            delegate_->actionChordsModifyDone();
    });
    connect(boutonCancel_, &QToolButton::clicked, this, [this]() {
        if (delegate_)
            delegate_->actionChordsCancel();
    });
}

void ViewChordsEdit::setInstrument(qint64 instrument)
{
    instrument_ = instrument;
}

void ViewChordsEdit::setModeOkCancel(bool creation)
{
    boutonModify_->setText(creation ? QStringLiteral("✔️") : QStringLiteral("🔓"));
    boutonCancel_->setVisible(creation);
}

void ViewChordsEdit::refreshSize(const ViewChords *diagram)
{
    setGeometry(diagram->geometry());
    const diagram::FretPlan plan = diagram->plan();
    const double d = plan.markSize;
    for (int column = 0; column < 6; ++column) {
        const diagram::FretColumn &c = plan.columns[size_t(column)];
        const double x = c.string.x1();
        for (int line = 0; line <= 4; ++line) {
            double y = c.markRect.center().y();
            if (line >= 1 && line < plan.frets.size())
                y = (plan.frets.at(line - 1).y1() + plan.frets.at(line).y1()) / 2;
            BoxRond *dot = rond(line, column);
            dot->setGeometry(QRectF(x - d / 2, y - d / 2, d, d).toRect());
            dot->setVisible(c.shown);
        }
    }
    // The fields stand over the diagram's own name and base fret, one fret row high.
    QFont font = labelChord_->font();
    font.setPixelSize(std::max(8, int(plan.textSize * 0.8)));
    labelChord_->setFont(font);
    labelChord_->setGeometry(plan.nameRect.adjusted(0, 3, 0, 3).toRect());
    QFont small = font;
    small.setPixelSize(std::max(8, int(plan.textSize * 0.64)));
    labelPos_->setFont(small);
    labelPos_->setGeometry(plan.baseFretRect.toRect());
    boutonModify_->setFont(small);
    boutonModify_->setGeometry(plan.editRect.toRect());
    boutonCancel_->setFont(small);
    boutonCancel_->setGeometry(plan.starRect.toRect());
}

void ViewChordsEdit::boxRondClickatLine(qint32 line, qint32 column)
{
    if (delegate_)
        delegate_->boxRondClickatLine(line, instrument_ == 1 ? column - 1 : column);
}
