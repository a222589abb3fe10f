#include "settings/DataPref6.h"

#include "library/Data.h"
#include "library/SortKeys.h"
#include "platform/Dialogs.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "platform/Vocabulary.h"
#include "settings/SetlistRules.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

void post(int code)
{
    platform::NotificationCenter::defaultCenter().postActionKey(code);
}

QTableWidgetItem *cell(const QString &text, bool editable = false)
{
    auto *item = new QTableWidgetItem(text);
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
    if (editable)
        flags |= Qt::ItemIsEditable;
    item->setFlags(flags);
    return item;
}

QComboBox *combo(const QStringList &items)
{
    auto *c = new QComboBox;
    c->addItems(items);
    return c;
}

void select(QComboBox *c, qint64 index)
{
    const QSignalBlocker quiet(c);
    c->setCurrentIndex(index >= 0 && index < c->count() ? int(index) : 0);
}

// The help page of setlists and collections, shown modally.
constexpr int kHelpPage = 16;

} // namespace

DataPref6::DataPref6(QWidget *parent)
    : QDialog(parent)
{
    setWindowModality(Qt::ApplicationModal);
    buildControls();
    // windowDidLoad.
    changeMade_ = changeMadeTabName_ = modifiable_ = dataIsLoaded_ = menuOn_ = false;
    buttonSave_->setEnabled(false);
    select(comboTabType_, 0);
}

DataPref6::~DataPref6() = default;

