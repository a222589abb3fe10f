#include "controller/Controller.h"

#include "controller/MarkRules.h"
#include "library/Data.h"
#include "library/MarkSnapshots.h"
#include "platform/Clock.h"
#include "platform/Log.h"
#include "platform/MainMenu.h"
#include "platform/UserDefaults.h"
#include "windows/WindowPDFxSuper.h"

#include <QAction>
#include <QLocale>
#include <QMenu>
#include <mutex>

namespace {

using marksnapshot::kFlags;
using marksnapshot::kPlayed;

QString snapshotDateText(const QDateTime &date)
{
    const QLocale locale;
    return QStringLiteral("%1 %2").arg(locale.toString(date.date(), QLocale::LongFormat),
                                       locale.toString(date.time(), QLocale::ShortFormat));
}

} // namespace

// ---- Played ---------------------------------------------------------------------

void Controller::markAsalreadyPlayed(bool toggle)
{
    const PiecePtr piece = Data::getPiece(Data::songNoG());
    if (!piece || !piece->pieceDet)
        return;
    PiecesDet &det = *piece->pieceDet;
    det.played = toggle ? !det.played : true;
    // Un-marking keeps the dates: only a song now played gets today's.
    if (det.played) {
        marks::appendToLog(Data::listePiecesLog(), piece);
        // The notes window writes the screen set's date into the song's note.
        writePlayedDate(platform::currentDateTime().toString(QStringLiteral("yyyy-MM-dd")));
    }
    refreshNoteX30();
}

void Controller::reportUnaskedWriteFailure(const QString &why)
{
    if (unaskedWriteFailureTold_) {
        TLOG(QStringLiteral("Controller unasked write failed: %1").arg(why));
        return;
    }
    unaskedWriteFailureTold_ = true;
    tellFailure(why);
}

void Controller::actionMenuAlreadyPlayed()
{
    markAsalreadyPlayed(true);
    if (tocON_)
        afficherToc(true);
}

void Controller::actionMenuItemClearAllPlayedStates()
{
    Data::clearAllPlayedStates();
    refreshNoteX30();
    if (tocON_)
        afficherToc(true);
}

// ---- Flagged ----------------------------------------------------------------------

void Controller::markAsFlagged(bool flag, bool supprimer)
{
    const PiecePtr piece = Data::getPiece(Data::songNoG());
    if (!piece || !piece->pieceDet)
        return;
    {
        std::lock_guard lock(Data::listePiecesFlaggedMonitor());
        marks::applyFlag(Data::listePiecesFlagged(), piece, flag, supprimer);
    }
    ajusterMenuGenre();
    refreshFlagsX();
    refreshNoteX30();
}

QList<Controller::PiecePtr> Controller::songsInView() const
{
    QList<PiecePtr> songs;
    const qint64 tab = Data::onglNoG();
    if (Data::filterTypeG() == 0) {
        const qint64 start = tabStart(tab);
        const qint64 count = Data::getNbrPiecesOng(tab);
        for (qint64 k = start + 1; start >= 0 && k <= start + count; ++k)
            if (const PiecePtr p = Data::getPiece(k))
                songs.append(p);
        return songs;
    }
    for (const PiecePtr &row : Data::listePiecesTEMP2())
        if (row && row->pieceDet && row->pieceDet->indexInTEMP0 >= 0 && row->ongNo == tab)
            songs.append(row);
    return songs;
}

void Controller::flagAllselectedSongs()
{
    const QList<PiecePtr> songs = songsInView();
    {
        std::lock_guard lock(Data::listePiecesFlaggedMonitor());
        marks::toggleFlags(Data::listePiecesFlagged(), songs);
    }
    ajusterMenuGenre();
    refreshFlagsX();
}

void Controller::actionMenuFlagged(qint64 tag)
{
    switch (tag) {
    case 0:
        markAsFlagged(true, false);
        break;
    case 1:
        markAsFlagged(true, true);
        break;
    case 2:
        Data::clearAllFlags();
        ajusterMenuGenre();
        refreshFlagsX();
        refreshNoteX30();
        break;
    case 3:
        flagAllselectedSongs();
        refreshNoteX30();
        break;
    default:
        break;
    }
    if (tocON_)
        afficherToc(true);
}

void Controller::refreshFlagsX()
{
    const auto windows = Data::nsMutaryOfWindows();
    for (const QPointer<WindowPDFxSuper> &w : windows)
        if (w)
            w->refreshFlags();
}

// ---- Snapshots ----------------------------------------------------------------------

namespace {

// Reads snapshot n of one kind; see Controller::loadLogPlayed.
template <typename SetItem, typename Recall>
qint64 loadSnapshot(const marksnapshot::Keys &keys, qint64 n, bool verifOnly, bool produireListe, SetItem setItem,
                    Recall recall)
{
    platform::UserDefaults &d = platform::UserDefaults::standard();
    const qint64 last = d.integerForKey(keys.last);
    const QDateTime date = d.dateForKey(keys.date.arg(n));
    if (!date.isValid()) {
        if (verifOnly)
            setItem(n, last, QString());
        return 0;
    }
    const QString dateText = snapshotDateText(date);
    if (verifOnly && !produireListe) {
        setItem(n, last, dateText);
        return 1;
    }
    const QString textKey = keys.text.arg(n);
    if (d.contains(textKey)) {
        if (!verifOnly)
            return recall(d.stringForKey(textKey));
        setItem(n, last, dateText);
        return 1;
    }
    if (verifOnly)
        setItem(n, last, dateText);
    return 0;
}

void setRecallItem(const QList<QPointer<QAction>> &items, qint64 n, qint64 last, const QString &str)
{
    const int place = marks::recallMenuPlace(n, last);
    if (place < 1 || place > items.size() || !items.at(place - 1))
        return;
    QAction *item = items.at(place - 1);
    if (str.isNull()) {
        item->setVisible(false);
        return;
    }
    item->setVisible(true);
    item->setData(n);
    item->setText(str);
}

} // namespace

