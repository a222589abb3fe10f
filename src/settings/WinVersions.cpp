#include "settings/WinVersions.h"

#include "library/Data.h"
#include "library/SongFileCheck.h"
#include "library/SongFiles.h"
#include "platform/AtomicFile.h"
#include "platform/NotificationCenter.h"
#include "platform/PdfProcess.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"
#include "platform/Vocabulary.h"
#include "windows/TableControls.h"
#include "windows/WindowPDFxSuper.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>
#include <utility>

namespace versions {

QString newVersionPath(const QString &songPath, const QString &id, const QString &suffix)
{
    const QString own = platform::suffix(songPath);
    const QString base = own.isEmpty() ? songPath : songPath.left(songPath.size() - own.size() - 1);
    return base + QStringLiteral("---") + id + QLatin1Char('.') + suffix;
}

bool idFitsFileName(const QString &id)
{
    return !id.isEmpty() && !id.contains(QLatin1Char('/')) && !id.contains(QChar(0)) && id != QLatin1String(".")
           && id != QLatin1String("..");
}

} // namespace versions

namespace {

void post(int code)
{
    platform::NotificationCenter::defaultCenter().postActionKey(code);
}

void postPath(const QString &name, const QString &path)
{
    platform::NotificationCenter::defaultCenter().post(name, QVariant(path));
}

} // namespace

// ---- The versions window --------------------------------------------------------------------

namespace {
PageRenderer::FileLook &defaultLookSlot()
{
    static PageRenderer::FileLook look;
    return look;
}
} // namespace

void WinVersions::setDefaultLook(PageRenderer::FileLook look)
{
    defaultLookSlot() = std::move(look);
}

WinVersions::WinVersions(QWidget *parent, PageRenderer::FileLook look)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint)
{
    setWindowTitle(QStringLiteral("Alternate Versions"));
    look_ = look ? std::move(look) : defaultLookSlot();
    auto *outer = new QVBoxLayout(this);
    mTable_ = new QTableWidget(0, ColumnCount);
    mTable_->setHorizontalHeaderLabels({QStringLiteral("WID"), QStringLiteral("File Name"), QString(), QString(), QString()});
    mTable_->verticalHeader()->hide();
    mTable_->setSelectionMode(QAbstractItemView::NoSelection);
    mTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    mTable_->setColumnWidth(ColWinID, 110);
    mTable_->setColumnWidth(ColFilename, 320);
    mTable_->setColumnWidth(ColCreate, 90);
    mTable_->setColumnWidth(ColDelete, 80);
    mTable_->setColumnWidth(ColOpen, 130);
    outer->addWidget(mTable_, 1);
    auto *buttons = new QHBoxLayout;
    auto *help = new QPushButton(QStringLiteral("?"));
    auto *close = new QPushButton(QStringLiteral("Close"));
    buttons->addWidget(help);
    buttons->addStretch();
    buttons->addWidget(close);
    outer->addLayout(buttons);
    connect(help, &QPushButton::clicked, this, &WinVersions::actionButtonHelp);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    resize(780, 260);
}

void WinVersions::showWin(const PiecesPtr &piece, bool refreshOnly)
{
    pieceCour_ = piece;
    reload();
    if (!refreshOnly) {
        show();
        raise();
        activateWindow();
    }
}

QString WinVersions::idOfRow(int row) const
{
    const QList<WinIDPtr> &ids = Data::winIDs();
    if (row < 1 || row > ids.size() || !ids.at(row - 1))
        return QString();
    return ids.at(row - 1)->idWin;
}

PageRenderer &WinVersions::looks()
{
    // Its thread starts when the window is first shown: most sessions never show it.
    if (!looks_) {
        looks_ = new PageRenderer(look_, this);
        connect(looks_, &PageRenderer::documentReady, this, &WinVersions::answered);
    }
    return *looks_;
}

QString WinVersions::songFile() const
{
    return pieceCour_ && pieceCour_->pieceDet ? pieceCour_->pieceDet->fichier : QString();
}

QString WinVersions::alternatePath(int row) const
{
    if (row < 1 || row > alternates_.size() || idOfRow(row).isEmpty())
        return QString();
    return alternates_.at(row - 1).value_or(QString());
}

bool WinVersions::looked() const
{
    return asked_ == 0 && next_ > alternates_.size() && !writes_.busy();
}