void DataPref6::buildControls()
{
    auto *outer = new QVBoxLayout(this);
    auto *head = new QGridLayout;
    tabName_ = new QLineEdit;
    comboTabType_ = combo({QStringLiteral("Setlist"), QStringLiteral("Collection")});
    const QStringList sorts = {QStringLiteral("List Order"),       QStringLiteral("Title"),
                               QStringLiteral("Artist, Title"),    QStringLiteral("Tags from Prefix, Title"),
                               QStringLiteral("Random"),           QStringLiteral("Last Played")};
    comboSort1_ = combo(sorts);
    comboSort2_ = combo(sorts);
    prefix1_ = new QLineEdit;
    prefix2_ = new QLineEdit;
    comboOptSel_ = combo({QStringLiteral("Any Word"), QStringLiteral("All Words"), QStringLiteral("None of the Words")});
    comboLookInto_ = combo({QStringLiteral("Title, Artist and Tags"), QStringLiteral("Title"), QStringLiteral("Artist"),
                            QStringLiteral("Tags"), QStringLiteral("File Name")});
    head->addWidget(new QLabel(QStringLiteral("Tab Name")), 0, 0);
    head->addWidget(tabName_, 0, 1);
    head->addWidget(new QLabel(QStringLiteral("Type")), 0, 2);
    head->addWidget(comboTabType_, 0, 3);
    head->addWidget(new QLabel(QStringLiteral("Sort")), 1, 0);
    head->addWidget(comboSort1_, 1, 1);
    head->addWidget(new QLabel(QStringLiteral("Prefix")), 1, 2);
    head->addWidget(prefix1_, 1, 3);
    head->addWidget(new QLabel(QStringLiteral("Alternate Sort")), 2, 0);
    head->addWidget(comboSort2_, 2, 1);
    head->addWidget(new QLabel(QStringLiteral("Prefix")), 2, 2);
    head->addWidget(prefix2_, 2, 3);
    head->addWidget(new QLabel(QStringLiteral("Selection")), 3, 0);
    head->addWidget(comboOptSel_, 3, 1);
    head->addWidget(new QLabel(QStringLiteral("Look Into")), 3, 2);
    head->addWidget(comboLookInto_, 3, 3);
    outer->addLayout(head);

    auto *tables = new QHBoxLayout;
    mList_ = new SetlistTable(setlist::moveFormat());
    mList_->setColumnCount(3);
    mList_->setHorizontalHeaderLabels({QStringLiteral("Status"), QStringLiteral("Title"), QStringLiteral("Artist")});
    mList_->setAcceptDrops(true);
    mList_->setDragDropMode(QAbstractItemView::DragDrop);
    auto *listSide = new QVBoxLayout;
    listSide->addWidget(mList_, 1);
    auto *rowButtons = new QHBoxLayout;
    buttonInsert_ = new QPushButton(QStringLiteral("+"));
    buttonDelete_ = new QPushButton(QStringLiteral("−"));
    buttonEmptyList_ = new QPushButton(QStringLiteral("Empty List"));
    buttonImport_ = new QPushButton(QStringLiteral("Import"));
    buttonExport_ = new QPushButton(QStringLiteral("Export"));
    for (QPushButton *b : {buttonInsert_, buttonDelete_, buttonEmptyList_, buttonImport_, buttonExport_})
        rowButtons->addWidget(b);
    listSide->addLayout(rowButtons);
    tables->addLayout(listSide);

    mTag_ = new SetlistTable(setlist::tagFormat());
    mTag_->setColumnCount(1);
    mTag_->setHorizontalHeaderLabels({QStringLiteral("Tag")});
    mTag_->setDragDropMode(QAbstractItemView::DragOnly);
    mScrollView2_ = mTag_;
    tables->addWidget(mTag_);

    auto *sourceSide = new QVBoxLayout;
    labelTabList_ = new QLabel(QStringLiteral("Songs of"));
    labelPreview_ = new QLabel(QStringLiteral("Preview"));
    comboTabList_ = new QComboBox;
    auto *tabRow = new QHBoxLayout;
    tabRow->addWidget(labelTabList_);
    tabRow->addWidget(labelPreview_);
    tabRow->addWidget(comboTabList_, 1);
    sourceSide->addLayout(tabRow);
    boxFilter_ = new QGroupBox(QStringLiteral("Filter"));
    auto *filters = new QGridLayout(boxFilter_);
    filtreTitle_ = new QLineEdit;
    filtreTitle_->setPlaceholderText(QStringLiteral("Title"));
    filtreArtist_ = new QLineEdit;
    filtreArtist_->setPlaceholderText(QStringLiteral("Artist"));
    comboFiltreTags_ = new QComboBox;
    comboFiltreTags_->setEditable(true);
    buttonPlayed_ = new QCheckBox(QStringLiteral("Played"));
    buttonFlagged_ = new QCheckBox(QStringLiteral("Flagged"));
    buttonReset_ = new QPushButton(QStringLiteral("Reset"));
    filters->addWidget(filtreTitle_, 0, 0);
    filters->addWidget(filtreArtist_, 0, 1);
    filters->addWidget(comboFiltreTags_, 0, 2);
    filters->addWidget(buttonPlayed_, 1, 0);
    filters->addWidget(buttonFlagged_, 1, 1);
    filters->addWidget(buttonReset_, 1, 2);
    sourceSide->addWidget(boxFilter_);
    mTable_ = new SetlistTable(setlist::fromSourceFormat());
    mTable_->setColumnCount(3);
    mTable_->setHorizontalHeaderLabels({QStringLiteral("Title"), QStringLiteral("Artist"), QStringLiteral("Tags")});
    mTable_->setDragDropMode(QAbstractItemView::DragOnly);
    mTable_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    sourceSide->addWidget(mTable_, 1);
    tables->addLayout(sourceSide, 1);
    outer->addLayout(tables, 1);

    auto *bottom = new QHBoxLayout;
    auto *help = new QPushButton(QStringLiteral("?"));
    buttonCancel_ = new QPushButton(QStringLiteral("Cancel"));
    buttonSave_ = new QPushButton(QStringLiteral("Save"));
    bottom->addWidget(help);
    bottom->addStretch();
    bottom->addWidget(buttonCancel_);
    bottom->addWidget(buttonSave_);
    outer->addLayout(bottom);
    // Return belongs to the lists and the fields, never to a button.
    for (QPushButton *b : findChildren<QPushButton *>()) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    for (QTableWidget *t : {static_cast<QTableWidget *>(mTable_), static_cast<QTableWidget *>(mList_),
                            static_cast<QTableWidget *>(mTag_)}) {
        t->setSelectionBehavior(QAbstractItemView::SelectRows);
        t->setSelectionMode(QAbstractItemView::ExtendedSelection);
        t->verticalHeader()->hide();
        t->setDragEnabled(true);
    }

    mList_->onDrop = [this](const QMimeData *data, int row) { return acceptDrop(data, row); };
    mList_->acceptsDrop = [this](const QMimeData *data) { return validateDrop(data); };
    connect(buttonSave_, &QPushButton::clicked, this, &DataPref6::actionSave);
    connect(buttonCancel_, &QPushButton::clicked, this, &DataPref6::actionCancel);
    connect(buttonInsert_, &QPushButton::clicked, this, &DataPref6::actionInsertRow);
    connect(buttonDelete_, &QPushButton::clicked, this, [this]() { actionDeleteRow(true); });
    connect(buttonEmptyList_, &QPushButton::clicked, this, &DataPref6::actionEmptyList);
    connect(buttonImport_, &QPushButton::clicked, this, &DataPref6::actionImport);
    connect(buttonExport_, &QPushButton::clicked, this, &DataPref6::actionExport);
    connect(buttonReset_, &QPushButton::clicked, this, &DataPref6::actionReset);
    connect(buttonPlayed_, &QCheckBox::clicked, this, &DataPref6::actionPlayed);
    connect(buttonFlagged_, &QCheckBox::clicked, this, &DataPref6::actionFlagged);
    connect(help, &QPushButton::clicked, this, &DataPref6::actionButtonHelp);
    for (QComboBox *c : {comboTabType_, comboSort1_, comboSort2_, comboOptSel_, comboLookInto_, comboTabList_,
                         comboFiltreTags_})
        connect(c, &QComboBox::activated, this, [this, c]() { comboBoxSelectionDidChange(c); });
    for (QLineEdit *field : {tabName_, prefix1_, prefix2_, filtreTitle_, filtreArtist_}) {
        connect(field, &QLineEdit::textEdited, this, [this, field]() { textEdited(field); });
        connect(field, &QLineEdit::editingFinished, this, [this, field]() {
            if (field->isModified()) {
                field->setModified(false);
                textEditingEnded(field);
            }
        });
    }
    connect(comboFiltreTags_->lineEdit(), &QLineEdit::editingFinished, this, [this]() { refreshSelonFiltres(); });
    connect(mList_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem *item) {
        if (!filling_ && item->column() == 1)
            editListTitle(item->row(), item->text());
    });
    resize(980, 620);
}

