#include "controller/Controller.h"

#include "controller/MarkRules.h"
#include "library/Data.h"
#include "platform/MainMenu.h"

#include <QAction>
#include <QMenu>
#include <mutex>

void Controller::nextGenre()
{
    const qint64 current = Data::currentGenreG();
    const qint64 next = current >= 6 ? 1 : current + 1;
    doRefreshCue_ = true;
    setGenreX(next);
    userGenre_ = Data::currentGenreG();
}

void Controller::setGenreX(qint64 genre)
{
    genreMenu();
    for (const QPointer<QAction> &item : std::as_const(genreItems_))
        if (item)
            item->setChecked(false);
    // Leaving or entering the mute genre ends what plays.
    if (genre == 6 || Data::currentGenreG() == 6)
        stop_if_playing(true);
    Data::setCurrentGenreG(genre);
    setGenre();
    refreshCue();
}

void Controller::setGenre()
{
    if (Data::currentGenreG() == 0)
        Data::setCurrentGenreG(1);
    ajusterMenuGenre();
}

void Controller::ajusterMenuGenre()
{
    QMenu *menu = genreMenu();
    const qint64 genre = Data::currentGenreG();
    QString flagged;
    if (options_.contPlayFlagOn) {
        std::lock_guard lock(Data::listePiecesFlaggedMonitor());
        flagged = QStringLiteral(" 🔹%1").arg(Data::listePiecesFlagged().size());
    }
    const std::optional<QString> title = marks::genreMenuTitle(genre, obtenirIconeMenuGenre(), flagged);
    if (!title)
        return;
    const qint64 item = genre == 0 ? 1 : genre;
    if (QAction *action = genreItems_.value(item - 1))
        action->setChecked(true);
    menu->setTitle(*title);
}

QMenu *Controller::genreMenu()
{
    if (menuGenre_)
        return menuGenre_;
    menuGenre_ = MainMenu::instance().addMenu(QStringLiteral("Genre=Any"), this);
    const QString names[] = {QStringLiteral("Any"), QStringLiteral("Cover"), QStringLiteral("Backing Track"),
                             QStringLiteral("Practice"), QStringLiteral("Recording"), QStringLiteral("(MUTE)")};
    for (qint64 g = 1; g <= 6; ++g) {
        QAction *item = menuGenre_->addAction(names[g - 1]);
        item->setCheckable(true);
        connect(item, &QAction::triggered, this, [this, g]() {
            doRefreshCue_ = true;
            setGenreX(g);
            userGenre_ = Data::currentGenreG();
        });
        genreItems_.append(item);
    }
    menuGenre_->addSeparator();
    connect(menuGenre_->addAction(QStringLiteral("Next Genre")), &QAction::triggered, this, [this]() { nextGenre(); });
    return menuGenre_;
}
