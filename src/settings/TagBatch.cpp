#include "settings/TagBatch.h"

#include "library/Data.h"
#include "library/NoteWriter.h"
#include "windows/PopupJauge.h"

#include <QLabel>
#include <QPointer>
#include <QProgressBar>

namespace {

const QString kRunName = QStringLiteral("tag edits under way");

class TagRun : public QObject {
public:
    TagRun(QWidget *parent, NoteWriter *writer, const PiecesList &songs,
           std::function<tagrules::Edits(const PiecesPtr &)> plan, std::function<bool(int, int)> progress,
           std::function<void(const tagrules::BatchResult &)> finished)
        : QObject(parent), writer_(writer), songs_(songs), plan_(std::move(plan)), progress_(std::move(progress)),
          finished_(std::move(finished))
    {
        setObjectName(kRunName);
    }
    ~TagRun() override { delete popup_.data(); }

    void showPopup(QWidget *parent, const QString &what)
    {
        popup_ = new PopupJauge(parent);
        popup_->windowDidLoad();
        popup_->showPopupJauge(-1, false);
        popup_->level1()->setRange(0, int(qMax<qsizetype>(1, songs_.size())));
        progress_ = [this, what](int done, int total) {
            if (!popup_)
                return false;
            popup_->level1()->setValue(done);
            popup_->txt1()->setText(
                QStringLiteral("%1 (%2 of %3)").arg(what, QString::number(done + 1), QString::number(total)));
            return !popup_->cancelPressed();
        };
    }

    // Queues the next song that has edits, or ends the run.
    void next()
    {
        const int total = int(songs_.size());
        while (at_ < total) {
            if (progress_ && !progress_(at_, total)) {
                result_.cancelled = true;
                break;
            }
            const PiecesPtr song = songs_.at(at_++);
            if (!song || !song->pieceDet || !writer_)
                continue;
            const tagrules::Edits edits = plan_(song);
            if (edits.isEmpty())
                continue;
            writer_->edit(song, tagrules::change(edits), this, [this](const Pieces::NoteEditResult &r) {
                if (!r.failure.isEmpty())
                    result_.failures << r.failure;
                else if (r.written)
                    ++result_.written;
                next();
            });
            return;
        }
        setObjectName(QString()); // another run may start now
        if (popup_)
            popup_->closePopupJauge();
        if (!result_.failures.isEmpty())
            Data::msg(tagrules::failureMessage(result_.failures));
        finished_(result_);
        deleteLater();
    }

private:
    QPointer<NoteWriter> writer_;
    PiecesList songs_;
    std::function<tagrules::Edits(const PiecesPtr &)> plan_;
    std::function<bool(int, int)> progress_;
    std::function<void(const tagrules::BatchResult &)> finished_;
    QPointer<PopupJauge> popup_;
    int at_ = 0;
    tagrules::BatchResult result_;
};

} // namespace

void runTagEdits(QWidget *parent, NoteWriter *writer, const QString &what, const PiecesList &songs,
                 std::function<tagrules::Edits(const PiecesPtr &)> plan, std::function<bool(int, int)> progress,
                 std::function<void(const tagrules::BatchResult &)> finished)
{
    if (parent->findChild<QObject *>(kRunName, Qt::FindDirectChildrenOnly))
        return;
    const bool popup = !progress;
    auto *run = new TagRun(parent, writer, songs, std::move(plan), std::move(progress), std::move(finished));
    if (popup)
        run->showPopup(parent, what);
    run->next();
}
