#include "settings/TagBatch.h"

#include "library/Data.h"
#include "windows/PopupJauge.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>

tagrules::BatchResult runTagEdits(QWidget *parent, const QString &what, const PiecesList &songs,
                                  const std::function<tagrules::Edits(const PiecesPtr &)> &plan,
                                  const std::function<bool(int, int)> &progress)
{
    tagrules::BatchResult r;
    if (progress) {
        r = tagrules::editSongs(songs, plan, progress);
    } else {
        PopupJauge popup(parent);
        popup.windowDidLoad();
        popup.showPopupJauge(-1, false);
        popup.level1()->setRange(0, int(qMax<qsizetype>(1, songs.size())));
        r = tagrules::editSongs(songs, plan, [&](int done, int total) {
            popup.level1()->setValue(done);
            popup.txt1()->setText(QStringLiteral("%1 (%2 of %3)").arg(what, QString::number(done + 1),
                                                                     QString::number(total)));
            // Lets Cancel through between songs.
            QApplication::processEvents();
            return !popup.cancelPressed();
        });
        popup.closePopupJauge();
    }
    if (!r.failures.isEmpty())
        Data::msg(tagrules::failureMessage(r.failures));
    return r;
}