bool DataPref6::isSetlist() const
{
    return comboTabType_->currentIndex() == 0;
}

// ---- Opening and loading -----------------------------------------------------------------

void DataPref6::showDataPref6(qint64 /*unused*/, qint64 tabNo)
{
    if (!prepare(tabNo))
        return;
    exec();
}

bool DataPref6::prepare(qint64 tabNo)
{
    if (tabNo < 1 || tabNo >= Data::tabs().size() || !Data::tabs().at(tabNo))
        return false;
    dataIsLoaded_ = false;
    tab_ = Data::tabs().at(tabNo);
    chargerDonnees();
    dataIsLoaded_ = true;
    reloadTable();
    reloadList();
    reloadTags();
    show();
    raise();
    buttonCancel_->setFocus();
    if (!menuOn_) {
        post(vocab::ToolWindowShown);
        menuOn_ = true;
    }
    return true;
}

void DataPref6::chargerDonnees()
{
    TabDet &tab = *tab_;
    setWindowTitle(tab.tabName.isEmpty() ? QStringLiteral("Tab") : QStringLiteral("Tab: %1").arg(tab.tabName));
    tabName_->setText(tab.tabName);
    tabNoSource_ = 0;
    typeSource_ = 0;
    buttonPlayed_->setChecked(false);
    buttonFlagged_->setChecked(false);
    remplirComboTabList();
    remplircomboFiltreTags();
    if (tab.list.isEmpty() && tab.tabName.isEmpty()) {
        tab.optSel = TabDet::Setlist;
        tab.tabSort = tab.tabSortAlt = 0;
        tab.lookInto = 0;
        tab.tabPrefix.clear();
        tab.tabPrefixAlt.clear();
    }
    const bool asSetlist = tab.optSel == TabDet::Setlist;
    select(comboTabType_, asSetlist ? 0 : 1);
    select(comboOptSel_, asSetlist ? 0 : tab.optSel);
    select(comboSort1_, tab.tabSort);
    select(comboSort2_, tab.tabSortAlt);
    select(comboLookInto_, tab.lookInto);
    prefix1_->setText(tab.tabPrefix);
    prefix2_->setText(tab.tabPrefixAlt);
    liste_.clear();
    listeTemp_.clear();
    for (const QString &line : setlist::nonEmptyLines(tab.list))
        liste_.append(asSetlist ? setlistRow(line) : keywordRow(line));
    ajusterSelonTabType();
}

