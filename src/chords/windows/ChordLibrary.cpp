#include "chords/windows/ChordLibrary.h"
#include "chords/windows/ChordLibraryModel.h"

#include "chordpro/ChordPro.h"
#include "chords/ChordLibraryRules.h"
#include "library/Data.h"
#include "library/SongFileCheck.h"
#include "library/TextCodec.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/NotificationCenter.h"
#include "platform/RegularFile.h"
#include "platform/UserDefaults.h"
#include "platform/Vocabulary.h"
#include "windows/WindowList.h"
#include "windows/WindowPDFx.h"

#include <QAbstractTableModel>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTableView>
#include <utility>

// ---- Window ------------------------------------------------------------------------------

namespace {

QString dragType(const QString &base, qint64 instrument)
{
    return instrument == 1 ? base + QStringLiteral("Uk") : base;
}

void post(int code)
{
    platform::NotificationCenter::defaultCenter().postActionKey(code);
}

} // namespace

ChordLibrary::ChordLibrary(QWidget *parent) : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint)
{
    song_ = std::make_unique<ChordPro>(QRectF(QPointF(), ChordPro::sizeRefStatique()), nullptr, true);
    buildControls();
    // windowDidLoad
    menuOn_ = chordModifie_ = pendingNewChord_ = pendingChanges_ = false;
    mViewChordEdit_->setInstrument(instrument_);
    setCadreForTableView(LibraryTable);
    Data::chargerAllChordsString(false, -1, false);
    readLibraryText();
    // Opened on the built-in library: the stored one replaces it, unsaved edits of the built-in one dropped.
    platform::UserDefaults::standard().afterLateRead(QStringLiteral("chord library"), [this] {
        takeStoredLibrary();
        refreshTable2();
    }, this);
    activerDrag(false);
    mViewChord_->iniColorForObj(0, Qt::black, false);
    mViewChord_->iniColorForObj(1, Qt::white, false);
    mViewChord_->iniColorForObj(2, QColor::fromRgbF(0.2, 0.2, 0.2), false);
    mViewChord_->iniColorForObj(3, QColor(236, 68, 69), false);
    mViewChord_->iniColorForObj(4, QColor(0, 122, 255), false);
    mViewChord_->iniColorForObj(5, Qt::white, false);
    mViewChord_->setAllowEditing(true);
    mViewChord_->setDelegate(this);
    mViewChord_->showLabelAndButtonModify();
    mViewChord_->setEditionEnCours(false);
    mViewChordEdit_->setDelegate(this);
    mViewChordEdit_->hide();
    songEdits_.setWaitSaid([this](const QString &notice) { saySong(&editNotice_, notice); });
    resize(900, 560);
}

ChordLibrary::~ChordLibrary()
{
    chordFileReads_.end();
    // The tables go first: they ask their models, which read this window.
    delete mTable_;
    delete mTable2_;
    delete model1_;
    delete model2_;
}

