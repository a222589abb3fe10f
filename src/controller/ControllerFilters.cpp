#include "controller/Controller.h"

#include "controller/MarkRules.h"
#include "library/Data.h"
#include "platform/Log.h"
#include "settings/DataPref6.h"
#include "settings/DataPref7.h"
#include "settings/DataPref8.h"
#include "settings/DataPref9.h"

#include <QGuiApplication>
#include <QScreen>
#include <mutex>

namespace {

// A row of the filtered list that is not a song: a section header (-1) or
// the placeholder of a section without matches (-2).
PiecesPtr dummyRow(const QString &text, qint32 kind)
{
    // No file: its note is not looked for (its text is no path).
    const notefile::ReadResult noNote;
    PiecesPtr row = Pieces::initWithPDF(text, text, 0, 0, nullptr, true, 0, QString(), QStringList(), nullptr, &noNote);
    row->pieceDet->indexInTEMP0 = kind;
    return row;
}

qint32 songTempo(const PiecesPtr &piece)
{
    if (!piece || !piece->pieceDet)
        return 0;
    if (!piece->pieceDet->tempoOk)
        piece->tempo();
    return piece->pieceDet->tempo;
}

} // namespace

void Controller::prevNextFilterNoG(qint64 step, qint64 type, qint64 pred, bool refresh)
{
    if (!tocON_)
        return;
    noPageToc_ = 0;
    auto noFilter = [this]() {
        Data::setFilterNoG(-1);
        Data::setFilterTypeG(0);
        filterON_ = false;
        remplirToc();
    };
    if (step == -2) {
        noFilter();
        return;
    }
    if (Data::filterTypeG() != type || refresh) {
        if (Data::filterTypeG() != type) {
            Data::setFilterNoG(-1);
            Data::setFilterTypeG(0);
            filterON_ = false;
        }
        Data::setSongNoGfilter(Data::songNoG());
        const PiecesPtr piece = Data::getPiece(Data::songNoG());
        const qint32 tempo = songTempo(piece);
        const QString key = piece ? piece->pieceDet->cle : QString();
        const QString artist = piece ? piece->pieceDet->auteur : QString();
        if (type == 1) {
            Data::chargerTagsTemp(std::nullopt);
            const QString shown = piece ? piece->pieceDet->artistShown() : QString();
            Data::tagsTemp().append(marks::quickEntries(tempo, key, shown));
        } else {
            TLOG(QStringLiteral(
                "Controller === ATTENTION finalement filterType différent de 1 des fois !!!  ============="));
            Data::tagsTemp() = marks::songEntries(piece ? piece->pieceDet->infoF : QString(), tempo, key, artist);
        }
    }
    const qint64 count = Data::tagsTemp().size();
    Data::setFilterNoG(marks::stepIndex(Data::filterNoG(), count, step, pred));
    if (Data::filterNoG() == -1) {
        noFilter();
        return;
    }
    Data::setFilterTypeG(type);
    filterON_ = true;
    const qint64 tab = type == 1 ? Data::onglNoG() : 0;
    noPageToc_ = 0;
    const int field = type == 1 ? marks::fieldForIndex(Data::filterNoG(), count, Data::filterString().isEmpty())
                                : marks::FieldTag;
    const bool logField = field == marks::FieldPlayed || field == marks::FieldFlags;
    const QString entry = Data::tagsTemp().value(Data::filterNoG());

    PiecesList &rows = Data::listePiecesTEMP2();
    rows.clear();
    Data::setFilterIndexG(0);
    Data::setFilterMaxG(0);
    rows.append(dummyRow(marks::headerText(entry, tab == 0 || logField), -1));
    ajouterPiecesPourFiltre(tab, true, field);
    qint64 firstSection = rows.size() - 1;
    if (firstSection == 0)
        rows.append(dummyRow(marks::noEntryText(), -2));
    if (!logField && tab != 0) {
        rows.append(dummyRow(marks::headerText(entry, true), -1));
        const qsizetype before = rows.size();
        ajouterPiecesPourFiltre(0, false, field);
        if (rows.size() == before)
            rows.append(dummyRow(marks::noEntryText(), -2));
    }
    Data::setFilterMaxG(rows.size());
    Data::setFilterChampG(field);
    if (Data::filterIndexG() == 0)
        Data::setFilterIndexG(1);
    nbrSongs_ = firstSection;
    remplirToc();
}

