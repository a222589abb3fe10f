#include "audio/MusicX.h"
#include "controller/Controller.h"

#include "library/Data.h"
#include "platform/Log.h"
#include "windows/WindowList.h"
#include "windows/WindowPDFxSuper.h"

namespace {

using PiecePtr = Controller::PiecePtr;

// Position + 1 of an entry in the current sort's combined list.
qint64 songNumberOf(const PiecePtr &piece)
{
    if (!piece)
        return 0;
    return (Data::currentSort() != 0 ? piece->indexInAuthorArray : piece->indexInTitleArray) + 1;
}

// A filtered row that is a song of the folder (not a heading or a dummy row).
bool isSongRow(const PiecePtr &piece)
{
    return piece && piece->pieceDet && piece->pieceDet->indexInTEMP0 >= 0;
}

PiecePtr currentPiece()
{
    return Data::getPiece(Data::songNoG());
}

qint64 pagesOf(const PiecePtr &piece)
{
    return (piece && piece->pieceDet) ? piece->pieceDet->nbrPagesMax : 1;
}

} // namespace

PiecePtr Controller::positionnerProchainePieceSelonFiltre()
{
    const qint64 max = Data::filterMaxG();
    const PiecesList &rows = Data::listePiecesTEMP2();
    if (max < 2 || Data::filterIndexG() >= max)
        return nullptr;
    qint64 index = Data::filterIndexG() + 1;
    if (index >= max)
        index = 0;
    Data::setFilterIndexG(index);
    if (isSongRow(rows.value(index)))
        return rows.value(index);
    for (int step = 0; step < 2 && index + 1 < max; ++step) {
        ++index;
        Data::setFilterIndexG(index);
        if (isSongRow(rows.value(index)))
            return rows.value(index);
    }
    return nullptr;
}

PiecePtr Controller::obtenirProchainePieceSelonFiltre() const
{
    const qint64 max = Data::filterMaxG();
    const PiecesList &rows = Data::listePiecesTEMP2();
    const qint64 from = Data::filterIndexG();
    if (from < 0)
        return nullptr;
    for (qint64 index = from + 1; index < max && index <= from + 3; ++index)
        if (isSongRow(rows.value(index)))
            return rows.value(index);
    return nullptr;
}

PiecePtr Controller::getPieceNext() const
{
    if (filterON_ && Data::filterTypeG() != 0) {
        if (tocON_) {
            const PiecePtr row = Data::listePiecesTEMP2().value(Data::filterIndexG());
            if (isSongRow(row))
                return row;
        }
        return obtenirProchainePieceSelonFiltre();
    }
    return Data::getPiece(Data::songNoG() + 1);
}

PiecePtr Controller::getPiecePrev() const
{
    if (filterON_ && Data::filterTypeG() != 0) {
        const PiecePtr row = Data::listePiecesTEMP2().value(Data::filterIndexG() - 1);
        return isSongRow(row) ? row : nullptr;
    }
    return Data::songNoG() > 1 ? Data::getPiece(Data::songNoG() - 1) : nullptr;
}

// Through a filter's rows only the next song is looked for: none after it.
PiecePtr Controller::getPieceAfterNext() const
{
    if (filterON_ && Data::filterTypeG() != 0)
        return nullptr;
    return Data::getPiece(Data::songNoG() + 2);
}

void Controller::traiterNext()
{
    ajusterSlavePaused();
    if (Data::songNbrG() <= 0)
        return;
    if (tocON_) {
        if (filterON_) {
            PiecePtr entry = Data::listePiecesTEMP2().value(Data::filterIndexG());
            if (!isSongRow(entry))
                entry = positionnerProchainePieceSelonFiltre();
            if (entry)
                Data::setSongNoG(songNumberOf(entry));
            else
                filterON_ = false;
        }
        masquerToc();
        chargerPages();
        return;
    }
    if (!filterON_ && Data::songNoG() >= Data::songNbrG()) {
        chargerPages();
        return;
    }
    if (filterON_) {
        const qint64 before = Data::filterIndexG();
        const PiecePtr entry = positionnerProchainePieceSelonFiltre();
        if (!entry) {
            actionEqual();
            return;
        }
        Data::setSongNoG(songNumberOf(entry));
        if (Data::filterIndexG() > before) {
            verifTOC_ = true;
            chargerPages();
        } else {
            chargerPages();
            actionEqual();
        }
        return;
    }
    Data::setSongNoG(Data::songNoG() + 1);
    verifTOC_ = true;
    chargerPages();
}

