#include "settings/DataPref4.h"

#include "library/Data.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "platform/Vocabulary.h"
#include "settings/DataPref6.h"
#include "settings/ListControls.h"
#include "settings/TagRules.h"
#include "windows/DragTypes.h"
#include "windows/TableControls.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

void post(int code)
{
    platform::NotificationCenter::defaultCenter().postActionKey(code);
}

const QString kDragType = dragtypes::privateTableType(QStringLiteral("4"));

const QStringList &policyItems(int column)
{
    static const QStringList note = {QStringLiteral("Use Master Note as default"), QStringLiteral("Use Only Specific Note")};
    static const QStringList pdf = {QStringLiteral("Use Master PDF as default"), QStringLiteral("Use Only Master PDF"),
                                    QStringLiteral("Use Only Alternate Version")};
    static const QStringList cho = {QStringLiteral("Use Master Song as default"), QStringLiteral("Use Only Master Song"),
                                    QStringLiteral("Use Only Alternate Version")};
    static const QStringList msg = {QStringLiteral("Receive All Messages"),
                                    QStringLiteral("Receive Only Specific Messages")};
    switch (column) {
    case DataPref4::ColDefNote: return note;
    case DataPref4::ColDefPDF: return pdf;
    case DataPref4::ColDefCHO: return cho;
    default: return msg;
    }
}

} // namespace

DataPref4::DataPref4(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint)
{
    setWindowTitle(QStringLiteral("Window Identifiers"));
    // Opened on the built-in list: it shows the stored one once read, edits of the built-in one dropped.
    platform::UserDefaults::standard().afterLateRead(QStringLiteral("window identifiers window"), [this] {
        if (isVisible())
            reload();
    }, this);
    auto *outer = new QVBoxLayout(this);
    mTable_ = new SetlistTable(kDragType);
    mTable_->setColumnCount(ColumnCount);
    mTable_->setHorizontalHeaderLabels({QStringLiteral("WID"), QStringLiteral("Note"), QStringLiteral("PDF"),
                                        QStringLiteral("ChordPro"), QStringLiteral("Messages")});
    listcontrols::makeReorderable(mTable_, kDragType,
                                  [this](const QMimeData *data, int row) { return acceptDrop(data, row); });
    mTable_->setColumnWidth(ColWinID, 120);
    for (int c = ColDefNote; c < ColumnCount; ++c)
        mTable_->setColumnWidth(c, 210);
    outer->addWidget(mTable_, 1);
    listcontrols::addRowButtons(outer, this, [this]() { actionInsertRow(); }, [this]() { actionDeleteRow(); },
                                [this]() { actionButtonHelp(); });
    connect(mTable_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem *item) {
        if (!filling_ && item->column() == ColWinID)
            updateWinIDAtIndex(item->row());
    });
    resize(980, 320);
}

QTableWidget *DataPref4::table() const
{
    return mTable_;
}

QComboBox *DataPref4::policyCombo(int row, Column column) const
{
    return qobject_cast<QComboBox *>(mTable_->cellWidget(row, column));
}

void DataPref4::showDataPref4(bool save)
{
    if (save && isVisible())
        sauvegarderDonnees();
    reload();
    show();
    raise();
    activateWindow();
    if (!menuOn_) {
        post(vocab::ToolWindowShown);
        menuOn_ = true;
    }
}

void DataPref4::reload()
{
    filling_ = true;
    const QList<WinIDPtr> &ids = Data::winIDs();
    mTable_->clearContents();
    mTable_->setRowCount(int(ids.size()));
    for (int r = 0; r < ids.size(); ++r) {
        const WinID &id = *ids.at(r);
        mTable_->setItem(r, ColWinID, new QTableWidgetItem(id.idWin));
        const qint64 policies[] = {id.defNote, id.defPDF, id.defCHO, id.defMsg};
        for (int c = ColDefNote; c < ColumnCount; ++c) {
            auto *combo = new TableComboBox;
            combo->setRow(r);
            {
                const QSignalBlocker quiet(combo);
                combo->addItems(policyItems(c));
                const qint64 policy = policies[c - ColDefNote];
                combo->setCurrentIndex(policy >= 0 && policy < combo->count() ? int(policy) : 0);
            }
            connect(combo, &QComboBox::activated, this, [this, combo]() { updateWinIDAtIndex(int(combo->row())); });
            mTable_->setCellWidget(r, c, combo);
        }
    }
    filling_ = false;
}

void DataPref4::updateWinIDAtIndex(int row)
{
    if (row < 0 || row >= Data::winIDs().size() || !mTable_->item(row, ColWinID))
        return;
    WinID &id = *Data::winIDs().at(row);
    id.idWin = mTable_->item(row, ColWinID)->text();
    qint64 *policies[] = {&id.defNote, &id.defPDF, &id.defCHO, &id.defMsg};
    for (int c = ColDefNote; c < ColumnCount; ++c)
        if (QComboBox *combo = policyCombo(row, Column(c)))
            *policies[c - ColDefNote] = qMax(0, combo->currentIndex());
    post(vocab::RefreshNoteAndPdfDefaults);
}

void DataPref4::sauvegarderDonnees()
{
    // Before a late read, the list is the built-in one: never over a stored one.
    const platform::UserDefaults::Provisional fallback(platform::UserDefaults::standard());
    const QList<WinIDPtr> &ids = Data::winIDs();
    for (qsizetype i = 0; i < ids.size(); ++i) {
        ids.at(i)->index = i;
        ids.at(i)->save();
    }
    Data::setNbWinID(ids.size());
    platform::UserDefaults::standard().setInteger(QStringLiteral("WinID_nbWinID"), ids.size());
}

void DataPref4::actionInsertRow()
{
    Data::creerWinIDs();
    reload();
    const int last = mTable_->rowCount() - 1;
    mTable_->selectRow(last);
    mTable_->scrollToBottom();
    if (isVisible())
        mTable_->editItem(mTable_->item(last, ColWinID));
    post(vocab::RefreshNoteAndPdfDefaults);
}

void DataPref4::actionDeleteRow()
{
    const int row = mTable_->currentRow();
    if (row < 0 || row >= Data::winIDs().size() || mTable_->selectedItems().isEmpty()) {
        Data::msg(QStringLiteral("A row must be selected to perform this operation"));
        return;
    }
    Data::supprimerWinIDsForIndex(row);
    reload();
    if (mTable_->rowCount() > 0) {
        const int next = qMin(row, mTable_->rowCount() - 1);
        mTable_->selectRow(next);
        mTable_->scrollToItem(mTable_->item(next, ColWinID));
    }
    post(vocab::RefreshNoteAndPdfDefaults);
}

void DataPref4::actionButtonHelp()
{
    post(vocab::HelpFirst + 4);
}

bool DataPref4::acceptDrop(const QMimeData *data, int row)
{
    const std::optional<int> from = dragtypes::firstRow(data, kDragType, Data::winIDs().size());
    if (!from || !tagrules::moveRow(Data::winIDs(), *from, row))
        return false;
    reload();
    return true;
}

void DataPref4::closeEvent(QCloseEvent *event)
{
    event->accept();
    if (!menuOn_ && !isVisible())
        return;
    sauvegarderDonnees();
    post(vocab::ToolWindowClosed);
    menuOn_ = false;
    post(vocab::RefreshNoteAndPdfDefaults);
    Data::activateKeywin();
}
