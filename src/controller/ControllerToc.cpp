#include "controller/Controller.h"

#include "library/Data.h"
#include "platform/Log.h"
#include "windows/WindowPDFxSuper.h"

namespace {

template <typename Fn>
void forEachWindow(Fn fn)
{
    const auto windows = Data::nsMutaryOfWindows();
    for (const QPointer<WindowPDFxSuper> &w : windows)
        if (w)
            fn(w.data());
}

} // namespace

qint64 Controller::tabStart(qint64 tab) const
{
    return Data::currentSort() != 0 ? Data::indexInAuthorArrayG(tab) : Data::indexInTitleArrayG(tab);
}

void Controller::afficherToc(bool /*flag*/)
{
    const bool wasShown = tocON_;
    tocON_ = true;
    Data::setTocOn(true);
    noPageToc_ = 0;
    // The filtered list is rebuilt when the list comes up again.
    if (filterON_)
        prevNextFilterNoG(0, Data::filterTypeG(), 0, !wasShown);
    else
        remplirToc();
    afficherTocX(true);
    setTabsName();
}

void Controller::masquerToc()
{
    tocON_ = false;
    Data::setTocOn(false);
    noPageToc_ = 0;
    afficherTocX(false);
    setTabsName();
}

void Controller::remplirToc()
{
    const qint64 nbToc = qMax<qint64>(1, Data::nbTocG());
    qint64 start = 0;
    qint64 count = 0;
    qint64 shown = 0;
    if (filterON_) {
        count = Data::listePiecesTEMP2().size();
        shown = nbrSongs_;
    } else {
        start = tabStart(Data::onglNoG());
        count = Data::getNbrPiecesOng(Data::onglNoG());
        shown = count;
    }
    nbrPagesToc_ = count / nbToc + (count % nbToc ? 1 : 0);
    if (noPageToc_ < 1)
        noPageToc_ = filterON_ ? 1 : (Data::songNoG() - start - 1) / nbToc + 1;
    // A current song outside the tab's run (or a page kept from a longer list)
    // would show another tab's songs: the page stays within the tab's pages.
    if (noPageToc_ < 1 || noPageToc_ > nbrPagesToc_)
        noPageToc_ = 1;
    const QString label = nbrPagesToc_ > 0
                              ? QStringLiteral("%1 • %2/%3").arg(QString::number(shown), QString::number(noPageToc_),
                                                                 QString::number(nbrPagesToc_))
                              : QStringLiteral("(no entry)");
    forEachWindow([&](WindowPDFxSuper *w) {
        w->refreshTocLabel1();
        w->setTocLabel2(label);
    });
    for (qint64 slot = 0; slot < nbToc; ++slot) {
        qint64 index = (noPageToc_ - 1) * nbToc + start + slot;
        if (start < 0 || index >= start + count)
            index = -1;
        initToc(slot, index);
    }
}

void Controller::initToc(qint64 slot, qint64 songIndex)
{
    if (songIndex < 0) {
        forEachWindow([&](WindowPDFxSuper *w) { w->setItemStateForItem(1, nullptr, slot + 1); });
        return;
    }
    PiecePtr piece = filterON_ ? Data::listePiecesTEMP2().value(songIndex) : Data::getPiece(songIndex + 1);
    forEachWindow([&](WindowPDFxSuper *w) { w->setItemStateForItem(0, piece, slot + 1); });
}

void Controller::verifAffToc()
{
    const qint64 start = tabStart(Data::onglNoG());
    if (start >= 0 && Data::songNoG() == start + 1)
        afficherToc(false);
}