QString WinVersions::cellText(int row, Column column) const
{
    const QString file = songFile();
    const bool song = !file.isEmpty();
    // Neither button while the row's answer is awaited.
    const bool known = row == 0 || (row <= alternates_.size() && alternates_.at(row - 1).has_value());
    const QString alternate = row == 0 ? QString() : alternatePath(row);
    switch (column) {
    case ColWinID: return row == 0 ? QStringLiteral("(Master)") : idOfRow(row);
    case ColFilename:
        if (!song)
            return QString();
        if (!known && silent_)
            return songfile::noAnswer();
        return platform::fileName(row == 0 ? file : alternate);
    case ColCreate: return song && known && row >= 1 && alternate.isEmpty() ? QStringLiteral("Create...") : QString();
    case ColDelete: return song && row >= 1 && !alternate.isEmpty() ? QStringLiteral("Delete") : QString();
    case ColOpen: {
        const QString target = row == 0 ? file : alternate;
        if (!song || target.isEmpty())
            return QString();
        return songfile::isPdfFile(target) ? QStringLiteral("Open in Viewer") : QStringLiteral("Open in Editor");
    }
    default: return QString();
    }
}

void WinVersions::reload()
{
    const int rows = int(Data::winIDs().size()) + 1;
    // The same song keeps its rows on show until their new answers come.
    if (songFile() != listed_)
        alternates_.clear();
    listed_ = songFile();
    alternates_.resize(rows - 1);
    // An answer on its way was looked at before this reload: it is not taken.
    if (asked_ != 0)
        stale_ = true;
    else
        looks().lookAgain();
    next_ = 1;
    mTable_->clearContents();
    mTable_->setRowCount(rows);
    for (int r = 0; r < rows; ++r)
        fillRow(r);
    askNext();
}

void WinVersions::fillRow(int r)
{
    if (r >= mTable_->rowCount())
        return;
    for (Column c : {ColWinID, ColFilename})
        mTable_->setItem(r, c, new QTableWidgetItem(cellText(r, c)));
    for (Column c : {ColCreate, ColDelete, ColOpen}) {
        const QString title = cellText(r, c);
        if (title.isEmpty()) {
            mTable_->removeCellWidget(r, c);
            continue;
        }
        auto *button = new TableButton(title);
        button->setRow(r);
        connect(button, &QPushButton::clicked, this, [this, button, c]() {
            const int row = int(button->row());
            if (c == ColCreate)
                actionButtonCreate(row);
            else if (c == ColDelete)
                actionButtonDelete(row);
            else
                actionButtonOpen(row);
        });
        mTable_->setCellWidget(r, c, button);
    }
}

void WinVersions::askNext()
{
    const QString file = songFile();
    // One look at a time, so that a folder that does not answer holds one ask only.
    while (asked_ == 0 && next_ <= alternates_.size()) {
        const std::optional<QString> found = looks().version(file, {idOfRow(next_), 2, 2});
        if (!found) {
            asked_ = next_;
            askedFor_ = file;
            if (!silent_ && !silence_.isActive())
                silence_.start(PageRenderer::kNoAnswerPoll, true, [this] { watchSilence(); });
            return;
        }
        alternates_[next_ - 1] = *found;
        fillRow(next_);
        ++next_;
    }
}

void WinVersions::answered(const QString &path)
{
    if (asked_ == 0 || path != askedFor_)
        return;
    asked_ = 0;
    saySilent(false);
    if (std::exchange(stale_, false)) {
        looks().lookAgain();
        next_ = 1;
    }
    // Asked again, the row's answer is the one just come.
    askNext();
}

void WinVersions::watchSilence()
{
    if (asked_ == 0)
        silence_.stop();
    else if (looks().fileSystemSilence() >= PageRenderer::kNoAnswerSeconds)
        saySilent(true);
}

void WinVersions::saySilent(bool silent)
{
    if (silent)
        silence_.stop();
    if (std::exchange(silent_, silent) == silent)
        return;
    for (int r = 1; r <= alternates_.size(); ++r)
        if (!alternates_.at(r - 1))
            fillRow(r);
}

void WinVersions::setAlternate(const QString &song, int row, const QString &path)
{
    // The table may have moved to another song while the file was made.
    if (song == listed_ && row >= 1 && row <= alternates_.size())
        alternates_[row - 1] = path;
    reload();
}