qint64 Controller::loadLogPlayed(qint64 n, bool verifOnly, bool produireListe)
{
    return loadSnapshot(
        kPlayed, n, verifOnly, produireListe,
        [this](qint64 k, qint64 last, const QString &s) { majMenuLogPlayed(k, last, s); },
        [](const QString &text) { return qint64(Data::recallPlayedStates(text)); });
}

qint64 Controller::loadFlags(qint64 n, bool verifOnly, bool produireListe)
{
    return loadSnapshot(
        kFlags, n, verifOnly, produireListe,
        [this](qint64 k, qint64 last, const QString &s) { majMenuFlags(k, last, s); },
        [](const QString &text) {
            std::lock_guard lock(Data::listePiecesFlaggedMonitor());
            return qint64(Data::recallFlags(text));
        });
}

void Controller::majMenuLogPlayed(qint64 n, qint64 logLast, const QString &str)
{
    marksMenu();
    setRecallItem(menuItemRecall_, n, logLast, str);
}

void Controller::majMenuFlags(qint64 n, qint64 flagsLast, const QString &str)
{
    marksMenu();
    setRecallItem(menuItemRecallFlags_, n, flagsLast, str);
}

namespace {

// Refreshes every item of a recall menu (load(n) checks snapshot n and sets
// its item); the menu is enabled when any snapshot is there.
template <typename Load>
void verifySnapshots(QMenu *menu, Load load)
{
    menu->setEnabled(false);
    bool any = false;
    for (qint64 n = 1; n <= marksnapshot::kCount; ++n)
        any = load(n) > 0 || any;
    menu->setEnabled(any);
}

} // namespace

void Controller::verifierLogPlayed()
{
    verifySnapshots(recallMenu(), [this](qint64 n) { return loadLogPlayed(n, true, false); });
}

void Controller::verifierFlags()
{
    verifySnapshots(recallFlagsMenu(), [this](qint64 n) { return loadFlags(n, true, false); });
}

void Controller::actionMenuItemRecall(qint64 n)
{
    const qint64 count = loadLogPlayed(n, false, false);
    if (count < 1) {
        Data::msg(QStringLiteral("No entry marked as Played."));
        return;
    }
    refreshNoteX30();
    if (tocON_)
        afficherToc(true);
    Data::msg(QStringLiteral("%1 entry(ies) marked as Played.").arg(count));
}

void Controller::actionMenuItemRecallFlags(qint64 n)
{
    const qint64 count = loadFlags(n, false, false);
    if (count < 1) {
        Data::msg(QStringLiteral("No entry Flagged."));
        return;
    }
    refreshFlagsX();
    refreshNoteX30();
    if (tocON_)
        afficherToc(true);
    Data::msg(QStringLiteral("%1 entry(ies) Flagged.").arg(count));
}

// ---- Menu -------------------------------------------------------------------------------

QMenu *Controller::marksMenu()
{
    if (marksMenu_)
        return marksMenu_;
    marksMenu_ = MainMenu::instance().addMenu(QStringLiteral("Marks"), this);
    QMenu *menu = marksMenu_;
    connect(menu->addAction(QStringLiteral("Played / Not Played")), &QAction::triggered, this,
            [this]() { actionMenuAlreadyPlayed(); });
    connect(menu->addAction(QStringLiteral("Clear All Played States")), &QAction::triggered, this,
            [this]() { actionMenuItemClearAllPlayedStates(); });
    menuItemRecallx_ = menu->addMenu(QStringLiteral("Recall Played States"));
    menu->addSeparator();
    const QString flagTitles[] = {QStringLiteral("Flag"), QStringLiteral("Unflag"), QStringLiteral("Clear All Flags"),
                                  QStringLiteral("Flag / Unflag All Songs in View")};
    for (qint64 tag = 0; tag < 4; ++tag)
        connect(menu->addAction(flagTitles[tag]), &QAction::triggered, this, [this, tag]() { actionMenuFlagged(tag); });
    menuItemRecallFlagsx_ = menu->addMenu(QStringLiteral("Recall Flags"));
    for (qint64 place = 0; place < marksnapshot::kCount; ++place) {
        QAction *played = menuItemRecallx_->addAction(QString());
        played->setVisible(false);
        connect(played, &QAction::triggered, this,
                [this, played]() { actionMenuItemRecall(played->data().toLongLong()); });
        menuItemRecall_.append(played);
        QAction *flags = menuItemRecallFlagsx_->addAction(QString());
        flags->setVisible(false);
        connect(flags, &QAction::triggered, this,
                [this, flags]() { actionMenuItemRecallFlags(flags->data().toLongLong()); });
        menuItemRecallFlags_.append(flags);
    }
    return marksMenu_;
}
