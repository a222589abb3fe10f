#include "midi/windows/MidiToolWindow.h"

#include "library/Data.h"
#include "platform/Clock.h"
#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"
#include "windows/TableControls.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDrag>
#include <QDropEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>

namespace {

// Seconds of row filling per turn of the event loop, shared by every table.
constexpr double kFillSlice = 0.004;
double g_sliceStart = -1;

// When the current turn's filling began; the next turn starts a new slice.
double sliceStart()
{
    if (g_sliceStart < 0) {
        g_sliceStart = platform::now();
        platform::runOnMain([] { g_sliceStart = -1; });
    }
    return g_sliceStart;
}

} // namespace

// ---- MidiRowTable --------------------------------------------------------------------------

MidiRowTable::MidiRowTable(const QStringList &columns, QWidget *parent)
    : QTableWidget(0, int(columns.size()), parent)
{
    setHorizontalHeaderLabels(columns);
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setSectionsClickable(false);
    // A heading wider than the default column widens its column rather than being cut.
    for (int c = 0; c < columnCount(); ++c)
        setColumnWidth(c, std::max(horizontalHeader()->defaultSectionSize(), horizontalHeader()->sectionSizeHint(c)));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    verticalHeader()->viewport()->installEventFilter(this);
    selectRowOnControlFocus(this);
}

void MidiRowTable::resetRows(int count)
{
    count = std::max(count, 0);
    // The first row filled sets the rows' height, while the table holds
    // that row only: measuring each row would cost more than building it.
    if (count > 0 && rowHeight_ == 0 && fillRow) {
        setRowCount(1);
        filled_.assign(1, false);
        ensureFilled(0);
    }
    setRowCount(count);
    filled_.assign(std::size_t(count), false);
    fillVisibleRows();
}

QWidget *MidiRowTable::cell(int row, int column) const
{
    if (row < 0 || row >= rowCount())
        return nullptr;
    ensureFilled(row);
    return cellWidget(row, column);
}

void MidiRowTable::ensureFilled(int row) const
{
    if (!fillRow || row < 0 || std::size_t(row) >= filled_.size() || filled_[std::size_t(row)])
        return;
    // Marked first: the filling reaches the row's cells through cell().
    filled_[std::size_t(row)] = true;
    fillRow(row);
    if (rowHeight_ == 0) {
        // Every column counts, shown or not yet.
        rowHeight_ = rowsFitContents ? 1 : std::max(verticalHeader()->defaultSectionSize(), 1);
        for (int column = 0; column < columnCount(); ++column)
            if (const QWidget *control = cellWidget(row, column))
                rowHeight_ = std::max(rowHeight_, control->sizeHint().height());
        verticalHeader()->setDefaultSectionSize(rowHeight_);
    }
}

// Rows are filled for a few milliseconds at a time, the rest at the next
// turn of the event loop, so that a key or pedal never waits over a frame.
void MidiRowTable::fillVisibleRows()
{
    if (!fillRow || filled_.empty())
        return;
    const int first = std::max(rowAt(0), 0);
    int last = rowAt(viewport()->height() - 1);
    if (last < 0 || last >= int(filled_.size()))
        last = int(filled_.size()) - 1;
    const double start = sliceStart();
    for (int row = first; row <= last; ++row) {
        if (filled_[std::size_t(row)])
            continue;
        if (row > first && platform::now() - start >= kFillSlice) {
            if (!fillPending_) {
                fillPending_ = true;
                platform::runOnMain([table = QPointer<MidiRowTable>(this)] {
                    if (!table)
                        return;
                    table->fillPending_ = false;
                    table->fillVisibleRows();
                });
            }
            return;
        }
        ensureFilled(row);
    }
}

void MidiRowTable::resizeEvent(QResizeEvent *event)
{
    QTableWidget::resizeEvent(event);
    fillVisibleRows();
}

void MidiRowTable::scrollContentsBy(int dx, int dy)
{
    QTableWidget::scrollContentsBy(dx, dy);
    fillVisibleRows();
}