void Controller::setSongNoToc(qint64 slot)
{
    if (!tocON_) {
        if (filterON_) {
            filterON_ = false;
            setTabsName();
        }
        return;
    }
    const qint64 nbToc = qMax<qint64>(1, Data::nbTocG());
    const qint64 r = (noPageToc_ - 1) * nbToc + slot;
    if (filterON_) {
        const PiecesList &rows = Data::listePiecesTEMP2();
        // A header or "(no entry)" row is no song: it is picked like an empty slot.
        const PiecePtr row = (r >= 0 && r < rows.size()) ? rows.at(r) : nullptr;
        if (row && row->pieceDet && row->pieceDet->indexInTEMP0 >= 0) {
            Data::setFilterIndexG(r);
            songNoToc_ = (Data::currentSort() != 0 ? row->indexInAuthorArray : row->indexInTitleArray) + 1;
        }
    } else if (r >= 0 && r < Data::getNbrPiecesOng(Data::onglNoG())) {
        songNoToc_ = r + tabStart(Data::onglNoG()) + 1;
    }
}

void Controller::setOnglet(qint64 tab, qint64 /*code*/)
{
    if (tab < 0 || tab >= Data::kTabs)
        return;
    Data::setOnglNoG(tab);
    if (tab > 0) {
        onglNoGuser_ = tab;
        songNoG_ongl_ = Data::songNoG();
    }
    forEachWindow([](WindowPDFxSuper *w) {
        for (qint64 b = 1; b <= Data::kTabs; ++b)
            w->setButtonStateForOnglet(0, QString(), b);
    });
    redTab_ = false;
    if (ongletErr_ > 0) {
        const qint64 err = ongletErr_;
        forEachWindow([err](WindowPDFxSuper *w) { w->setButtonStateForOnglet(2, QString(), err + 1); });
        redTab_ = true;
        ongletErr_ = -1;
    }
    forEachWindow([tab](WindowPDFxSuper *w) { w->setButtonStateForOnglet(1, QString(), tab + 1); });
}

QString Controller::obtenirTabNameForDisplay(qint64 tab) const
{
    const TabDetPtr record = Data::tabs().value(tab);
    const QString name = record ? record->tabNameForDisplay() : QString();
    if (tab == 0 && !tocON_ && filterON_)
        return QStringLiteral("🔻%1").arg(name);
    return name;
}

void Controller::setTabsName()
{
    if (!Data::tabs().isEmpty()) {
        forEachWindow([this](WindowPDFxSuper *w) {
            for (qint64 k = 0; k < Data::kTabs; ++k)
                w->setButtonStateForOnglet(0, obtenirTabNameForDisplay(k), k + 1);
        });
    }
    setOnglet(Data::onglNoG(), 1);
}

void Controller::ajusterPosButtonToc()
{
    if (Data::tabs().isEmpty())
        return;
    forEachWindow([](WindowPDFxSuper *w) { w->ajusterPosButtonToc(); });
}

void Controller::loadTabsSettings(qint64 slot)
{
    if (slot < 0)
        initTabsSettings(slot);
    else
        setTabsName();
}

void Controller::initTabsSettings(qint64 /*slot*/)
{
    setTabsName();
}

void Controller::startTimerPrev()
{
    prevTimer_.start(2.0, false, [this]() { setPrev(); });
}

// A song counts as visited after 2 s in a tab the user chose.
void Controller::setPrev()
{
    if (Data::onglNoG() == onglNoGuser_ && Data::onglNoG() > 0) {
        if (songNoG_prev_ != Data::songNoG())
            songNoG_prev_prev_ = songNoG_prev_;
        songNoG_prev_ = Data::songNoG();
    }
    prevTimer_.stop();
}

void Controller::actionOnglet2(qint64 tab, bool cmdPressed)
{
    if (tab < 0 || tab >= Data::kTabs)
        return;
    const qint64 n = Data::getNbrPiecesOng(tab);
    bool editor = false;
    if (currentDirNo_ < 0 && (n < 1 || cmdPressed))
        Data::msg(QStringLiteral("Setlists and Collections cannot be created in the Help Tolvane."));
    else
        editor = tab == 0 ? cmdPressed : (n < 1 || cmdPressed);
    onglNoGuser_ = tab;
    auto goToFirstSong = [this, tab]() {
        const qint64 start = tabStart(tab);
        if (start >= 0) {
            gotoSongNo(start + 1, false, true);
            afficherToc(false);
        }
    };
    goToFirstSong();
    if (editor) {
        editerSetlist(tab);
        // The editor may have changed the tab.
        goToFirstSong();
    }
}