void Controller::traiterPrev()
{
    ajusterSlavePaused();
    if (Data::songNbrG() <= 0)
        return;
    if (tocON_) {
        if (filterON_ && Data::filterMaxG() >= 2) {
            Data::setFilterIndexG(Data::filterMaxG() - 1);
            const PiecePtr entry = Data::listePiecesTEMP2().value(Data::filterIndexG());
            if (isSongRow(entry)) {
                Data::setSongNoG(songNumberOf(entry));
                masquerToc();
                chargerPages();
            }
            return;
        }
        if (Data::songNoG() <= 1) {
            chargerPages();
            return;
        }
        masquerToc();
    } else {
        if (!filterON_)
            verifAffToc();
        if (!filterON_ && Data::songNoG() <= 1) {
            chargerPages();
            return;
        }
    }
    if (filterON_ && Data::filterMaxG() >= 2 && Data::filterIndexG() >= 2) {
        Data::setFilterIndexG(Data::filterIndexG() - 1);
        const PiecePtr entry = Data::listePiecesTEMP2().value(Data::filterIndexG());
        if (isSongRow(entry)) {
            Data::setSongNoG(songNumberOf(entry));
            chargerPages();
        }
        return;
    }
    if (filterON_) {
        actionEqual();
        return;
    }
    Data::setSongNoG(qMax<qint64>(1, Data::songNoG() - 1));
    chargerPages();
}

void Controller::traiterUP(bool sync)
{
    if (tocON_) {
        noPageToc_ = noPageToc_ < 2 ? nbrPagesToc_ : noPageToc_ - 1;
        remplirToc();
        return;
    }
    const PiecePtr piece = currentPiece();
    if (!piece)
        return;
    if (zoomON_) {
        afficherZoom(-1, false);
        return;
    }
    const qint64 step = sync ? 1 : 2;
    if (pagesOf(piece) > step) {
        if (pageNo1_ != 1) {
            // Never below page 1, whatever the step.
            pageNo1_ = qMax<qint64>(1, pageNo1_ - step);
            setPDFx(piece, pageNo1_, true, getPieceNext(), false, false);
        } else if (Data::optPrevPageSong()) {
            traiterPrev();
        } else {
            pageNo1_ = 1;
            setPDFx(piece, pageNo1_, true, getPieceNext(), false, false);
            afficherInfoPiece(piece, nullptr);
            resetCue();
        }
        return;
    }
    if (Data::optPrevPageSong() && pageNo1_ == 1) {
        traiterPrev();
    } else {
        chargerPages();
        if (pageNo1_ == 1)
            resetCue();
    }
}

void Controller::traiterDown(bool sync, qint64 nbc, bool retourPage1)
{
    if (tocON_) {
        noPageToc_ = noPageToc_ >= nbrPagesToc_ ? 1 : noPageToc_ + 1;
        remplirToc();
        return;
    }
    const PiecePtr piece = currentPiece();
    if (!piece)
        return;
    if (zoomON_) {
        afficherZoom(1, retourPage1);
        return;
    }
    const qint64 step = sync ? 1 : 2;
    const qint64 pages = pagesOf(piece);
    if (pages > step) {
        if (pageNo1_ + step + nbc > pages) {
            if (retourPage1) {
                pageNo1_ = 1;
                setPDFx(piece, pageNo1_, true, getPieceNext(), false, false);
            } else if (Data::optNextPageSong()) {
                traiterNext();
            }
            return;
        }
        pageNo1_ += step;
        setPDFx(piece, pageNo1_, true, getPieceNext(), false, false);
        return;
    }
    if (retourPage1 || !Data::optNextPageSong())
        chargerPages();
    else
        traiterNext();
}

void Controller::actionPGDN()
{
    if (zoomON_)
        afficherZoom(1, false);
    else
        traiterSpace();
}

void Controller::actionFirst()
{
    if (!tocON_) {
        actionEqual();
        return;
    }
    if (Data::onglNoG() == 0) {
        if (Data::songNoG() <= 1) {
            verifTOC_ = true;
            gotoPrevNextTab(true);
        } else {
            Data::setSongNoG(1);
            afficherToc(false);
            chargerPages();
        }
        return;
    }
    verifTOC_ = true;
    gotoPrevNextTab(true);
}

void Controller::actionLast()
{
    if (!tocON_) {
        actionEqual();
        return;
    }
    verifTOC_ = true;
    gotoPrevNextTab(false);
}