void ChordLibrary::buildControls()
{
    auto *outer = new QHBoxLayout(this);
    auto makeTable = [this](QFrame *&frame, QTableView *&view, ChordLibraryModel *&model, Table which) {
        frame = new QFrame;
        auto *box = new QVBoxLayout(frame);
        box->setContentsMargins(2, 2, 2, 2);
        view = new QTableView;
        model = new ChordLibraryModel(this, which);
        view->setModel(model);
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
        view->setSelectionMode(QAbstractItemView::SingleSelection);
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        view->setDragEnabled(true);
        view->setDragDropMode(QAbstractItemView::DragDrop);
        view->setDefaultDropAction(Qt::CopyAction);
        view->setDropIndicatorShown(true);
        // Fixed sizes: a library of thousands of chords reloads without measuring every cell.
        view->verticalHeader()->hide();
        view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        view->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        view->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
        for (int column = 1; column <= 7; ++column)
            view->horizontalHeader()->resizeSection(column, column == 7 ? 40 : 30);
        view->viewport()->installEventFilter(this);
        box->addWidget(view);
        connect(view, &QTableView::clicked, this, [this, which]() { doClick(which); });
        connect(view->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                [this, which](const QModelIndex &now, const QModelIndex &before) {
                    if (selecting_ || !now.isValid())
                        return;
                    // Keys move the selection: the same rule as a click.
                    if (!tableViewShouldSelectRow(which, now.row()) && before.isValid())
                        selectRow(which, before.row());
                });
    };
    auto *left = new QVBoxLayout;
    makeTable(cadre1_, mTable_, model1_, LibraryTable);
    labelNbChord_ = new QLabel;
    left->addWidget(cadre1_, 1);
    left->addWidget(labelNbChord_);
    outer->addLayout(left, 3);

    auto *right = new QVBoxLayout;
    diagramHost_ = new QWidget;
    diagramHost_->setMinimumSize(160, 160);
    diagramHost_->installEventFilter(this);
    mViewChord_ = new ViewChords(diagramHost_);
    mViewChordEdit_ = new ViewChordsEdit(diagramHost_);
    right->addWidget(diagramHost_, 3);

    auto *locate = new QGridLayout;
    static const char *roots[] = {"C", "C#", "Db", "D", "D#", "Eb", "E", "F", "F#", "Gb", "G", "G#", "Ab", "A", "A#", "Bb", "B"};
    for (int tag = 0; tag < 17; ++tag) {
        auto *button = new QPushButton(QString::fromLatin1(roots[tag]));
        button->setToolTip(QStringLiteral("Hold CTRL key to locate minor chord\nHold SHIFT key to locate 7th chord."));
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, [this, tag]() { actionLocateChord(tag, QGuiApplication::keyboardModifiers()); });
        locate->addWidget(button, 0, tag);
        locateButtons_.append(button);
    }
    for (int tag = 0; tag < 17; ++tag)
        locate->setColumnStretch(tag, 1);
    right->addLayout(locate);

    combo1_ = new QComboBox;
    connect(combo1_, &QComboBox::currentIndexChanged, this, [this]() { comboBoxSelectionDidChange(); });
    right->addWidget(combo1_);
    makeTable(cadre2_, mTable2_, model2_, SongTable);
    right->addWidget(cadre2_, 2);
    songNotice_ = new QLabel;
    songNotice_->setWordWrap(true);
    songNotice_->hide();
    right->addWidget(songNotice_);

    auto *commands = new QGridLayout;
    const std::pair<int, const char *> buttons[] = {{2, "Remove from Song"}, {7, "Delete"}, {5, "New"}, {6, "New from Selection"},
                                                    {3, "Import…"}, {4, "Export…"}, {8, "Restore Defaults…"}, {9, "Save"}};
    int i = 0;
    for (const auto &[tag, title] : buttons) {
        auto *button = new QPushButton(QString::fromUtf8(title));
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, [this, t = tag]() { actionTest(t); });
        commands->addWidget(button, i / 4, i % 4);
        ++i;
    }
    right->addLayout(commands);
    outer->addLayout(right, 4);
}

void ChordLibrary::setInstrument(qint64 instrument)
{
    const bool changed = instrument != instrument_;
    instrument_ = instrument;
    mViewChordEdit_->setInstrument(instrument);
    if (instrument == 0)
        setWindowTitle(QStringLiteral("Chord Library - Guitar (EADGBE)"));
    else if (instrument == 1)
        setWindowTitle(QStringLiteral("Chord Library - Ukulele (GCEA)"));
    // Set again at each opening from the menu: the records and selection stay.
    if (!changed)
        return;
    readLibraryText();
    reloadTable(LibraryTable);
}

QString &ChordLibrary::libraryText() const
{
    return instrument_ == 1 ? Data::allChordsStringUk() : Data::allChordsString();
}

QString ChordLibrary::chordLibraryDataType() const
{
    return dragType(QStringLiteral("ChordLibraryDataType"), instrument_);
}

QString ChordLibrary::chordDefinesDataType() const
{
    return dragType(QStringLiteral("ChordDefinesDataType"), instrument_);
}

void ChordLibrary::readLibraryText()
{
    chordSpecsArray_ = chordlibrary::readLibrary(libraryText(), instrument_, false, false);
}

