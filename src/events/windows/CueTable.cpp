#include "events/windows/CueTable.h"

#include "events/windows/ViewSongCue.h"
#include "windows/DragTypes.h"
#include "windows/TableControls.h"

#include <QApplication>
#include <QComboBox>
#include <QDropEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QPainter>
#include <QSignalBlocker>
#include <QStyledItemDelegate>

using namespace cuerow;

namespace {

// What a redraw compares: a cue changed by anything but its row's own edit is shown afresh.
bool sameCue(const SongEv &a, const SongEv &b)
{
    return a.mm == b.mm && a.ss == b.ss && a.timeEv == b.timeEv && a.actionType == b.actionType
           && a.actionTxt == b.actionTxt && a.levelNo == b.levelNo && a.colorCode == b.colorCode;
}

const QStringList &kindTexts()
{
    static const QStringList texts = kindItems(false);
    return texts;
}

void setTextColour(QLineEdit *field, const QVariant &colour)
{
    QPalette p = field->palette();
    p.setColor(QPalette::Text,
               colour.isValid() ? colour.value<QColor>() : QApplication::palette(field).color(QPalette::Text));
    field->setPalette(p);
}

// Edits a cell with a field or a pop-up; every keystroke and choice reaches
// the model at once, as the row's own fields told their owner.
class CueDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &index) const override
    {
        auto *cues = const_cast<CueTableModel *>(qobject_cast<const CueTableModel *>(index.model()));
        if (!cues)
            return nullptr;
        const QPersistentModelIndex at(index);
        if (cues->isCombo(index)) {
            auto *combo = new QComboBox(parent);
            setEditorData(combo, index);
            connect(combo, &QComboBox::currentIndexChanged, combo, [cues, at, combo]() {
                if (at.isValid())
                    cues->setData(at, combo->currentData(), Qt::EditRole);
            });
            return combo;
        }
        auto *field = new QLineEdit(parent);
        connect(field, &QLineEdit::textEdited, field, [cues, at, field](const QString &text) {
            if (at.column() == CueTableModel::ColTime)
                setTextColour(field, QColor(Qt::red));
            if (at.isValid())
                cues->setData(at, text, CueTableModel::TypingRole);
        });
        setEditorData(field, index);
        return field;
    }

    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        const auto *cues = qobject_cast<const CueTableModel *>(index.model());
        if (auto *combo = qobject_cast<QComboBox *>(editor); combo && cues) {
            const Combo c = cues->comboAt(index);
            const QSignalBlocker block(combo);
            combo->clear();
            for (qsizetype i = 0; i < c.texts.size(); ++i)
                combo->addItem(c.texts[i], c.choices.value(i));
            combo->setCurrentIndex(c.selected);
        } else if (auto *field = qobject_cast<QLineEdit *>(editor)) {
            const QString text = index.data(Qt::EditRole).toString();
            if (field->text() != text)
                field->setText(text);
            field->setPlaceholderText(index.data(CueTableModel::PlaceholderRole).toString());
            setTextColour(field, index.data(Qt::ForegroundRole));
        }
    }

    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override
    {
        if (auto *combo = qobject_cast<QComboBox *>(editor))
            model->setData(index, combo->currentData(), Qt::EditRole);
        else if (auto *field = qobject_cast<QLineEdit *>(editor))
            model->setData(index, field->text(), Qt::EditRole);
    }

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        const QString placeholder = index.data(CueTableModel::PlaceholderRole).toString();
        if (placeholder.isEmpty() || !index.data(Qt::DisplayRole).toString().isEmpty())
            return;
        painter->save();
        painter->setPen(option.palette.color(QPalette::PlaceholderText));
        painter->drawText(option.rect.adjusted(4, 0, -4, 0), Qt::AlignVCenter | Qt::AlignLeft, placeholder);
        painter->restore();
    }
};

} // namespace

// ---- Model ------------------------------------------------------------------------

CueTableModel::CueTableModel(QObject *parent) : QAbstractTableModel(parent) {}