void Controller::ajouterPiecesPourFiltre(qint64 tab, bool determinerNoPage, int champ)
{
    const PiecesPtr current = Data::getPiece(Data::songNoGfilter());
    const PiecesDetPtr currentDet = current ? current->pieceDet : nullptr;
    const QString entry = Data::tagsTemp().value(Data::filterNoG());
    const qint64 nbToc = qMax<qint64>(1, Data::nbTocG());
    std::lock_guard lock(Data::listePiecesFlaggedMonitor());

    PiecesList examined;
    if (champ == marks::FieldPlayed) {
        examined = Data::listePiecesLog();
    } else if (champ == marks::FieldFlags) {
        examined = Data::listePiecesFlagged();
    } else {
        const qint64 start = tabStart(tab);
        const qint64 count = Data::getNbrPiecesOng(tab);
        for (qint64 k = start + 1; start >= 0 && k <= start + count; ++k)
            examined.append(Data::getPiece(k));
    }
    qint64 k = 0;
    for (const PiecesPtr &piece : examined) {
        if (!piece || !piece->pieceDet)
            continue;
        bool match;
        if (champ == marks::FieldPlayed)
            match = piece->pieceDet->played;
        else if (champ == marks::FieldFlags)
            match = piece->pieceDet->flagged;
        else {
            if (champ == marks::FieldTempo)
                songTempo(piece);
            match = marks::matches(champ, *piece->pieceDet, entry);
        }
        if (!match)
            continue;
        Data::listePiecesTEMP2().append(piece);
        if (currentDet && piece->pieceDet == currentDet) {
            if (Data::filterIndexG() == 0)
                Data::setFilterIndexG(k + 1);
            if (determinerNoPage && noPageToc_ == 0)
                noPageToc_ = k / nbToc + 1;
        }
        ++k;
    }
}

// "ActionKey" 80 and 81.
void Controller::traiterPrevNextFilter(qint64 step)
{
    if (tocON_) {
        prevNextFilterNoG(step, 1, 0, false);
        return;
    }
    actionEqual();
    if (Data::filterTypeG() == 0)
        prevNextFilterNoG(step, 1, 0, false);
}

// "ActionKey" 85.
void Controller::applyFilterText()
{
    if (!Data::filterString().isEmpty()) {
        Data::setFilterNoG(1);
        Data::setFilterTypeG(0);
        filterON_ = false;
        prevNextFilterNoG(Data::filterNoG(), 1, 0, true);
    } else if (Data::filterTypeG() > 0) {
        prevNextFilterNoG(-2, 1, 0, true);
    }
}

void Controller::editerSetlist(qint64 tab)
{
    if (tab == 0)
        return;
    if (currentDirNo_ < 0) {
        Data::msg(QStringLiteral("Setlists and Collections cannot be edited in the Help Tolvane."));
        return;
    }
    setlistEditor()->showDataPref6(1, tab);
}

void Controller::afficherTags()
{
    actionMenuItemTags();
    // Beside the note window it serves: on its left, else on its right when
    // that still fits on the first screen.
    const QWidget *note = noteWindowVisible() ? noteWindowInUse() : nullptr;
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (note && screen) {
        DataPref7 *tags = tagList();
        const QRect n = note->frameGeometry();
        const int width = tags->frameGeometry().width();
        int x = n.x() - width - 20;
        if (x <= 0)
            x = n.x() + n.width() + 20;
        const QRect visible = screen->availableGeometry();
        if (visible.width() - visible.x() > x + width) {
            tags->move(x, n.y());
            tags->resize(tags->width(), note->height());
        }
    }
    Data::activateKeywin();
}

void Controller::fermerTags()
{
    if (dataPref7Controller_)
        dataPref7Controller_->closeWin();
}

void Controller::tagsAssignments()
{
    if (currentDirNo_ < 0) {
        Data::msg(QStringLiteral("Tags Assignments is disabled in the Help Tolvane."));
        return;
    }
    if (Data::tags().isEmpty()) {
        Data::msg(QStringLiteral("Please, create at least one tag before using Tags Assignments."));
        return;
    }
    tagAssignments()->showDataPref8();
}

void Controller::filter()
{
    if (!tocON_)
        actionEqual();
    tagFilter()->showDataPref9();
}