void ChordLibrary::generateAllChordsString(bool refresh, bool removeDuplicate)
{
    libraryText() = chordlibrary::writeLibrary(chordSpecsArray_, instrument_, removeDuplicate);
    if (refresh)
        refreshChordsForAllWindows();
}

void ChordLibrary::refreshChordsForAllWindows()
{
    post(vocab::ChordDisplay);
}

int ChordLibrary::trierArray1andKeepUserPositions(int row)
{
    return chordlibrary::sortKeepingPositions(chordSpecsArray_, row);
}

void ChordLibrary::reloadTable(Table table)
{
    const QSignalBlocker quiet(table == SongTable ? mTable2_->selectionModel() : mTable_->selectionModel());
    (table == SongTable ? model2_ : model1_)->reload();
    if (table == LibraryTable)
        labelNbChord_->setText(chordlibrary::countLabel(chordSpecsArray_.size()));
}

void ChordLibrary::selectRow(Table table, int row)
{
    QTableView *view = this->table(table);
    selecting_ = true;
    if (row < 0 || row >= records(table).size()) {
        view->clearSelection();
    } else {
        view->scrollTo(view->model()->index(row, 0));
        view->selectRow(row);
    }
    selecting_ = false;
}

int ChordLibrary::selectedRow(Table table) const
{
    const QModelIndexList rows = this->table(table)->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return -1;
    const int row = rows.first().row();
    return row < records(table).size() ? row : -1;
}

// ---- Showing and closing -------------------------------------------------------------------

void ChordLibrary::showChordLib(WindowPDFxSuper *window)
{
    reloadTable(LibraryTable);
    show();
    raise();
    activateWindow();
    ajusterSizeAndRefreshChords();
    remplirCombo1(window);
    refreshTable2();
    if (selectedRow(LibraryTable) < 0 && !chordSpecsArray_.isEmpty()) {
        selectRow(LibraryTable, 0);
        refreshChordDetailsUsingRow(0, LibraryTable);
    }
    if (!menuOn_) {
        post(vocab::ToolWindowShown);
        menuOn_ = true;
    }
}

void ChordLibrary::closeEvent(QCloseEvent *event)
{
    event->accept();
    // A window never shown, or closed already, has nothing to settle.
    if (!isVisible() && !menuOn_)
        return;
    windowWillClose();
}

void ChordLibrary::windowWillClose()
{
    if (pendingNewChord_) {
        const QString name = chordlibrary::reformatChordName(mViewChordEdit_->labelChord()->text());
        mViewChordEdit_->labelChord()->setText(name);
        if (!name.isEmpty())
            traiterOkCancel(false, false);
        else
            sortirModeCreationAccord(true);
    }
    closeEditor();
    askToSaveChanges();
    post(vocab::ToolWindowClosed);
    menuOn_ = false;
    Data::activateKeywin();
}

void ChordLibrary::askToSaveChanges()
{
    if (!pendingChanges_)
        return;
    if (Data::askToSave(QStringLiteral("Changes have been done in Chord Library. Save changes?")) == 1) {
        saveChordLibrary(); // unsaved until it is on disk
        return;
    }
    reloadStoredLibrary(false);
    showFirstRow();
    pendingChanges_ = false;
}

void ChordLibrary::reloadStoredLibrary(bool forcerDefault)
{
    libraryText().clear();
    Data::chargerAllChordsString(true, instrument_, forcerDefault);
    readLibraryText();
    reloadTable(LibraryTable);
    refreshChordsForAllWindows();
}

void ChordLibrary::mergeIntoLibrary(const QString &lines)
{
    takeLibrary(chordlibrary::mergeLines(libraryText(), lines, instrument_));
}

void ChordLibrary::takeLibrary(const chordlibrary::MergedLibrary &merged)
{
    // The library replaced can hold tens of thousands of chords: freed on a worker.
    platform::runGlobal([text = std::exchange(libraryText(), merged.text),
                         records = std::exchange(chordSpecsArray_, merged.records)]() {});
    refreshChordsForAllWindows();
    reloadTable(LibraryTable);
}

void ChordLibrary::showFirstRow()
{
    selectRow(LibraryTable, chordSpecsArray_.isEmpty() ? -1 : 0);
    refreshChordDetailsUsingRow(chordSpecsArray_.isEmpty() ? -2 : 0, LibraryTable);
}

