#include "settings/DataPref8.h"

#include "library/Data.h"
#include "library/NoteWriter.h"
#include "platform/ModalRun.h"
#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"
#include "settings/DataPref6.h"
#include "settings/TagBatch.h"
#include "windows/DragTypes.h"
#include "windows/TableControls.h"

#include <QComboBox>
#include <QDragEnterEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

void post(int code)
{
    platform::NotificationCenter::defaultCenter().postActionKey(code);
}

QTableWidgetItem *textCell(const QString &text)
{
    auto *item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

} // namespace

// ---- The tag drop field -------------------------------------------------------------------

bool TagTextField::insertDroppedTag(const QMimeData *data)
{
    const std::optional<int> row = dragtypes::firstRow(data, dragtypes::TagsDataType, Data::tags().size());
    if (!row)
        return false;
    platform::NotificationCenter::defaultCenter().post(vocab::ActionInsererTag, QVariant(Data::tags().at(*row)));
    return true;
}

void TagTextField::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasFormat(dragtypes::TagsDataType)) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
        return;
    }
    QLineEdit::dragEnterEvent(event);
}

void TagTextField::dragMoveEvent(QDragMoveEvent *event)
{
    if (event->mimeData()->hasFormat(dragtypes::TagsDataType)) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
        return;
    }
    QLineEdit::dragMoveEvent(event);
}