PiecesPtr DataPref6::keywordRow(const QString &word)
{
    // A word is no file: its entry is made here, with nothing read from disk.
    auto row = std::make_shared<Pieces>();
    row->pieceDet = std::make_shared<PiecesDet>();
    row->pieceDet->fichier = setlist::keywordPath(word);
    row->pieceDet->titre = word;
    return row;
}

PiecesPtr DataPref6::setlistRow(const QString &line) const
{
    const QString path = Data::dirX() + QLatin1Char('/') + line;
    // The library's record, else the line's name alone (kind 0: no song header is
    // read either): the window never waits on the folder.
    PiecesPtr known;
    for (const PiecesPtr &song : tabSongs(0))
        if (song->pieceDet->fichier == path) {
            known = song;
            break;
        }
    const notefile::ReadResult noNote;
    return Pieces::initWithPDF(path, line, 0, 0, nullptr, true, 0, QString(), {}, known, &noNote);
}

void DataPref6::ajusterSelonTabType()
{
    const bool setlistType = isSetlist();
    mList_->setFixedWidth(setlistType ? 480 : 355);
    mList_->setColumnHidden(0, !setlistType);
    // The status column is as wide as its heading; the title gives up what it takes.
    const int status = std::max(30, mList_->horizontalHeader()->sectionSizeHint(0));
    mList_->setColumnWidth(0, status);
    mList_->setColumnWidth(1, 245 - (status - 30));
    mList_->horizontalHeaderItem(1)->setText(setlistType ? QStringLiteral("Title") : QStringLiteral("Keyword or Tag"));
    mList_->setColumnHidden(2, !setlistType);
    mList_->setColumnWidth(2, 183);
    mScrollView2_->setVisible(!setlistType);
    modifiable_ = !setlistType;
    buttonInsert_->setEnabled(!setlistType);
    buttonDelete_->setEnabled(true);
    comboOptSel_->setEnabled(!setlistType);
    comboLookInto_->setEnabled(!setlistType);
    for (QWidget *w : {static_cast<QWidget *>(buttonReset_), static_cast<QWidget *>(comboTabList_),
                       static_cast<QWidget *>(labelTabList_), static_cast<QWidget *>(boxFilter_)})
        w->setVisible(setlistType);
    labelPreview_->setVisible(!setlistType);
    tabNoSource_ = 0;
    if (setlistType) {
        typeSource_ = 0;
        filtreTitle_->clear();
        filtreArtist_->clear();
        {
            const QSignalBlocker quiet(comboFiltreTags_);
            comboFiltreTags_->setCurrentText(QString());
        }
        select(comboTabList_, 0);
    } else {
        typeSource_ = 1;
        refreshCollectionPreview(false);
    }
    prefix1_->setEnabled(comboSort1_->currentIndex() == TabDet::ByTagPrefix);
    prefix2_->setEnabled(comboSort2_->currentIndex() == TabDet::ByTagPrefix);
}

// ---- Source table ---------------------------------------------------------------------------

qsizetype DataPref6::sourceCount() const
{
    if (typeSource_ == 1)
        return listeTemp_.size();
    return std::max<qint64>(0, Data::getNbrPiecesOng(tabNoSource_));
}

PiecesPtr DataPref6::sourceEntry(qsizetype row) const
{
    if (typeSource_ == 1)
        return listeTemp_.value(row);
    const qint64 start = Data::indexInTitleArrayG(tabNoSource_);
    if (start < 0 || row < 0 || row >= sourceCount())
        return nullptr;
    return Data::listePiecesByTitle().value(start + row);
}