void ChordLibrary::settleOnQuit()
{
    if (isVisible())
        close();
    else
        askToSaveChanges();
    // No answer comes back after quitting: the save is waited for here.
    if (!pendingChanges_)
        return;
    QString why;
    if (platform::UserDefaults::standard().writeNowAndWait(2000, &why))
        pendingChanges_ = false;
    else
        saveFailed(why);
}

void ChordLibrary::takeStoredLibrary()
{
    reloadStoredLibrary(false);
    showFirstRow();
    pendingChanges_ = false;
}

void ChordLibrary::saveChordLibrary()
{
    Data::saveChordLibraryForInstrument(instrument_);
    platform::UserDefaults::standard().writeNow(
        [self = QPointer<ChordLibrary>(this), saved = libraryText()](bool ok, const QString &why) {
            if (!self)
                return;
            if (!ok)
                self->saveFailed(why);
            else if (self->libraryText() == saved) // nothing changed since
                self->pendingChanges_ = false;
        });
}

void ChordLibrary::saveFailed(const QString &why)
{
    pendingChanges_ = true;
    Data::msg(QStringLiteral("The chord library could not be saved: %1.\nIt stays unsaved until it can be.").arg(why));
}

// ---- Bound Tolvane window and its song ------------------------------------------------------

void ChordLibrary::remplirCombo1(WindowPDFxSuper *window)
{
    const QSignalBlocker quiet(combo1_);
    combo1_->clear();
    QList<WindowPDFxSuper *> tolvanes;
    int choice = 0;
    for (const QPointer<WindowPDFxSuper> &w : Data::nsMutaryOfWindows()) {
        if (!windowlist::isTolvaneWindow(w))
            continue;
        if (w == window)
            choice = int(tolvanes.size());
        tolvanes.append(w);
        combo1_->addItem(QStringLiteral("%1 %2").arg(QString::number(tolvanes.size()), w->obtenirTitle()));
    }
    if (!tolvanes.isEmpty()) {
        combo1_->setCurrentIndex(choice);
        refTolvaneWindow_ = tolvanes.at(choice);
        combo1_->setEnabled(true);
    } else {
        combo1_->addItem(QString());
        combo1_->setCurrentIndex(0);
        combo1_->setEnabled(false);
        refTolvaneWindow_.clear();
    }
    activerDrag(true);
}

WindowPDFxSuper *ChordLibrary::viewChordsRefTolvaneWin() const
{
    return refTolvaneWindow_;
}

WindowPDFxSuper *ChordLibrary::obtenirWinSelonIndex() const
{
    int n = 0;
    for (const QPointer<WindowPDFxSuper> &w : Data::nsMutaryOfWindows()) {
        if (!windowlist::isTolvaneWindow(w))
            continue;
        if (n++ == combo1_->currentIndex())
            return w;
    }
    return nullptr;
}

void ChordLibrary::comboBoxSelectionDidChange()
{
    const int index = combo1_->currentIndex();
    WindowPDFxSuper *window = index >= 0 && index < Data::nsMutaryOfWindows().size() ? obtenirWinSelonIndex() : nullptr;
    remplirCombo1(window);
    refreshTable2();
}

void ChordLibrary::activerDrag(bool on)
{
    dragOn_ = on && refTolvaneWindow_;
    mTable_->setAcceptDrops(dragOn_);
    mTable2_->setAcceptDrops(dragOn_);
}

void ChordLibrary::refreshTable2(std::function<void()> then)
{
    if (then)
        afterSongRead_.push_back(std::move(then));
    const quint64 asked = ++songReadsAsked_;
    const QString path = boundSongPath();
    songReadLate_.stop();
    if (path != songTextPath_) {
        // Another song's rows are not this one's: none until it is read.
        songText_.clear();
        songTextPath_.clear();
        chordSpecsArray2_.clear();
        listeDefineOrig_.clear();
        reloadTable(SongTable);
        selectRow(SongTable, -1);
    }
    if (path.isEmpty()) {
        showSongTable(path, QString());
        return;
    }
    // The song may sit on a share that stopped answering: the keys go on meanwhile.
    songReads_.run(
        QStringLiteral("Chord library read: %1").arg(path), songfile::songRead(path, ChordPro::kMaxSongBytes),
        [this, asked, path](const platform::FileBytes &file) {
            if (asked == songReadsAsked_)
                showSongTable(path, file.ok() ? textcodec::decode(file.bytes) : QString());
        });
    songReadLate_.start(0.5, false, [this, asked, path] {
        if (asked == songReadsAsked_)
            saySong(&readNotice_, songfile::noAnswer(path));
    });
}

