#include "chordpro/editor/TransposeList.h"

#include "chordpro/ChordPro.h"
#include "chordpro/ChordProEditing.h"
#include "platform/ModalRun.h"
#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace chordpro::editing;

TransposeList::TransposeList(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Transpose"));
    setModal(true);
    auto *layout = new QVBoxLayout(this);
    auto *choices = new QHBoxLayout;
    const std::pair<const char *, void (TransposeList::*)()> prefs[] = {
        {"Auto", &TransposeList::actionAuto},
        {"Flats (b)", &TransposeList::actionBemol},
        {"Sharps (#)", &TransposeList::actionDiese},
    };
    for (const auto &[label, action] : prefs) {
        auto *button = new QRadioButton(QLatin1String(label), this);
        button->setObjectName(QLatin1String(label).left(5).trimmed());
        button->setFocusPolicy(Qt::NoFocus);
        connect(button, &QRadioButton::clicked, this, action);
        choices->addWidget(button);
    }
    choices->addStretch();
    layout->addLayout(choices);

    mTable_ = new QTableWidget(kTransposeRows, 3, this);
    mTable_->setHorizontalHeaderLabels({QStringLiteral("Semitones"), QStringLiteral("Key"), QStringLiteral("Chords")});
    mTable_->verticalHeader()->hide();
    mTable_->setSelectionBehavior(QAbstractItemView::SelectRows);
    mTable_->setSelectionMode(QAbstractItemView::SingleSelection);
    mTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    mTable_->horizontalHeader()->setStretchLastSection(true);
    connect(mTable_, &QTableWidget::cellDoubleClicked, this, [this] { actionEnterOnList(); });
    layout->addWidget(mTable_);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    auto *cancel = new QPushButton(QStringLiteral("Cancel"), this);
    auto *ok = new QPushButton(QStringLiteral("Transpose"), this);
    ok->setDefault(true);
    connect(cancel, &QPushButton::clicked, this, &TransposeList::closeWin);
    connect(ok, &QPushButton::clicked, this, &TransposeList::actionEnterOnList);
    buttons->addWidget(cancel);
    buttons->addWidget(ok);
    layout->addLayout(buttons);
    resize(560, 420);
}

void TransposeList::showTransposeList(const ChordPro &document)
{
    remplir(document);
    platform::runModal(*this);
}

void TransposeList::remplir(const ChordPro &document)
{
    chargementEnCours_ = true;
    cle_ = document.obtenirCle();
    chords_ = chordNames(document.obtenirListeAccords());
    prefBemolDiese_ = 0;
    if (auto *automatic = findChild<QRadioButton *>(QStringLiteral("Auto")))
        automatic->setChecked(true);
    refreshKeyChord();
    reload();
    mTable_->selectRow(6);
    mTable_->setFocus();
    chargementEnCours_ = false;
}

void TransposeList::refreshKeyChord()
{
    keyChord_ = cle_;
    if (keyChord_.isEmpty())
        for (const QString &chord : chords_)
            if (!chord.trimmed().isEmpty()) {
                keyChord_ = chord;
                break;
            }
}

void TransposeList::reload()
{
    for (int row = 0; row < kTransposeRows; ++row) {
        const TransposeRow cells = transposeRow(keyChord_, chords_, row, int(prefBemolDiese_));
        const QString texts[] = {cells.chordNo, keyChord_.isEmpty() ? QString() : cells.chord, cells.chordList};
        for (int column = 0; column < 3; ++column) {
            auto *item = new QTableWidgetItem(texts[column]);
            if (row == 6)
                item->setFont([&] {
                    QFont bold = mTable_->font();
                    bold.setBold(true);
                    return bold;
                }());
            mTable_->setItem(row, column, item);
        }
    }
}

void TransposeList::setPreference(int pref)
{
    previousSelectedRow_ = mTable_->currentRow();
    prefBemolDiese_ = pref;
    reload();
    if (previousSelectedRow_ >= 0)
        mTable_->selectRow(int(previousSelectedRow_));
}

void TransposeList::actionEnterOnList()
{
    const QList<QTableWidgetItem *> selected = mTable_->selectedItems();
    if (selected.isEmpty())
        return;
    const int row = selected.first()->row();
    closeWin();
    platform::NotificationCenter::defaultCenter().post(vocab::ActionTranspose,
                                                       QVariant(transposeParamForRow(row, int(prefBemolDiese_))));
}

void TransposeList::closeWin()
{
    if (focusWidget())
        focusWidget()->clearFocus();
    done(QDialog::Rejected);
    hide();
}

void TransposeList::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        actionEnterOnList();
        return;
    case Qt::Key_Escape:
        closeWin();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}