int MidiRowTable::selectedRow() const
{
    const QModelIndexList rows = selectionModel() ? selectionModel()->selectedRows() : QModelIndexList();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void MidiRowTable::selectAndShow(int row)
{
    if (row < 0 || row >= rowCount()) {
        clearSelection();
        return;
    }
    selectRow(row);
    scrollTo(model()->index(row, 0));
}

bool MidiRowTable::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == verticalHeader()->viewport()) {
        if (event->type() == QEvent::MouseButtonPress) {
            const auto *e = static_cast<QMouseEvent *>(event);
            pressPos_ = e->position().toPoint();
            pressRow_ = verticalHeader()->logicalIndexAt(pressPos_);
        } else if (event->type() == QEvent::MouseMove && pressRow_ >= 0) {
            const auto *e = static_cast<QMouseEvent *>(event);
            if ((e->position().toPoint() - pressPos_).manhattanLength() >= QApplication::startDragDistance()) {
                const int row = pressRow_;
                pressRow_ = -1;
                dragRow(row);
                return true;
            }
        } else if (event->type() == QEvent::MouseButtonRelease) {
            pressRow_ = -1;
        }
    }
    return QTableWidget::eventFilter(watched, event);
}

void MidiRowTable::startDrag(Qt::DropActions)
{
    dragRow(selectedRow());
}

void MidiRowTable::dragRow(int row)
{
    QMimeData *data = row >= 0 && dragData ? dragData(row) : nullptr;
    if (!data)
        return;
    auto *drag = new QDrag(this);
    drag->setMimeData(data);
    drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
}

void MidiRowTable::dropPlace(const QPoint &pos, int *row, bool *onRow) const
{
    const QModelIndex index = indexAt(pos);
    if (!index.isValid()) {
        *row = rowCount();
        *onRow = false;
        return;
    }
    const QRect rect = visualRect(index);
    const int margin = std::max(2, rect.height() / 4);
    *row = index.row();
    *onRow = false;
    if (pos.y() - rect.top() < margin)
        return;
    if (rect.bottom() - pos.y() < margin) {
        *row = index.row() + 1;
        return;
    }
    *onRow = true;
}

bool MidiRowTable::takes(const QDropEvent *event, int row, bool onRow) const
{
    const QMimeData *data = event->mimeData();
    if (!data || !canDrop)
        return false;
    if (event->source() != this)
        for (const QString &type : ownTypes)
            if (data->hasFormat(type))
                return false;
    return canDrop(data, row, onRow);
}

void MidiRowTable::dragEnterEvent(QDragEnterEvent *event)
{
    event->acceptProposedAction();
}

void MidiRowTable::dragMoveEvent(QDragMoveEvent *event)
{
    int row = 0;
    bool onRow = false;
    dropPlace(event->position().toPoint(), &row, &onRow);
    if (takes(event, row, onRow))
        event->acceptProposedAction();
    else
        event->ignore();
}

void MidiRowTable::dropEvent(QDropEvent *event)
{
    int row = 0;
    bool onRow = false;
    dropPlace(event->position().toPoint(), &row, &onRow);
    if (takes(event, row, onRow) && onDrop && onDrop(event->mimeData(), row, onRow)) {
        // The window rearranges its rows itself; the view removes nothing.
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

// ---- MidiToolWindow -------------------------------------------------------------------------

MidiToolWindow::MidiToolWindow(const QString &title, QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint)
{
    setWindowTitle(title);
}

void MidiToolWindow::post(int code)
{
    platform::NotificationCenter::defaultCenter().postActionKey(code);
}

void MidiToolWindow::actionButtonHelp(int tag)
{
    post(vocab::HelpFirst + tag);
}

void MidiToolWindow::presentWindow()
{
    show();
    raise();
    activateWindow();
    if (!menuOn_) {
        post(vocab::ToolWindowShown);
        menuOn_ = true;
    }
}

void MidiToolWindow::closeEvent(QCloseEvent *event)
{
    event->accept();
    // A window that was never shown has nothing to save or announce.
    if (!isVisible() && !menuOn_)
        return;
    windowWillClose();
    sauvegarderDonnees();
    if (menuOn_)
        post(vocab::ToolWindowClosed);
    menuOn_ = false;
    Data::activateKeywin();
}