void ChordLibrary::showSongTable(const QString &path, const QString &text)
{
    songReadShown_ = songReadsAsked_;
    songReadLate_.stop();
    saySong(&readNotice_, QString());
    takeSongText(path, text);
    // One may ask a question, in whose loop the window can go.
    const QPointer<ChordLibrary> self(this);
    for (const std::function<void()> &then : std::exchange(afterSongRead_, {})) {
        if (!self)
            return;
        then();
    }
}

void ChordLibrary::takeSongText(const QString &path, const QString &text)
{
    const int before = path == songTextPath_ ? selectedRow(SongTable) : -1;
    songText_ = text;
    songTextPath_ = path;
    chordSpecsArray2_.clear();
    listeDefineOrig_.clear();
    if (!path.isEmpty()) {
        song_->setChordProData(text);
        song_->traiterChordProData(text, 1, 0, 0);
        song_->convertDefine();
        listeDefineOrig_ = instrument_ == 1 ? song_->listeDefineOrigUk() : song_->listeDefineOrig();
        chordSpecsArray2_ = chordlibrary::readLibrary(instrument_ == 1 ? song_->listeDefineUk() : song_->listeDefine(),
                                                     instrument_, false, true);
    }
    reloadTable(SongTable);
    if (!cadre2Shown_ || path.isEmpty()) {
        selectRow(SongTable, -1);
    } else if (before >= 0 && before < chordSpecsArray2_.size()) {
        selectRow(SongTable, before);
        refreshChordDetailsUsingRow(before, SongTable);
    } else if (chordSpecsArray2_.size() >= 2) {
        selectRow(SongTable, 0);
        refreshChordDetailsUsingRow(0, SongTable);
    } else {
        selectRow(SongTable, -1);
        const int row = selectedRow(LibraryTable);
        if (row >= 0)
            refreshChordDetailsUsingRow(row, LibraryTable);
    }
}

void ChordLibrary::afterSongRead(std::function<void()> then)
{
    if (songReading())
        afterSongRead_.push_back(std::move(then));
    else
        then();
}

void ChordLibrary::saySong(QString *notice, const QString &text)
{
    *notice = text;
    const QString &shown = editNotice_.isEmpty() ? readNotice_ : editNotice_;
    songNotice_->setText(shown);
    songNotice_->setVisible(!shown.isEmpty());
}

QString ChordLibrary::boundSongPath()
{
    auto *window = qobject_cast<WindowPDFx *>(refTolvaneWindow_.data());
    if (!window) {
        songWindow_.clear();
        songPath_.clear();
        return {};
    }
    if (window->pieceCour()) {
        songWindow_ = window;
        songPath_ = window->typeFichierCour() == 1 ? window->currentFile() : QString();
    } else if (songWindow_ != window) {
        // A window reloading its song keeps the file it showed.
        songWindow_ = window;
        songPath_.clear();
    }
    return songPath_;
}

// ---- Selection, locating and showing -------------------------------------------------------

bool ChordLibrary::tableViewShouldSelectRow(Table table, int row)
{
    if (pendingNewChord_ && !traiterOkCancel(false, true))
        return false;
    if (row < 0 || row >= records(table).size())
        return false;
    selectRow(table, row);
    refreshChordDetailsUsingRow(row, table);
    const ChordSpecs &record = records(table).at(row);
    posiChordWithName(record.chordName(), table == LibraryTable ? SongTable : LibraryTable, false, true, record.chordX());
    return true;
}