void WinVersions::actionButtonCreate(int row)
{
    const QString id = idOfRow(row);
    // One write at a time: the table answers the one under way first.
    if (!pieceCour_ || !pieceCour_->pieceDet || id.isEmpty() || writes_.busy())
        return;
    if (!versions::idFitsFileName(id)) {
        Data::msg(QStringLiteral("The WID \"%1\" cannot be part of a file name.").arg(id));
        return;
    }
    const QString master = pieceCour_->pieceDet->fichier;
    const QString suffix = platform::suffix(master);
    QString created;
    bool emptyChordPro = false;
    if (songfile::isPdfFile(master)) {
        const qint64 choice = Data::deuxChoixAvecCancel(QStringLiteral("Please, choose the file type to be created."),
                                                        QStringLiteral("Duplicate Master PDF"),
                                                        QStringLiteral("Create New ChordPro file"));
        if (choice < 0)
            return;
        emptyChordPro = choice == 0;
        created = versions::newVersionPath(master, id, emptyChordPro ? QStringLiteral("chopro") : suffix);
    } else {
        created = versions::newVersionPath(master, id, suffix);
    }
    struct Made {
        bool existed = false;
        QString error;
    };
    writes_.run(
        QStringLiteral("Versions: %1").arg(created),
        [master, created, emptyChordPro]() {
            Made made;
            // The table may be older than the folder: a file there now stays as it is.
            // Named by the bytes the file system holds, so that a song whose
            // name is not valid UTF-8 gets a version under its own name.
            if (emptyChordPro)
                platform::createFileAtomically(created, QByteArray(), &made.error, &made.existed);
            else
                platform::copyToNewFile(master, created, platform::PdfProcess::kMaxDocumentBytes, &made.error,
                                        &made.existed);
            return made;
        },
        [this, row, master, created](const Made &made) {
            if (made.existed) {
                Data::msg(QStringLiteral("%1 already exists and was left as it is.").arg(created));
                reload();
                return;
            }
            if (made.error.isEmpty())
                setAlternate(master, row, created);
            else
                reload();
            post(vocab::RefreshNoteAndPdfDefaults);
            if (!made.error.isEmpty()) {
                Data::msg(QStringLiteral("%1 could not be created: %2").arg(created, made.error));
                return;
            }
            if (!songfile::isPdfFile(created))
                postPath(vocab::ActionOpenNew, created);
        });
}

void WinVersions::actionButtonOpen(int row)
{
    if (!pieceCour_ || !pieceCour_->pieceDet)
        return;
    const QString path = row == 0 ? pieceCour_->pieceDet->fichier : alternatePath(row);
    if (!path.isEmpty())
        postPath(vocab::ActionOpen, path);
}

void WinVersions::actionButtonDelete(int row)
{
    const QString path = row >= 1 ? alternatePath(row) : QString();
    if (path.isEmpty() || writes_.busy())
        return;
    if (!Data::question(QStringLiteral("Delete %1 ?").arg(path)))
        return;
    const QString what = QStringLiteral("Versions: %1").arg(path);
    const QString song = songFile();
    writes_.run(what, [path]() { return platform::moveToTrash(path); }, [this, song, row, path, what](bool trashed) {
        if (trashed || !Data::question(QStringLiteral("%1 could not be moved to the trash. Delete it for good?").arg(path))) {
            deleted(song, row, trashed);
            return;
        }
        writes_.run(what, [path]() { return platform::removeFile(path); }, [this, song, row, path](bool removed) {
            if (!removed)
                Data::msg(QStringLiteral("%1 could not be deleted.").arg(path));
            deleted(song, row, removed);
        });
    });
}

void WinVersions::deleted(const QString &song, int row, bool gone)
{
    if (gone)
        setAlternate(song, row, QString());
    else
        reload();
    post(vocab::RefreshNoteAndPdfDefaults);
}

void WinVersions::actionButtonHelp()
{
    post(vocab::HelpFirst + 9);
}

void WinVersions::closeEvent(QCloseEvent *event)
{
    event->accept();
    Data::activateKeywin();
}

// ---- The version chooser --------------------------------------------------------------------

DataPrefA::DataPrefA(QWidget *parent, PageRenderer::FileLook look)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint)
{
    setWindowTitle(QStringLiteral("Open Version"));
    look_ = look ? std::move(look) : defaultLookSlot();
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Version to open (WID), then Return")));
    comboWID_ = new QComboBox;
    comboWID_->setEditable(true);
    comboWID_->setInsertPolicy(QComboBox::NoInsert);
    layout->addWidget(comboWID_);
    connect(comboWID_, &QComboBox::activated, this, [this](int index) {
        if (dataIsLoaded_)
            comboWID_->setEditText(comboWID_->itemText(index));
    });
    connect(comboWID_->lineEdit(), &QLineEdit::returnPressed, this, &DataPrefA::refreshSelonFiltres);
    resize(260, 80);
}

PageRenderer &DataPrefA::looks()
{
    // Its thread starts at the first identifier typed: most sessions never type one.
    if (!looks_) {
        looks_ = new PageRenderer(look_, this);
        connect(looks_, &PageRenderer::documentReady, this, &DataPrefA::versionAnswered);
    }
    return *looks_;
}