void DataPref6::remplirComboTabList()
{
    const QSignalBlocker quiet(comboTabList_);
    comboTabList_->clear();
    for (qint64 t = 0; t < Data::tabs().size(); ++t) {
        const TabDetPtr &tab = Data::tabs().at(t);
        if (tab && Data::getNbrPiecesOng(t) > 0)
            comboTabList_->addItem(tab->tabNameForDisplay(), int(t));
    }
    comboTabList_->setCurrentIndex(0);
}

void DataPref6::remplircomboFiltreTags()
{
    const QSignalBlocker quiet(comboFiltreTags_);
    comboFiltreTags_->clear();
    comboFiltreTags_->addItems(Data::tags());
    comboFiltreTags_->setCurrentText(QString());
}

void DataPref6::refreshSelonTabList()
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

void DataPref6::refreshSelonFiltres()
{
    if (!dataIsLoaded_)
        return;
    listeTemp_.clear();
    const QString title = filtreTitle_->text().toUpper();
    const QString artist = filtreArtist_->text().toUpper();
    const QString tags = comboFiltreTags_->currentText().toUpper();
    if (title.isEmpty() && artist.isEmpty() && tags.isEmpty() && !buttonPlayed_->isChecked()
        && !buttonFlagged_->isChecked()) {
        typeSource_ = 0;
    } else {
        for (const PiecesPtr &song : tabSongs(tabNoSource_)) {
            const PiecesDet &d = *song->pieceDet;
            if ((buttonPlayed_->isChecked() && !d.played) || (buttonFlagged_->isChecked() && !d.flagged))
                continue;
            if ((!title.isEmpty() && !d.titre.toUpper().contains(title))
                || (!artist.isEmpty() && !d.auteur.toUpper().contains(artist))
                || (!tags.isEmpty() && !d.infoF.toUpper().contains(tags)))
                continue;
            listeTemp_.append(song);
        }
        typeSource_ = 1;
    }
    reloadTable();
}

void DataPref6::refreshCollectionPreview(bool reload)
{
    listeTemp_.clear();
    auto scratch = std::make_shared<TabDet>(0, 0);
    majDonneesTab(*scratch);
    listeTemp_ = matchingSongs(scratch, scratch->list);
    if (reload)
        reloadTable();
}

PiecesList DataPref6::tabSongs(qint64 tab)
{
    PiecesList songs;
    const qint64 start = Data::indexInTitleArrayG(tab);
    const qint64 count = start < 0 ? 0 : Data::getNbrPiecesOng(tab);
    for (qint64 i = 0; i < count; ++i)
        if (const PiecesPtr song = Data::listePiecesByTitle().value(start + i); song && song->pieceDet)
            songs << song;
    return songs;
}

PiecesList DataPref6::matchingSongs(const TabDetPtr &scratch, const QString &words)
{
    const QStringList keywords = words.toUpper().split(QLatin1Char('\n'));
    PiecesList found;
    for (const PiecesPtr &song : tabSongs(0)) {
        const QString path = song->pieceDet->fichier;
        if (PiecesPtr entry = Pieces::initWithPDF(path, platform::fileName(path), 0, 0, scratch, false, 0,
                                                  QString(), keywords, song))
            found << entry;
    }
    sortkeys::sortByMainKey(found);
    return found;
}

void DataPref6::rebuildPreviewIfCollection()
{
    if (!isSetlist())
        refreshCollectionPreview(true);
}

// ---- Tables ------------------------------------------------------------------------------------

void DataPref6::reloadTable()
{
    const QSignalBlocker quiet(mTable_);
    const qsizetype count = dataIsLoaded_ ? sourceCount() : 0;
    mTable_->clearContents();
    mTable_->setRowCount(int(count));
    for (int r = 0; r < count; ++r) {
        const PiecesPtr entry = sourceEntry(r);
        if (!entry || !entry->pieceDet)
            continue;
        mTable_->setItem(r, 0, cell(entry->pieceDet->titre));
        mTable_->setItem(r, 1, cell(entry->pieceDet->artistShown()));
        mTable_->setItem(r, 2, cell(entry->pieceDet->infoF));
    }
}

