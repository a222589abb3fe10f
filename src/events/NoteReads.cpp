#include "events/NoteReads.h"

#include "library/Data.h"
#include "platform/Clock.h"

namespace {

eventscript::WinIdTest idTest(const QStringList &winIDs)
{
    return [winIDs](const QString &id) { return winIDs.contains(id, Qt::CaseInsensitive); };
}

// A shorter note parses within a millisecond or two where it is needed, sooner than the pool answers.
constexpr qsizetype kReadAtOnceBelow = 16 * 1024;

std::function<void()> &beforeRead()
{
    static std::function<void()> hook;
    return hook;
}

} // namespace

namespace notereads {

SongEvArray events(const QString &note, const QStringList &winIDs)
{
    SongEvArray array;
    eventscript::loadFromString(note, false, array, idTest(winIDs));
    return array;
}

noteform::Fields form(const QString &note, const QStringList &winIDs)
{
    return noteform::read(note, 0, 0, idTest(winIDs));
}

const std::shared_ptr<SongEvArray> &keptEvents(PiecesDet &note)
{
    PiecesDet::NoteReading &kept = Data::noteReading(note);
    if (!kept.events)
        kept.events = std::make_shared<SongEvArray>(events(kept.text, kept.winIDs));
    return kept.events;
}

const noteform::Fields &keptForm(PiecesDet &note)
{
    PiecesDet::NoteReading &kept = Data::noteReading(note);
    if (!kept.form)
        kept.form = std::make_shared<const noteform::Fields>(form(kept.text, kept.winIDs));
    return *kept.form;
}

} // namespace notereads

NoteReads::NoteReads(std::function<void()> answered) : state_(std::make_shared<State>())
{
    state_->answered = std::move(answered);
}

NoteReads::~NoteReads() = default;

void NoteReads::setBeforeRead(std::function<void()> hook) { beforeRead() = std::move(hook); }

bool NoteReads::readAhead(const PiecesDetPtr &note)
{
    if (!note)
        return false;
    const PiecesDet::NoteReading &kept = Data::noteReading(*note);
    if (kept.events && kept.form)
        return true;
    if (kept.text.size() < kReadAtOnceBelow)
        return true;
    for (const Running &r : std::as_const(state_->running))
        if (r.note.lock() == note && r.text == kept.text && r.winIDs == kept.winIDs)
            return kept.events != nullptr;
    const quint64 serial = ++state_->serial;
    state_->running.append(Running{serial, note, kept.text, kept.winIDs});
    platform::runGlobal([state = std::weak_ptr<State>(state_), serial, text = kept.text, winIDs = kept.winIDs,
                         before = beforeRead()]() {
        if (before)
            before();
        auto read = std::make_shared<PiecesDet::NoteReading>();
        read->text = text;
        read->winIDs = winIDs;
        read->events = std::make_shared<SongEvArray>(notereads::events(text, winIDs));
        read->form = std::make_shared<const noteform::Fields>(notereads::form(text, winIDs));
        platform::runOnMain([state, serial, read]() {
            const std::shared_ptr<State> s = state.lock();
            if (!s)
                return;
            std::weak_ptr<PiecesDet> asked;
            s->running.removeIf([&](const Running &r) {
                if (r.serial != serial)
                    return false;
                asked = r.note;
                return true;
            });
            // A note edited since, or a record a folder change dropped, takes nothing.
            if (const PiecesDetPtr note = asked.lock()) {
                PiecesDet::NoteReading &kept = Data::noteReading(*note);
                if (kept.text == read->text && kept.winIDs == read->winIDs) {
                    if (!kept.events)
                        kept.events = std::move(read->events);
                    if (!kept.form)
                        kept.form = read->form;
                }
            }
            if (s->answered)
                s->answered();
        });
    });
    return kept.events != nullptr;
}