void TagTextField::dropEvent(QDropEvent *event)
{
    if (!event->mimeData()->hasFormat(dragtypes::TagsDataType)) {
        QLineEdit::dropEvent(event);
        return;
    }
    if (insertDroppedTag(event->mimeData())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

// ---- The window --------------------------------------------------------------------------------

DataPref8::DataPref8(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Tags Assignments"));
    setWindowModality(Qt::ApplicationModal);
    auto *outer = new QVBoxLayout(this);
    auto *top = new QHBoxLayout;
    labelTabList_ = new QLabel(QStringLiteral("Songs of"));
    comboTabList_ = new QComboBox;
    top->addWidget(labelTabList_);
    top->addWidget(comboTabList_, 1);
    boxFilter_ = new QGroupBox(QStringLiteral("Filter"));
    auto *filters = new QHBoxLayout(boxFilter_);
    filtreTitle_ = new QLineEdit;
    filtreTitle_->setPlaceholderText(QStringLiteral("Title"));
    filtreArtist_ = new QLineEdit;
    filtreArtist_->setPlaceholderText(QStringLiteral("Artist"));
    comboFiltreTags_ = new QComboBox;
    comboFiltreTags_->setEditable(true);
    comboFiltreTags_->setInsertPolicy(QComboBox::NoInsert);
    buttonReset_ = new QPushButton(QStringLiteral("Reset"));
    filters->addWidget(filtreTitle_);
    filters->addWidget(filtreArtist_);
    filters->addWidget(comboFiltreTags_);
    filters->addWidget(buttonReset_);
    top->addWidget(boxFilter_, 3);
    outer->addLayout(top);

    mTable_ = new QTableWidget;
    mTable_->setColumnCount(ColumnCount);
    QStringList headers = {QStringLiteral("Title"), QStringLiteral("Artist"), QString()};
    for (int k = 0; k < tagrules::kTagColumns; ++k)
        headers << QString();
    headers << QString() << QStringLiteral("Tags");
    mTable_->setHorizontalHeaderLabels(headers);
    mTable_->setSelectionBehavior(QAbstractItemView::SelectRows);
    mTable_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    mTable_->verticalHeader()->hide();
    mTable_->horizontalHeader()->setSectionsClickable(true);
    mTable_->setColumnWidth(ColTitle, 240);
    mTable_->setColumnWidth(ColArtist, 160);
    mTable_->setColumnWidth(ColBack, 24);
    mTable_->setColumnWidth(ColClear, 32);
    mTable_->horizontalHeader()->setStretchLastSection(true);
    outer->addWidget(mTable_, 1);

    auto *bottom = new QHBoxLayout;
    buttonExtract_ = new QPushButton(QStringLiteral("Extract"));
    buttonExtract_->setToolTip(QStringLiteral("Extract Existing Tags from Filename (including path)\nExamples:\n"
                                              "Misty(Standards Jazz).pdf\n"
                                              "Rock/Highway Song.chopro\n"
                                              "Weddings/Slow/First Dance(Pop).pdf\n"
                                              "Only the folders inside the song folder count."));
    buttonClear_ = new QPushButton(QStringLiteral("Clear Tags"));
    comboOperation_ = new QComboBox;
    comboOperation_->addItems({QStringLiteral("Add Tag"), QStringLiteral("Remove Tag")});
    comboTagList_ = new QComboBox;
    buttonProceed_ = new QPushButton(QStringLiteral("Proceed"));
    auto *help = new QPushButton(QStringLiteral("?"));
    auto *done = new QPushButton(QStringLiteral("Done"));
    bottom->addWidget(help);
    bottom->addWidget(buttonExtract_);
    bottom->addWidget(buttonClear_);
    bottom->addStretch();
    bottom->addWidget(new QLabel(QStringLiteral("Selected songs:")));
    bottom->addWidget(comboOperation_);
    bottom->addWidget(comboTagList_);
    bottom->addWidget(buttonProceed_);
    bottom->addWidget(done);
    outer->addLayout(bottom);
    for (QPushButton *b : findChildren<QPushButton *>())
        b->setAutoDefault(false);

    connect(comboTabList_, &QComboBox::activated, this, [this]() {
        if (dataIsLoaded_)
            refreshSelonTabList();
    });
    connect(comboFiltreTags_, &QComboBox::activated, this, [this](int index) {
        if (!dataIsLoaded_ || index < 0 || index >= Data::tags().size())
            return;
        comboFiltreTags_->setEditText(Data::tags().at(index));
        refreshSelonFiltres();
    });
    for (QLineEdit *field : {filtreTitle_, filtreArtist_, comboFiltreTags_->lineEdit()})
        connect(field, &QLineEdit::editingFinished, this, [this]() {
            if (dataIsLoaded_)
                refreshSelonFiltres();
        });
    connect(buttonReset_, &QPushButton::clicked, this, &DataPref8::actionReset);
    connect(buttonExtract_, &QPushButton::clicked, this, &DataPref8::actionExtractFromFilename);
    connect(buttonClear_, &QPushButton::clicked, this, &DataPref8::actionClear);
    connect(buttonProceed_, &QPushButton::clicked, this, &DataPref8::actionProceed);
    connect(help, &QPushButton::clicked, this, []() { post(vocab::HelpFirst + 17); });
    connect(done, &QPushButton::clicked, this, &DataPref8::actionButtonEscape);
    connect(mTable_->horizontalHeader(), &QHeaderView::sectionClicked, this, &DataPref8::didClickTableColumn);
    connect(mTable_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem *item) {
        if (!filling_ && item->column() >= ColTag1 && item->column() < ColClear)
            actionButtonTag(item->row(), item->column() - ColTag1, item->checkState() == Qt::Checked);
    });
    resize(1070, 640);
}

void DataPref8::setNoteWriter(NoteWriter *writer)
{
    writer_ = writer;
}

// ---- Loading -----------------------------------------------------------------------------------

void DataPref8::showDataPref8()
{
    prepare();
    platform::runModal(*this);
}

void DataPref8::prepare()
{
    dataIsLoaded_ = false;
    chargerDonnees();
    dataIsLoaded_ = true;
    reloadTable();
    show();
    raise();
    activateWindow();
    // The current song's row, in tab 0's title order.
    if (const PiecesPtr current = Data::getPiece(Data::songNoG()); current && current->pieceDet) {
        if (const PiecesPtr inAll = Data::getPieceTEMP(current->pieceDet->indexInTEMP(0))) {
            const int row = inAll->indexInTitleArray - int(Data::indexInTitleArrayG(0));
            if (row >= 0 && row < mTable_->rowCount()) {
                mTable_->selectRow(row);
                mTable_->scrollToItem(mTable_->item(row, ColTitle));
            }
        }
    }
    mTable_->setFocus();
}

void DataPref8::chargerDonnees()
{
    tabNoSource_ = 0;
    typeSource_ = 0;
    {
        const QSignalBlocker quiet(comboTabList_);
        comboTabList_->clear();
        for (qint64 t = 0; t < Data::tabs().size(); ++t)
            if (Data::tabs().at(t) && Data::getNbrPiecesOng(t) > 0)
                comboTabList_->addItem(Data::tabs().at(t)->tabNameForDisplay(), int(t));
        comboTabList_->setCurrentIndex(0);
    }
    for (QComboBox *c : {comboTagList_, comboFiltreTags_}) {
        const QSignalBlocker quiet(c);
        c->clear();
        c->addItems(Data::tags());
    }
    comboTagList_->setCurrentIndex(0);
    comboFiltreTags_->setEditText(QString());
    listeTemp_.clear();
    filtreTitle_->clear();
    filtreArtist_->clear();
    comboOperation_->setCurrentIndex(0);
    ajusterColonnes();
}

void DataPref8::ajusterColonnes()
{
    const QStringList &tags = Data::tags();
    const tagrules::TagPage p = tagrules::page(tags.size(), depart_);
    const QFontMetrics metrics(mTable_->horizontalHeader()->font());
    for (int k = 0; k < tagrules::kTagColumns; ++k) {
        const int column = ColTag1 + k;
        const bool shown = k < p.shown;
        mTable_->setColumnHidden(column, !shown);
        if (!shown)
            continue;
        const QString tag = tags.at(depart_ + k);
        mTable_->horizontalHeaderItem(column)->setText(tag);
        mTable_->setColumnWidth(column, qMax(20, metrics.horizontalAdvance(tag)) + 10);
    }
    mTable_->horizontalHeaderItem(ColBack)->setText(p.back ? QStringLiteral("◀︎") : QString());
    mTable_->horizontalHeaderItem(ColClear)->setText(p.forward ? QStringLiteral("▶︎") : QString());
}

// ---- Rows ------------------------------------------------------------------------------------------

qsizetype DataPref8::rowCount() const
{
    if (!dataIsLoaded_)
        return 0;
    if (typeSource_ == 1)
        return listeTemp_.size();
    return qMax<qint64>(0, Data::getNbrPiecesOng(tabNoSource_));
}

PiecesPtr DataPref8::rowSong(qsizetype row) const
{
    if (row < 0 || row >= rowCount())
        return nullptr;
    if (typeSource_ == 1)
        return listeTemp_.value(row);
    return Data::listePiecesByTitle().value(Data::indexInTitleArrayG(tabNoSource_) + row);
}

void DataPref8::reloadTable()
{
    filling_ = true;
    mTable_->clearContents();
    mTable_->setRowCount(int(rowCount()));
    for (int r = 0; r < mTable_->rowCount(); ++r)
        fillRow(r);
    filling_ = false;
}

void DataPref8::refreshOneRow(int row)
{
    filling_ = true;
    fillRow(row);
    filling_ = false;
}

void DataPref8::fillRow(int row)
{
    const PiecesPtr song = rowSong(row);
    if (!song || !song->pieceDet)
        return;
    const PiecesDet &d = *song->pieceDet;
    if (!mTable_->item(row, ColTitle)) {
        mTable_->setItem(row, ColTitle, textCell(d.titre));
        mTable_->setItem(row, ColArtist, textCell(d.artistShown()));
    }
    const QStringList &tags = Data::tags();
    for (int k = 0; k < tagrules::kTagColumns; ++k) {
        auto *box = new QTableWidgetItem;
        box->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        const qsizetype at = depart_ + k;
        // The box shows the tag as written; Proceed is the one that ignores case.
        const bool has = at < tags.size() && piecesrules::hasTag(d.infoF, tags.at(at), Qt::CaseSensitive);
        box->setCheckState(has ? Qt::Checked : Qt::Unchecked);
        mTable_->setItem(row, ColTag1 + k, box);
    }
    const bool hasTags = !notefile::trimBlanksAndTabs(d.infoF).isEmpty();
    auto *clear = new TableButton(hasTags ? QStringLiteral("❌") : QString());
    clear->setRow(row);
    clear->setEnabled(hasTags);
    clear->setFlat(true);
    connect(clear, &QPushButton::clicked, this, [this, clear]() { actionButtonClear(int(clear->row())); });
    mTable_->setCellWidget(row, ColClear, clear);
    mTable_->setItem(row, ColTags, textCell(d.infoF));
}

QList<int> DataPref8::selectedRows() const
{
    QList<int> rows;
    for (const QModelIndex &index : mTable_->selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

void DataPref8::selectRows(const QList<int> &rows)
{
    mTable_->clearSelection();
    for (int r : rows)
        mTable_->selectionModel()->select(mTable_->model()->index(r, 0),
                                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

// ---- Filters --------------------------------------------------------------------------------------

void DataPref8::refreshSelonTabList()
{
    const QVariant tab = comboTabList_->currentData();
    if (!tab.isValid())
        return;
    tabNoSource_ = tab.toInt();
    if (typeSource_ == 0)
        reloadTable();
    else
        refreshSelonFiltres();
}

void DataPref8::refreshSelonFiltres()
{
    listeTemp_.clear();
    const QString title = filtreTitle_->text().toUpper();
    const QString artist = filtreArtist_->text().toUpper();
    const QString tags = comboFiltreTags_->currentText().toUpper();
    if (title.isEmpty() && artist.isEmpty() && tags.isEmpty()) {
        typeSource_ = 0;
    } else {
        typeSource_ = 1;
        for (const PiecesPtr &song : DataPref6::tabSongs(tabNoSource_)) {
            const PiecesDet &d = *song->pieceDet;
            if (d.titre.toUpper().contains(title) && d.auteur.toUpper().contains(artist)
                && d.infoF.toUpper().contains(tags))
                listeTemp_ << song;
        }
    }
    reloadTable();
}

void DataPref8::actionReset()
{
    tabNoSource_ = 0;
    typeSource_ = 0;
    filtreTitle_->clear();
    filtreArtist_->clear();
    {
        const QSignalBlocker quiet(comboFiltreTags_);
        comboFiltreTags_->setEditText(QString());
    }
    comboTabList_->setCurrentIndex(0);
    refreshSelonTabList();
}

void DataPref8::didClickTableColumn(int column)
{
    if (column == ColBack)
        depart_ = tagrules::pageBack(depart_);
    else if (column == ColClear)
        depart_ = tagrules::pageForward(depart_, Data::tags().size());
    else
        return;
    ajusterColonnes();
    reloadTable();
}

// ---- Edits -----------------------------------------------------------------------------------------

void DataPref8::actionButtonTag(int row, int tagColumn, bool checked)
{
    const PiecesPtr song = rowSong(row);
    const qsizetype at = depart_ + tagColumn;
    if (!song || at < 0 || at >= Data::tags().size())
        return;
    editRow(song, Pieces::tagChange(checked ? Pieces::TagEdit::Add : Pieces::TagEdit::Remove, Data::tags().at(at)));
}

void DataPref8::actionButtonClear(int row)
{
    if (const PiecesPtr song = rowSong(row))
        editRow(song, Pieces::tagChange(Pieces::TagEdit::Clear));
}

void DataPref8::editRow(const PiecesPtr &song, const std::function<QString(const QString &)> &change)
{
    if (!writer_ || !song->pieceDet)
        return;
    writer_->edit(song, change, this, [this, song](const Pieces::NoteEditResult &r) {
        if (!r.failure.isEmpty())
            Data::msg(tagrules::failureMessage({r.failure}));
        if (r.written)
            noteWritten();
        refreshSongRow(song);
    });
    refreshSongRow(song);
}

void DataPref8::refreshSongRow(const PiecesPtr &song)
{
    for (int r = 0; r < mTable_->rowCount(); ++r)
        if (rowSong(r) == song)
            refreshOneRow(r);
}

void DataPref8::noteWritten()
{
    // A note that answers after the window closed refreshes the lists on its own.
    if (isVisible())
        changeMade_ = true;
    else
        post(vocab::RefreshFolder);
}

PiecesList DataPref8::selectedSongs(bool *none)
{
    PiecesList songs;
    for (int r : selectedRows())
        if (const PiecesPtr song = rowSong(r))
            songs << song;
    *none = songs.isEmpty();
    if (*none)
        Data::msg(QStringLiteral("One or many rows must be selected to perform this operation"));
    return songs;
}

void DataPref8::runBulk(const QString &what, const PiecesList &songs,
                        std::function<tagrules::Edits(const PiecesPtr &)> plan)
{
    runTagEdits(this, writer_, what, songs, std::move(plan), progress, [this](const tagrules::BatchResult &result) {
        Data::msg(QStringLiteral("%1 entries updated").arg(result.written));
        if (result.written > 0) {
            noteWritten();
            reloadTable();
        }
    });
}

void DataPref8::actionProceed()
{
    bool none = false;
    const PiecesList songs = selectedSongs(&none);
    const int at = comboTagList_->currentIndex();
    if (none || at < 0 || at >= Data::tags().size())
        return;
    const QString tag = Data::tags().at(at);
    const bool add = comboOperation_->currentIndex() == 0;
    runBulk(QStringLiteral("Updating"), songs, [tag, add](const PiecesPtr &song) {
        const bool has = piecesrules::hasTag(song->pieceDet->infoF, tag, Qt::CaseInsensitive);
        if (add == has)
            return tagrules::Edits{};
        return tagrules::Edits{{add ? Pieces::TagEdit::Add : Pieces::TagEdit::RemoveAnyCase, tag}};
    });
}

void DataPref8::actionClear()
{
    bool none = false;
    const PiecesList songs = selectedSongs(&none);
    if (none)
        return;
    if (songs.size() >= 2
        && !Data::question(QStringLiteral("Are you sure you want to remove tags from %1 entries?").arg(songs.size())))
        return;
    runBulk(QStringLiteral("Clearing"), songs, [](const PiecesPtr &song) {
        if (notefile::trimBlanksAndTabs(song->pieceDet->infoF).isEmpty())
            return tagrules::Edits{};
        return tagrules::Edits{{Pieces::TagEdit::Clear, QString()}};
    });
}

void DataPref8::actionExtractFromFilename()
{
    bool none = false;
    const PiecesList songs = selectedSongs(&none);
    if (none)
        return;
    runBulk(QStringLiteral("Extracting"), songs, [](const PiecesPtr &song) {
        tagrules::Edits edits;
        const PiecesDet &d = *song->pieceDet;
        for (const QString &tag :
             tagrules::tagsToExtract(Data::tags(), d.infoF, d.obtenirInfoFromFilename(), d.fichier, Data::dirX()))
            edits.append({Pieces::TagEdit::Add, tag});
        return edits;
    });
}

// ---- Closing ---------------------------------------------------------------------------------------

void DataPref8::actionButtonEscape()
{
    if (QWidget *focus = focusWidget())
        focus->clearFocus();
    done(QDialog::Accepted);
}

void DataPref8::done(int result)
{
    const bool wasShown = isVisible();
    QDialog::done(result);
    if (!wasShown)
        return;
    if (changeMade_)
        post(vocab::RefreshFolder);
    changeMade_ = false;
    depart_ = 0;
    listeTemp_.clear();
    typeSource_ = 0;
    dataIsLoaded_ = false;
    reloadTable();
    Data::activateKeywin();
}