QStringList DataPref6::libraryFileNames() const
{
    QStringList names;
    for (const PiecesPtr &song : tabSongs(0))
        names << platform::fileName(song->pieceDet->fichier).toUpper();
    return names;
}

QString DataPref6::statusText(int row) const
{
    const PiecesPtr entry = liste_.value(row);
    if (!isSetlist() || !entry || !entry->pieceDet)
        return QStringLiteral(" ");
    const QString line = setlist::listLine(entry->pieceDet->fichier, entry->pieceDet->titre, true);
    return setlist::lineInLibrary(line, libraryNames_) ? QStringLiteral(" ") : QStringLiteral("⚠️");
}

QString DataPref6::statusToolTip(int row) const
{
    if (statusText(row) == QLatin1String(" "))
        return QString();
    return QStringLiteral("File %1 no longer exists or has been renamed").arg(liste_.at(row)->pieceDet->fichier);
}

void DataPref6::reloadList()
{
    filling_ = true;
    libraryNames_ = libraryFileNames();
    const qsizetype count = dataIsLoaded_ ? liste_.size() : 0;
    mList_->clearContents();
    mList_->setRowCount(int(count));
    for (int r = 0; r < count; ++r) {
        const PiecesPtr &entry = liste_.at(r);
        auto *status = cell(statusText(r));
        status->setToolTip(statusToolTip(r));
        mList_->setItem(r, 0, status);
        mList_->setItem(r, 1, cell(entry->pieceDet->titre, modifiable_));
        mList_->setItem(r, 2, cell(entry->pieceDet->artistShown()));
    }
    filling_ = false;
}

void DataPref6::reloadTags()
{
    const QStringList &tags = Data::tags();
    const qsizetype count = dataIsLoaded_ ? tags.size() : 0;
    mTag_->clearContents();
    mTag_->setRowCount(int(count));
    for (int r = 0; r < count; ++r)
        mTag_->setItem(r, 0, cell(tags.at(r)));
}

void DataPref6::scrollListToEnd()
{
    if (mList_->rowCount() > 0)
        mList_->scrollToItem(mList_->item(mList_->rowCount() - 1, 1));
}

// ---- Changes ---------------------------------------------------------------------------------

void DataPref6::markChange()
{
    changeMade_ = true;
    buttonSave_->setEnabled(true);
}

void DataPref6::comboBoxSelectionDidChange(QComboBox *combo)
{
    if (!dataIsLoaded_)
        return;
    if (combo == comboTabType_) {
        changeType(combo->currentIndex());
    } else if (combo == comboTabList_) {
        refreshSelonTabList();
    } else if (combo == comboFiltreTags_) {
        refreshSelonFiltres();
    } else {
        if (combo == comboSort1_)
            prefix1_->setEnabled(combo->currentIndex() == TabDet::ByTagPrefix);
        if (combo == comboSort2_)
            prefix2_->setEnabled(combo->currentIndex() == TabDet::ByTagPrefix);
        markChange();
        if (combo != comboSort2_)
            rebuildPreviewIfCollection();
    }
}

void DataPref6::changeType(int item)
{
    // The layout still shows the type left.
    const bool wasCollection = modifiable_;
    if (wasCollection == (item == 1))
        return;
    if (item == 0 && !listeTemp_.isEmpty()) {
        const qint64 answer = Data::questionAvecCancel(QStringLiteral("Convert Collection to Setlist using existing entries?"));
        if (answer < 0) {
            select(comboTabType_, 1);
            return;
        }
        liste_ = answer == 1 ? listeTemp_ : PiecesList();
    } else if (item == 1 && !liste_.isEmpty()) {
        const qint64 answer = Data::questionAvecCancel(QStringLiteral("Convert Setlist to Collection using existing entries?"));
        if (answer < 0) {
            select(comboTabType_, 0);
            return;
        }
        if (answer == 0)
            liste_.clear();
    }
    markChange();
    ajusterSelonTabType();
    reloadList();
    reloadTable();
}

void DataPref6::editField(QLineEdit *field, const QString &text)
{
    field->setText(text);
    textEdited(field);
    textEditingEnded(field);
}

