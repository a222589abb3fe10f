#include "midi/Midi.h"
#include "midi/MidiTrig.h"

#include "platform/Clock.h"
#include "platform/Log.h"

#include <deque>

using platform::MidiEndpointRef;

namespace {

// Candidates arrive on the receive thread and on the main thread (the hold
// pass); the lock covers appending and taking only, never an action.
struct TrigQueue {
    std::mutex mutex;
    std::deque<MidiTrigInPtr> items;
};

// Never destroyed: the receive thread may still deliver while the program exits.
TrigQueue &queue()
{
    static TrigQueue *q = new TrigQueue;
    return *q;
}

// Main thread only.
QList<MidiTrigInHoldPtr> &holdList()
{
    static QList<MidiTrigInHoldPtr> list;
    return list;
}

bool sameNote(const MidiTrigInHold &e, MidiEndpointRef sourceRef, qint64 channel, qint64 sourceType, qint64 sourceVal1)
{
    return e.sourceRef == sourceRef && e.channel == channel && e.sourceType == sourceType && e.sourceVal1 == sourceVal1;
}

} // namespace

// Emptied at set-up so that a restarted engine starts with no stale candidate.
void miditrig::resetQueues()
{
    {
        std::lock_guard lock(queue().mutex);
        queue().items.clear();
    }
    holdList().clear();
}

// ---- Candidate queue --------------------------------------------------------------------

void Midi::keepMidiTrigInForSourceRef(MidiEndpointRef sourceRef, qint64 channel, qint64 sourceType, qint64 sourceVal1,
                                      qint64 sourceVal2, qint64 sourceVal3)
{
    // The trigger list itself belongs to the main thread: an empty list is
    // seen by the input filters here (no row set) and by the taking below.
    if (!midiOk())
        return;
    auto candidate = std::make_shared<MidiTrigIn>(sourceRef, channel, sourceType, sourceVal1, sourceVal2, sourceVal3);
    {
        std::lock_guard lock(queue().mutex);
        queue().items.push_back(std::move(candidate));
    }
    platform::runOnMain([] { Midi::processMidiTrigIn(); });
}

void Midi::processMidiTrigIn()
{
    platform::runOnMain([] { Midi::processOneMidiTrigIn(); });
}

void Midi::processOneMidiTrigIn()
{
    if (trigInEnTraitement())
        return;
    setTrigInEnTraitement(true);
    MidiTrigInPtr candidate;
    {
        std::lock_guard lock(queue().mutex);
        if (queue().items.empty()) {
            setTrigInEnTraitement(false);
            return;
        }
        candidate = queue().items.front();
        queue().items.pop_front();
    }
    // Before, the actions ran under the queue's lock and the receive thread
    // waited for every one of them (a modal message could hold it for minutes).
    if (!MIDItriggers().isEmpty())
        candidate->process();
    setTrigInEnTraitement(false);
    if (nbMidiTrigIn() > 0)
        processMidiTrigIn();
}

qsizetype Midi::nbMidiTrigIn()
{
    std::lock_guard lock(queue().mutex);
    return qsizetype(queue().items.size());
}

void Midi::listMidiTrigIn()
{
    std::lock_guard lock(queue().mutex);
    TLOG(QStringLiteral("= = = = = MIDItriggersIn = = = = = "));
    for (const MidiTrigInPtr &c : queue().items)
        TLOG(QStringLiteral("Ref:%1 Channel:%2 Type:%3 V1:%4 V2:%5 V3:%6")
                 .arg(QString::number(c->sourceRef), QString::number(c->channel), QString::number(c->sourceType),
                      QString::number(c->sourceVal1), QString::number(c->sourceVal2), QString::number(c->sourceVal3)));
    TLOG(QStringLiteral("= = = = = = = = = = = =  = = = = = "));
}

// ---- Note hold ------------------------------------------------------------------------------

void Midi::keepMidiTrigInHoldForSourceRef(MidiEndpointRef sourceRef, qint64 channel, qint64 sourceType,
                                          qint64 sourceVal1, qint64 sourceVal2, qint64 sourceVal3)
{
    if (!midiOk() || MIDItriggers().isEmpty())
        return;
    auto entry = std::make_shared<MidiTrigInHold>();
    entry->sourceRef = sourceRef;
    entry->channel = channel;
    entry->sourceType = sourceType;
    entry->sourceVal1 = sourceVal1;
    entry->sourceVal2 = sourceVal2;
    entry->sourceVal3 = sourceVal3;
    entry->creationTime = platform::now();
    holdList().append(entry);
    processMidiTrigInHold();
}

void Midi::forceMidiTrigInHoldForSourceRef(MidiEndpointRef sourceRef, qint64 channel, qint64 sourceType,
                                           qint64 sourceVal1, qint64 /*sourceVal2*/, qint64 /*sourceVal3*/)
{
    bool marked = false;
    for (const MidiTrigInHoldPtr &e : std::as_const(holdList())) {
        if (sameNote(*e, sourceRef, channel, sourceType, sourceVal1)) {
            e->force = true;
            marked = true;
        }
    }
    if (marked)
        platform::performAfter(0.01, nullptr, [] { Midi::processOneMidiTrigInHold(); });
}

void Midi::processMidiTrigInHold()
{
    platform::performAfter(0.1, nullptr, [] { Midi::processOneMidiTrigInHold(); });
}

void Midi::processOneMidiTrigInHold()
{
    if (trigInHoldEnTraitement())
        return;
    setTrigInHoldEnTraitement(true);
    auto &list = holdList();
    const double now = platform::now();
    QList<MidiTrigInHoldPtr> due;
    for (qsizetype i = 0; i < list.size();) {
        const MidiTrigInHoldPtr e = list[i];
        if (e->annule) {
            list.removeAt(i);
        } else if (e->force || now - e->creationTime >= miditrig::kHoldTime - 1e-9) {
            due.append(e);
            list.removeAt(i);
        } else {
            ++i;
        }
    }
    // Each watched note gives exactly one candidate: held (6) or short press (7).
    for (const MidiTrigInHoldPtr &e : std::as_const(due))
        keepMidiTrigInForSourceRef(e->sourceRef, e->channel, e->force ? 7 : 6, e->sourceVal1, e->sourceVal2,
                                   e->sourceVal3);
    setTrigInHoldEnTraitement(false);
    if (!list.isEmpty())
        platform::performAfter(0.5, nullptr, [] { Midi::processOneMidiTrigInHold(); });
}

qsizetype Midi::nbMidiTrigInHold() { return holdList().size(); }

bool Midi::isExistsMidiTrigInHoldForSourceRef(MidiEndpointRef sourceRef, qint64 channel, qint64 sourceType,
                                              qint64 sourceVal1, qint64 /*sourceVal2*/, qint64 /*sourceVal3*/)
{
    for (const MidiTrigInHoldPtr &e : std::as_const(holdList()))
        if (sameNote(*e, sourceRef, channel, sourceType, sourceVal1))
            return true;
    return false;
}

bool Midi::isExistsMidiTrigForSourceRef(MidiEndpointRef sourceRef, qint64 channel, qint64 sourceType,
                                        qint64 sourceVal1)
{
    const qint32 uid = MIDIgetUniqueID(sourceRef);
    for (const MidiTrigPtr &t : std::as_const(MIDItriggers()))
        if (t && t->sourceType == sourceType && t->sourceVal1 == sourceVal1
            && miditrig::acceptsSource(*t, uid, channel))
            return true;
    return false;
}