void CueTableModel::setEvents(const SongEvArray &events)
{
    for (auto it = edits_.begin(); it != edits_.end();) {
        const SongEvPtr ev = events.value(it.key());
        if (ev && ev == it->ev && sameCue(*ev, it->original))
            ++it;
        else
            it = edits_.erase(it);
    }
    drawn_.clear();
    lists_ = ViewSongCue::currentLists();
    const int before = int(rows_.size()), after = int(events.size());
    if (after > before) {
        beginInsertRows(QModelIndex(), before, after - 1);
        rows_ = events;
        endInsertRows();
    } else if (after < before) {
        beginRemoveRows(QModelIndex(), after, before - 1);
        rows_ = events;
        endRemoveRows();
    } else {
        rows_ = events;
    }
    if (qMin(before, after) > 0)
        emit dataChanged(index(0, 0), index(qMin(before, after) - 1, ColumnCount - 1));
}

void CueTableModel::removeEventRow(int row)
{
    if (row < 0 || row >= rows_.size())
        return;
    beginRemoveRows(QModelIndex(), row, row);
    rows_.removeAt(row);
    QHash<int, Edit> kept;
    for (auto it = edits_.cbegin(); it != edits_.cend(); ++it)
        if (it.key() != row)
            kept.insert(it.key() < row ? it.key() : it.key() - 1, *it);
    edits_ = kept;
    drawn_.clear();
    endRemoveRows();
}

cuerow::Row CueTableModel::heldRow(int row) const
{
    if (const auto it = edits_.constFind(row); it != edits_.cend())
        return it->now;
    if (const auto it = drawn_.constFind(row); it != drawn_.cend())
        return *it;
    const SongEvPtr ev = rows_.value(row);
    const Row r = ev ? asOffered(rowForEvent(*ev, false), lists_) : Row();
    drawn_.insert(row, r);
    return r;
}

cuerow::Row CueTableModel::rowAt(int row) const
{
    Row r = heldRow(row);
    const Layout l = layoutFor(r.kind);
    if (!l.showsWinCombo())
        r.winId.clear();
    if (!l.showsFavCombo())
        r.fav.clear();
    return r;
}

std::optional<CueTableModel::Edit> CueTableModel::editOf(int row) const
{
    if (!edits_.contains(row))
        return std::nullopt;
    Edit e = edits_.value(row);
    e.now = rowAt(row);
    return e;
}

bool CueTableModel::shows(int row, int column) const
{
    const Layout l = layoutFor(heldRow(row).kind);
    switch (column) {
    case ColTime:
    case ColKind: return true;
    case ColA: return l.val1a;
    case ColB: return l.val1b;
    case ColC: return l.val1c;
    case ColText: return l.val1 || l.showsFavCombo();
    case ColTarget: return l.showsWinCombo();
    default: return false;
    }
}

bool CueTableModel::isCombo(const QModelIndex &index) const
{
    if (!index.isValid() || !shows(index.row(), index.column()))
        return false;
    const Layout l = layoutFor(heldRow(index.row()).kind);
    return index.column() == ColKind || index.column() == ColTarget || (index.column() == ColText && !l.val1);
}

cuerow::Combo CueTableModel::comboAt(const QModelIndex &index) const
{
    const Row r = heldRow(index.row());
    const Layout l = layoutFor(r.kind);
    if (index.column() == ColKind) {
        Combo c;
        c.texts = kindTexts();
        for (int k = 0; k < kKindCount; ++k)
            c.choices << QString::number(k);
        c.selected = r.kind;
        return c;
    }
    if (index.column() == ColText)
        return favCombo(r.fav, l.semiTones, lists_);
    return winIdCombo(r.winId, l.dests, lists_);
}

int CueTableModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(rows_.size()); }

int CueTableModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant CueTableModel::data(const QModelIndex &index, int role) const
{
    const int row = index.row(), col = index.column();
    if (!index.isValid() || row >= rows_.size() || !rows_[row])
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: {
        if (!shows(row, col))
            return QString();
        const Row r = heldRow(row);
        switch (col) {
        case ColTime: return r.mmss;
        case ColKind: return kindTexts().value(r.kind);
        case ColA: return r.val1a;
        case ColB: return r.val1b;
        case ColC: return r.val1c;
        case ColText:
            if (layoutFor(r.kind).val1)
                return r.val1;
            [[fallthrough]];
        default: {
            const Combo c = comboAt(index);
            return c.texts.value(c.selected);
        }
        }
    }
    case PlaceholderRole: {
        if (!shows(row, col))
            return QString();
        const Layout l = layoutFor(heldRow(row).kind);
        switch (col) {
        case ColTime: return QStringLiteral("mm:ss");
        case ColA: return l.ph1a;
        case ColB: return l.ph1b;
        case ColC: return l.ph1c;
        case ColText: return l.ph1;
        default: return QString();
        }
    }
    case Qt::ForegroundRole: {
        if (col != ColTime)
            return {};
        const auto edit = edits_.constFind(row);
        const TimeColour time = lookFor(*rows_[row]).time;
        if ((edit != edits_.cend() && edit->timeTyped) || time == TimeColour::Red)
            return QColor(Qt::red);
        return time == TimeColour::Grey ? QVariant(QColor(Qt::gray)) : QVariant();
    }
    case Qt::BackgroundRole: {
        QColor blue(0, 105, 217);
        blue.setAlphaF(float(lookFor(*rows_[row]).alpha));
        return blue;
    }
    default: return {};
    }
}

Qt::ItemFlags CueTableModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
    if (index.row() < rows_.size() && rows_[index.row()] && shows(index.row(), index.column()))
        f |= Qt::ItemIsEditable;
    return f;
}

bool CueTableModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    const int row = index.row(), col = index.column();
    if ((role != Qt::EditRole && role != TypingRole) || !index.isValid() || row >= rows_.size() || !rows_[row]
        || !shows(row, col))
        return false;
    const Row held = heldRow(row);
    Edit e = edits_.value(row, Edit{rows_[row], held, held, *rows_[row]});
    Row &now = e.now;
    const QString text = value.toString();
    bool timeEnded = false;
    if (col == ColTime) {
        // A time field left as it was ends no edit: the note is not written for it.
        if (role == Qt::EditRole && !text.isEmpty() && (e.timePending || normaliseTime(text) != now.mmss)) {
            now.mmss = normaliseTime(text);
            e.timePending = false;
            timeEnded = true;
        } else if (text == now.mmss) {
            return true;
        } else {
            now.mmss = text;
            e.timeTyped = e.timePending = true;
        }
    } else if (col == ColKind) {
        const int kind = value.toInt();
        if (kind == now.kind || kind < 0 || kind >= kKindCount)
            return true;
        now = withKind(now, kind, false);
        // As the row's pop-ups are filled again: the window or destination
        // the cue was shown with, the group named by the text kept.
        const Layout l = layoutFor(kind);
        if (l.showsWinCombo()) {
            const Combo c = winIdCombo(e.shown.winId, l.dests, lists_);
            now.winId = c.choices.value(c.selected);
        }
        if (l.groups) {
            const Combo c = favCombo(now.val1, false, lists_);
            now.fav = c.choices.value(c.selected);
        } else if (l.semiTones) {
            now.fav = semiToneText(semiToneIndex(now.fav));
        }
    } else {
        QString &field = col == ColA        ? now.val1a
                         : col == ColB      ? now.val1b
                         : col == ColC      ? now.val1c
                         : col == ColTarget ? now.winId
                         : layoutFor(now.kind).val1 ? now.val1
                                                    : now.fav;
        if (field == text)
            return true;
        field = text;
    }
    edits_.insert(row, e);
    emit dataChanged(this->index(row, 0), this->index(row, ColumnCount - 1));
    if (edited)
        edited(row, timeEnded);
    return true;
}