void Controller::gotoPrevNextTab(bool previous)
{
    qint64 tab = Data::onglNoG();
    // At most one full turn: a folder without any filled tab stops here.
    bool found = false;
    for (int i = 0; i < Data::kTabs; ++i) {
        tab = previous ? (tab + Data::kTabs - 1) % Data::kTabs : (tab + 1) % Data::kTabs;
        if (Data::indexInTitleArrayG(tab) >= 0) {
            found = true;
            break;
        }
    }
    if (!found)
        return;
    onglNoGuser_ = tab;
    const qint64 start = tabStart(tab);
    if (start >= 0)
        gotoSongNo(start + 1, false, true);
    if (!previous && Data::onglNoG() == tab)
        afficherToc(false);
}

void Controller::gotoSongNo(qint64 songNo, bool /*autoSide*/, bool adjustSlavePaused)
{
    if (adjustSlavePaused)
        ajusterSlavePaused();
    if (songNo < 1 || songNo > Data::songNbrG())
        return;
    Data::setSongNoG(songNo);
    chargerPages();
}

void Controller::actionGotoCur()
{
    if (tocON_)
        masquerToc();
    slaveOnPaused_ = false;
    if (!audio::MusicX::iTunesStartedFromQuillory() && !isPlayingInternal() && isSearchAutoOk(true)) {
        refreshNoteX30();
        return;
    }
    if (songNoG_itunes_ > 0 && songNoG_itunes_ != Data::songNoG() && isPlaying()) {
        gotoSongNo(songNoG_itunes_, true, true);
        return;
    }
    const PiecePtr current = currentPiece();
    const PiecePtr prev = Data::getPiece(songNoG_prev_);
    if (songNoG_prev_ > 0 && prev && current && prev->ongNo >= 1 && prev->ongNo <= 9 && current->ongNo == 0
        && current->pieceDet) {
        const qint32 inTab = current->pieceDet->indexInTEMP(prev->ongNo);
        if (inTab >= 0) {
            if (const PiecePtr entry = Data::getPieceTEMP(inTab)) {
                songNoG_prev_prev_ = songNoG_prev_;
                songNoG_prev_ = songNumberOf(entry);
            }
        }
    }
    qint64 target = 0;
    if (songNoG_prev_ > 0 && songNoG_prev_ != Data::songNoG())
        target = songNoG_prev_;
    else if (songNoG_prev_prev_ >= 1)
        target = songNoG_prev_prev_;
    if (target > 0)
        gotoSongNo(target, false, true);
}

void Controller::actionEqual()
{
    if (!tocON_) {
        afficherToc(true);
        return;
    }
    if (Data::filterTypeG() == 0) {
        masquerToc();
        return;
    }
    clearFilterState();
    afficherToc(true);
    refreshPieceNextX();
}

void Controller::actionRefresh()
{
    refreshAfterRead(currentDirNo_, true);
}

void Controller::actionToggleSort()
{
    if (Data::songNbrG() <= 0)
        return;
    // Each remembered number keeps pointing at the same song in the new order.
    qint64 *const remembered[] = {&songNoG_itunes_, &songNoG_ev_, &songNoG_next_, &songNoG_prev_,
                                  &songNoG_prev_prev_, &songNoG_ongl_};
    const PiecePtr current = currentPiece();
    const PiecePtr midiSent = Data::getPiece(Data::songNoG_MIDISent());
    const PiecePtr filtered = Data::getPiece(Data::songNoGfilter());
    PiecesList others;
    for (qint64 *value : remembered)
        others.append(*value >= 1 ? Data::getPiece(*value) : nullptr);

    Data::setCurrentSort(Data::currentSort() == 0 ? 1 : 0);
    if (current)
        Data::setSongNoG(songNumberOf(current));
    if (midiSent)
        Data::setSongNoG_MIDISent(songNumberOf(midiSent));
    if (filtered)
        Data::setSongNoGfilter(songNumberOf(filtered));
    for (int i = 0; i < others.size(); ++i)
        if (others.at(i))
            *remembered[i] = songNumberOf(others.at(i));
    currentSortPrev_ = Data::currentSort();
    chargerPages();
    if (tocON_)
        afficherToc(true);
}

void Controller::chargerPages()
{
    const PiecePtr piece = currentPiece();
    enableMenuPDF1(false);
    startTimerPrev();
    pageNo1_ = 1;
    zoomTop_ = true;
    if (!piece)
        return;
    setPDFx(piece, 1, true, getPieceNext(), false, false);
    afficherInfoPiece(piece, nullptr);
    enableMenuPDF1(true);
}

void Controller::afficherInfoPiece(const PiecePtr &piece, const PiecePtr & /*piece2*/)
{
    if (!piece)
        return;
    const qint64 before = Data::onglNoG();
    setOnglet(piece->ongNo, 1);
    if (verifTOC_ && Data::onglNoG() != before)
        afficherToc(false);
    verifTOC_ = false;
}