void DataPrefA::showDataPrefA()
{
    dataIsLoaded_ = false;
    escapePressed_ = false;
    askedId_.clear();
    // Versions made or deleted since the last show are looked for again.
    if (looks_)
        looks_->lookAgain();
    remplirComboWIDList();
    show();
    raise();
    activateWindow();
    comboWID_->setFocus();
    dataIsLoaded_ = true;
}

void DataPrefA::remplirComboWIDList()
{
    const QString typed = comboWID_->currentText();
    const bool keepTyped = dataIsLoaded_ && typed != proposed_;
    const QSignalBlocker quiet(comboWID_);
    comboWID_->clear();
    const PiecesPtr piece = Data::getPiece(Data::songNoG());
    QList<WindowPDFxSuper *> tolvaneWindows;
    for (const QPointer<WindowPDFxSuper> &w : Data::nsMutaryOfWindows())
        if (w && w->winType() == 0)
            tolvaneWindows << w;
    bool master = false;
    for (WindowPDFxSuper *w : tolvaneWindows)
        if (w->altDir().isEmpty() || !w->altModeOk())
            master = true;
    comboWID_->addItem(QStringLiteral("(Master)"));
    proposed_ = QStringLiteral("(Master)");
    listKnown_ = true;
    bool first = true;
    for (const WinIDPtr &id : Data::winIDs()) {
        if (!id || !piece || !piece->pieceDet)
            continue;
        for (WindowPDFxSuper *w : tolvaneWindows) {
            if (w->altDir() != id->idWin || !w->altModeOk())
                continue;
            const std::optional<QString> shown = w->versionShown(piece->pieceDet->fichier, true);
            if (!shown) {
                // Listed when the window's renderer answers.
                listKnown_ = false;
                if (PageRenderer *renderer = w->pageRenderer())
                    connect(renderer, &PageRenderer::documentReady, this, &DataPrefA::listAnswered,
                            Qt::UniqueConnection);
                continue;
            }
            if (shown->isEmpty())
                continue;
            comboWID_->addItem(w->altDir());
            if (first && !master)
                proposed_ = w->altDir();
            first = false;
            break;
        }
    }
    comboWID_->addItem(QStringLiteral("(cancel)"));
    comboWID_->setEditText(keepTyped ? typed : proposed_);
}

void DataPrefA::listAnswered(const QString &path)
{
    const PiecesPtr piece = Data::getPiece(Data::songNoG());
    // Only while an answer is awaited: the renderer says the same of every page it reads.
    if (listKnown_ || !isVisible() || !piece || !piece->pieceDet || path != piece->pieceDet->fichier)
        return;
    remplirComboWIDList();
}

void DataPrefA::refreshSelonFiltres()
{
    if (!dataIsLoaded_)
        return;
    const QString text = comboWID_->currentText();
    if (text.isEmpty() || text == QLatin1String("(cancel)")) {
        actionButtonEscape();
        return;
    }
    const PiecesPtr piece = Data::getPiece(Data::songNoG());
    if (!piece || !piece->pieceDet) {
        actionButtonEscape();
        return;
    }
    const QString song = piece->pieceDet->fichier;
    if (text == QLatin1String("(Master)")) {
        openVersion(song);
        return;
    }
    for (const WinIDPtr &id : Data::winIDs()) {
        if (id && id->idWin.toUpper() == text.toUpper()) {
            // Policy 2: the version alone, "" when there is none.
            const std::optional<QString> found = looks().version(song, {id->idWin, 2, 2});
            askedSong_ = song;
            askedId_ = id->idWin;
            if (found)
                versionAnswered(song);
            return;
        }
    }
    Data::msg(QStringLiteral("Invalid WID!"));
}

void DataPrefA::versionAnswered(const QString &path)
{
    if (askedId_.isEmpty() || path != askedSong_)
        return;
    // An answer for another identifier asks again for this one.
    const std::optional<QString> found = looks().version(askedSong_, {askedId_, 2, 2});
    if (!found)
        return;
    askedId_.clear();
    if (found->isEmpty()) {
        Data::msg(QStringLiteral("There is no alternate version for this WID!"));
        return;
    }
    openVersion(*found);
}

void DataPrefA::openVersion(const QString &file)
{
    dataIsLoaded_ = false;
    postPath(vocab::ActionOpen, file);
    close();
}

void DataPrefA::actionButtonEscape()
{
    dataIsLoaded_ = false;
    escapePressed_ = true;
    close();
}

void DataPrefA::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        actionButtonEscape();
        return;
    }
    QWidget::keyPressEvent(event);
}

void DataPrefA::closeEvent(QCloseEvent *event)
{
    event->accept();
    // A version still looked for no longer opens.
    askedId_.clear();
    if (escapePressed_)
        Data::activateKeywin();
}