QStringList CueTableModel::mimeTypes() const
{
    return {dragtypes::NotesSongEvDataType, dragtypes::MidiGroupDataType, dragtypes::GroupSongEvDataType};
}

QMimeData *CueTableModel::mimeData(const QModelIndexList &indexes) const
{
    if (indexes.isEmpty())
        return nullptr;
    return dragtypes::rowsMimeData(dragtypes::NotesSongEvDataType, {indexes.first().row()});
}

Qt::DropActions CueTableModel::supportedDropActions() const { return Qt::CopyAction | Qt::MoveAction; }

// ---- View -------------------------------------------------------------------------

CueTable::CueTable(QWidget *parent) : QTableView(parent), model_(new CueTableModel(this))
{
    setModel(model_);
    setItemDelegate(new CueDelegate(this));
    QHeaderView *columns = horizontalHeader();
    columns->hide();
    columns->setStretchLastSection(false);
    columns->setSectionResizeMode(QHeaderView::Fixed);
    columns->setSectionResizeMode(CueTableModel::ColText, QHeaderView::Stretch);
    const int widths[CueTableModel::ColumnCount] = {64, 180, 60, 60, 60, 0, 130};
    for (int c = 0; c < CueTableModel::ColumnCount; ++c)
        if (widths[c] > 0)
            columns->resizeSection(c, widths[c]);
    // Rows of one height: thousands of them are laid out without asking each.
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(32);
    setWordWrap(false);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    selectRowOnControlFocus(this);
}

void CueTable::showEvents(const SongEvArray &events)
{
    model_->setEvents(events);
    const QModelIndex at = currentIndex();
    QWidget *editor = state() == QAbstractItemView::EditingState && at.isValid() ? indexWidget(at) : nullptr;
    if (!editor)
        return;
    if (model_->flags(at) & Qt::ItemIsEditable)
        itemDelegateForIndex(at)->setEditorData(editor, at);
    else
        closeEditor(editor, QAbstractItemDelegate::NoHint);
}

qint64 CueTable::selectedRow() const
{
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void CueTable::chooseRow(int row)
{
    const QModelIndex at = model_->index(row, 0);
    if (state() == QAbstractItemView::EditingState)
        selectionModel()->select(at, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    else
        selectRow(row);
    scrollTo(at);
}

void CueTable::startDrag(Qt::DropActions actions)
{
    if (selectedRow() >= 0)
        QTableView::startDrag(actions);
}

void CueTable::dragEnterEvent(QDragEnterEvent *e) { e->acceptProposedAction(); }

void CueTable::dragMoveEvent(QDragMoveEvent *e)
{
    QTableView::dragMoveEvent(e);
    e->acceptProposedAction();
}

void CueTable::dropEvent(QDropEvent *e)
{
    const qint64 n = model_->rowCount();
    const QModelIndex at = indexAt(e->position().toPoint());
    qint64 r = n;
    bool onRow = false;
    switch (dropIndicatorPosition()) {
    case QAbstractItemView::OnItem: r = at.row(); onRow = true; break;
    case QAbstractItemView::AboveItem: r = at.row(); break;
    case QAbstractItemView::BelowItem: r = at.row() + 1; break;
    default: r = n; break;
    }
    if (dropped && dropped(e->mimeData(), r, onRow))
        e->acceptProposedAction();
    else
        e->ignore();
}

void CueTable::mousePressEvent(QMouseEvent *e)
{
    pressed_ = indexAt(e->position().toPoint());
    QTableView::mousePressEvent(e);
}

void CueTable::mouseReleaseEvent(QMouseEvent *e)
{
    const QModelIndex at = indexAt(e->position().toPoint());
    QTableView::mouseReleaseEvent(e);
    // A click into a cell edits it, as a click into a field does.
    if (e->button() == Qt::LeftButton && at.isValid() && at == pressed_ && state() != QAbstractItemView::EditingState
        && (model_->flags(at) & Qt::ItemIsEditable))
        edit(at);
    pressed_ = QPersistentModelIndex();
}