void ChordLibrary::doClick(Table table)
{
    if (pendingNewChord_)
        return;
    const int row = selectedRow(table);
    if (row < 0)
        return;
    refreshChordDetailsUsingRow(row, table);
    const ChordSpecs &record = records(table).at(row);
    posiChordWithName(record.chordName(), table == LibraryTable ? SongTable : LibraryTable, false, true, record.chordX());
}

void ChordLibrary::setCadreForTableView(Table table)
{
    if (pendingNewChord_) {
        cadre1Shown_ = cadre2Shown_ = false;
    } else {
        cadre1Shown_ = table == LibraryTable;
        cadre2Shown_ = table == SongTable;
        this->table(table)->setFocus();
    }
    cadre1_->setFrameShape(cadre1Shown_ ? QFrame::Box : QFrame::NoFrame);
    cadre2_->setFrameShape(cadre2Shown_ ? QFrame::Box : QFrame::NoFrame);
}

bool ChordLibrary::posiChordWithName(const QString &name, Table table, bool refresh, bool matchShape, const MChord &shape)
{
    const int row = chordlibrary::findChord(records(table), name, matchShape, shape);
    if (row < 0)
        return false;
    selectRow(table, row);
    if (refresh)
        refreshChordDetailsUsingRow(row, table);
    return true;
}

void ChordLibrary::refreshChordDetailsUsingRow(int row, Table table)
{
    if (row == -2) {
        mViewChord_->hide();
        return;
    }
    const ChordSpecs *chord = &chordSpecsToAdd_;
    if (!pendingNewChord_) {
        if (row < 0 || row >= records(table).size())
            return;
        chord = &records(table).at(row);
    }
    mViewChord_->show();
    mViewChord_->iniChordWithName(chord->chordName(), chord->chordX(), false, instrument_);
    mViewChordEdit_->labelChord()->setText(chord->chordName());
    mViewChordEdit_->labelPos()->setText(QString::number(chord->chordX().fretPos));
    setCadreForTableView(table);
}

void ChordLibrary::actionLocateChord(int tag, Qt::KeyboardModifiers modifiers)
{
    if (!guard())
        return;
    const QString name = chordlibrary::locateName(tag, modifiers & Qt::ControlModifier, modifiers & Qt::ShiftModifier);
    posiChordWithName(name, LibraryTable, true, false, MChord());
    posiChordWithName(name, SongTable, false, false, MChord());
}

void ChordLibrary::chordLibLocateChord(const QString &name, const MChord &chord, WindowPDFxSuper *window)
{
    if (!guard())
        return;
    if (window != refTolvaneWindow_) {
        remplirCombo1(window);
        refreshTable2();
    }
    raise();
    activateWindow();
    // The song's rows may not be there yet: its table follows them.
    const auto inSong = [this, name, chord](bool refresh) {
        afterSongRead([this, name, chord, refresh] { posiChordWithName(name, SongTable, refresh, true, chord); });
    };
    if (chord.userDefined) {
        posiChordWithName(name, LibraryTable, false, true, chord);
        inSong(true);
        return;
    }
    if (posiChordWithName(name, LibraryTable, true, true, chord)) {
        inSong(false);
        return;
    }
    const QPointer<ChordLibrary> self(this);
    if (Data::question(QStringLiteral("Chord %1 not found in Chord Library.\nDo you want to create it?").arg(name)) && self) {
        ChordSpecs named;
        named.setChordName(name);
        MChord open;
        open.fretPos = 1;
        named.setChordX(open);
        enterCreationMode(&named);
    }
}

// ---- Layout --------------------------------------------------------------------------------

void ChordLibrary::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    ajusterSizeAndRefreshChords();
}

bool ChordLibrary::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == diagramHost_ && event->type() == QEvent::Resize)
        ajusterSizeAndRefreshChords();
    return QWidget::eventFilter(watched, event);
}

void ChordLibrary::ajusterSizeAndRefreshChords()
{
    // The diagram is the largest square the space beside the library table holds.
    const int side = std::max(1, std::min(diagramHost_->width(), diagramHost_->height()));
    mViewChord_->setGeometry((diagramHost_->width() - side) / 2, 0, side, side);
    mViewChord_->refreshSize();
    mViewChordEdit_->refreshSize(mViewChord_);
}