void DataPref6::textEdited(QLineEdit *field)
{
    if (!dataIsLoaded_ || field == filtreTitle_ || field == filtreArtist_)
        return;
    if (field == tabName_)
        changeMadeTabName_ = true;
    else
        changeMade_ = true;
    buttonSave_->setEnabled(true);
}

void DataPref6::textEditingEnded(QLineEdit *field)
{
    if (!dataIsLoaded_)
        return;
    if (field == filtreTitle_ || field == filtreArtist_) {
        refreshSelonFiltres();
        return;
    }
    if (field == tabName_)
        return;
    markChange();
    rebuildPreviewIfCollection();
}

void DataPref6::editListTitle(int row, const QString &text)
{
    if (!dataIsLoaded_ || row < 0 || row >= liste_.size())
        return;
    // The row becomes the word typed; a library song's own record is never retitled.
    liste_[row] = keywordRow(text);
    markChange();
    rebuildPreviewIfCollection();
}

// ---- Saving and closing ---------------------------------------------------------------------

void DataPref6::majDonneesTab(TabDet &tab) const
{
    tab.tabSort = comboSort1_->currentIndex();
    tab.tabSortAlt = comboSort2_->currentIndex();
    tab.tabPrefix = prefix1_->text().toUpper();
    tab.tabPrefixAlt = prefix2_->text().toUpper();
    const bool setlistType = isSetlist();
    tab.optSel = setlistType ? qint64(TabDet::Setlist) : comboOptSel_->currentIndex();
    QStringList lines;
    for (const PiecesPtr &row : liste_)
        lines << setlist::listLine(row->pieceDet->fichier, row->pieceDet->titre, setlistType);
    tab.list = setlist::listText(lines);
    tab.lookInto = comboLookInto_->currentIndex();
}

void DataPref6::sauvegarderDonnees()
{
    if (!tab_)
        return;
    tab_->tabName = setlist::nameToSave(tabName_->text(), liste_.size());
    int code;
    if (changeMade_ || !changeMadeTabName_) {
        majDonneesTab(*tab_);
        tab_->save(false);
        code = vocab::RefreshFolder;
    } else {
        tab_->save(true);
        code = vocab::TabNamesChanged;
    }
    buttonSave_->setEnabled(false);
    changeMade_ = changeMadeTabName_ = false;
    post(code);
}

void DataPref6::actionSave()
{
    if (QWidget *focused = focusWidget())
        focused->clearFocus();
    if (!liste_.isEmpty() && tabName_->text().isEmpty()) {
        Data::msg(QStringLiteral("Please, enter a Tab Name"));
        tabName_->setFocus();
        return;
    }
    sauvegarderDonnees();
    done(QDialog::Accepted);
}

void DataPref6::actionCancel()
{
    if (QWidget *focused = focusWidget())
        focused->clearFocus();
    done(QDialog::Rejected);
}

void DataPref6::done(int result)
{
    if (dataIsLoaded_) {
        post(vocab::ToolWindowClosed);
        menuOn_ = false;
        const bool save = (changeMade_ || changeMadeTabName_) && Data::askToSave(QStringLiteral("Save changes?")) == 1;
        // A quit closes the window while the question is open, and that close
        // has already saved and emptied the list: saved again, it would be
        // written empty.
        if (!dataIsLoaded_) {
            QDialog::done(result);
            return;
        }
        if (save)
            sauvegarderDonnees();
        dataIsLoaded_ = false;
        liste_.clear();
        listeTemp_.clear();
        reloadList();
        reloadTable();
        changeMade_ = changeMadeTabName_ = false;
        buttonSave_->setEnabled(false);
    }
    QDialog::done(result);
    Data::activateKeywin();
}

void DataPref6::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && (focusWidget() == mTable_ || focusWidget() == mTag_)) {
        actionEnterOnList();
        return;
    }
    if ((key == Qt::Key_Delete || key == Qt::Key_Backspace) && focusWidget() == mList_) {
        actionBackspaceOnList();
        return;
    }
    QDialog::keyPressEvent(event);
}

void DataPref6::actionButtonHelp()
{
    post(vocab::HelpFirst + kHelpPage);
}
