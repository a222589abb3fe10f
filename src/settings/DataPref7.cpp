#include "settings/DataPref7.h"

#include "library/Data.h"
#include "library/NoteWriter.h"
#include "platform/UserDefaults.h"
#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"
#include "settings/DataPref6.h"
#include "settings/ListControls.h"
#include "settings/TagBatch.h"
#include "windows/DragTypes.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

void post(int code)
{
    platform::NotificationCenter::defaultCenter().postActionKey(code);
}

constexpr int kHelpPage = 17;

} // namespace

DataPref7::DataPref7(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint)
{
    setWindowTitle(QStringLiteral("Tags"));
    // Opened on the built-in list: it shows the stored one once read, edits of the built-in one dropped.
    platform::UserDefaults::standard().afterLateRead(QStringLiteral("tags window"), [this] {
        if (isVisible())
            reload();
    }, this);
    auto *outer = new QVBoxLayout(this);
    mTable_ = new SetlistTable(dragtypes::TagsDataType);
    mTable_->setColumnCount(1);
    mTable_->setHorizontalHeaderLabels({QStringLiteral("Tag")});
    mTable_->horizontalHeader()->setStretchLastSection(true);
    listcontrols::makeReorderable(mTable_, dragtypes::TagsDataType,
                                  [this](const QMimeData *data, int row) { return acceptDrop(data, row); });
    outer->addWidget(mTable_, 1);
    listcontrols::addRowButtons(outer, this, [this]() { actionInsertRow(); }, [this]() { actionDeleteRow(); },
                                [this]() { actionButtonHelp(); });
    connect(mTable_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem *item) {
        if (!filling_)
            updateTagAtIndex(item->row(), item->text());
    });
    resize(220, 420);
}

void DataPref7::setNoteWriter(NoteWriter *writer)
{
    writer_ = writer;
}

QTableWidget *DataPref7::table() const
{
    return mTable_;
}

void DataPref7::showDataPref7(bool save)
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

void DataPref7::closeWin()
{
    if (QWidget *focus = QApplication::focusWidget(); focus && isAncestorOf(focus))
        focus->clearFocus();
    close();
}

void DataPref7::sauvegarderDonnees()
{
    Data::sauvegarderTags();
}

void DataPref7::reload()
{
    filling_ = true;
    const QStringList &tags = Data::tags();
    mTable_->setRowCount(int(tags.size()));
    for (int r = 0; r < tags.size(); ++r)
        mTable_->setItem(r, 0, new QTableWidgetItem(tags.at(r)));
    filling_ = false;
}

void DataPref7::refreshGenTags()
{
    post(vocab::RefreshNoteAndPdfDefaults);
}

void DataPref7::actionInsertRow()
{
    Data::tags().append(QStringLiteral("Tag1"));
    reload();
    const int last = mTable_->rowCount() - 1;
    mTable_->selectRow(last);
    mTable_->scrollToBottom();
    if (isVisible())
        mTable_->editItem(mTable_->item(last, 0));
    refreshGenTags();
}

void DataPref7::updateTagAtIndex(int row, const QString &text)
{
    if (row < 0 || row >= Data::tags().size())
        return;
    Data::tags()[row] = text;
    refreshGenTags();
}

void DataPref7::actionDeleteRow()
{
    const int row = mTable_->currentRow();
    const QList<QTableWidgetItem *> selected = mTable_->selectedItems();
    if (row < 0 || row >= Data::tags().size() || selected.isEmpty()) {
        Data::msg(QStringLiteral("A row must be selected to perform this operation"));
        return;
    }
    const QString tag = Data::tags().at(row);
    removeTagFromAllSong(tag, [this, tag, row](bool whole) {
        // A removal cancelled part way keeps the tag listed: some songs still carry it.
        if (!whole)
            return;
        // The list may have changed while the notes answered.
        const qsizetype at = Data::tags().value(row) == tag ? row : Data::tags().indexOf(tag);
        if (at < 0)
            return;
        Data::tags().removeAt(at);
        reload();
        if (mTable_->rowCount() > 0) {
            const int next = qMin(int(at), mTable_->rowCount() - 1);
            mTable_->selectRow(next);
            mTable_->scrollToItem(mTable_->item(next, 0));
        }
        refreshGenTags();
    });
}

void DataPref7::removeTagFromAllSong(const QString &tag, std::function<void(bool)> done)
{
    if (!Data::question(QStringLiteral("⚠️Also remove tag %1 from ALL songs?").arg(tag)))
        return done(true);
    PiecesList carriers;
    for (const PiecesPtr &song : DataPref6::tabSongs(0))
        if (song->pieceDet && piecesrules::hasTag(song->pieceDet->infoF, tag, Qt::CaseInsensitive))
            carriers << song;
    if (carriers.isEmpty())
        return done(true);
    runTagEdits(
        this, writer_, QStringLiteral("Removing %1").arg(tag), carriers,
        [tag](const PiecesPtr &) { return tagrules::Edits{{Pieces::TagEdit::RemoveAnyCase, tag}}; }, progress,
        [done = std::move(done)](const tagrules::BatchResult &r) {
            if (r.written > 0)
                post(vocab::RefreshFolder);
            done(!r.cancelled);
        });
}

void DataPref7::actionButtonHelp()
{
    post(vocab::HelpFirst + kHelpPage);
}

bool DataPref7::acceptDrop(const QMimeData *data, int row)
{
    const std::optional<int> from = dragtypes::firstRow(data, dragtypes::TagsDataType, Data::tags().size());
    if (!from || !tagrules::moveRow(Data::tags(), *from, row))
        return false;
    reload();
    return true;
}

void DataPref7::closeEvent(QCloseEvent *event)
{
    event->accept();
    if (!menuOn_ && !isVisible())
        return;
    sauvegarderDonnees();
    post(vocab::ToolWindowClosed);
    menuOn_ = false;
    refreshGenTags();
    Data::activateKeywin();
}
