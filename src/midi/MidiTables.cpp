#include "midi/Midi.h"

#include "platform/UserDefaults.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <mutex>
#include <optional>

namespace {

// Rows 1-6 by trigger type (row 0 unused), slot 0 any channel, 1-16 the channels.
std::array<std::array<std::atomic<bool>, 17>, 7> g_filtreChannel{};
std::array<std::atomic<bool>, 128> g_filtreNoteOff{};

template <typename List>
bool inRange(const List &list, qint64 row)
{
    return row >= 0 && row < list.size();
}

// How many rows the stored count bounds the table to. A whole number from 0,
// as our save writes it (last, leaving the keys of deleted rows behind), must
// hold; a missing or damaged count (-5, "lots", another type) bounds nothing,
// and the first missing row ends the table.
qint64 storedCount(const platform::UserDefaults::Snapshot &stored, const char *countKey)
{
    const QVariant v = stored.objectForKey(QLatin1String(countKey));
    bool ok = false;
    const qint64 n = v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::QString ? v.toLongLong(&ok) : -1;
    return ok && n >= 0 ? n : std::numeric_limits<qint64>::max();
}

// The stored rows, up to the count or the first missing row: a damaged
// count then gives the rows that exist, and the save writes back only those.
template <typename Row>
QList<std::shared_ptr<Row>> readRows(const platform::UserDefaults::Snapshot &stored, const char *countKey)
{
    // Each row takes at least one key: a count beyond them is damage.
    const qint64 n = std::min<qint64>(storedCount(stored, countKey), stored.size());
    QList<std::shared_ptr<Row>> list;
    for (qint64 i = 0; i < n; ++i) {
        auto row = std::make_shared<Row>(i);
        if (!row->load(stored))
            break;
        list.append(row);
    }
    return list;
}

// A table read on the settings store's thread from the values of a late
// read, for the main thread to take as they are if nothing was written since.
template <typename Row>
struct PreparedRows {
    std::mutex mutex;
    quint64 readId = 0;
    QList<std::shared_ptr<Row>> rows;
};

template <typename Row>
PreparedRows<Row> &prepared()
{
    static PreparedRows<Row> rows;
    return rows;
}

template <typename Row>
void prepareRows(const platform::UserDefaults::Snapshot &values, quint64 readId, const char *countKey)
{
    QList<std::shared_ptr<Row>> rows = readRows<Row>(values, countKey);
    PreparedRows<Row> &p = prepared<Row>();
    std::lock_guard lock(p.mutex);
    p.readId = readId;
    p.rows = std::move(rows);
}

// The rows prepared, unless a key of the table (its record's name and "_")
// was written since they were read.
template <typename Row>
std::optional<QList<std::shared_ptr<Row>>> takePrepared(const char *countKey)
{
    PreparedRows<Row> &p = prepared<Row>();
    std::lock_guard lock(p.mutex);
    const QString table = QString::fromLatin1(countKey, qsizetype(std::strchr(countKey, '_') - countKey + 1));
    const bool holds = platform::UserDefaults::standard().preparedStillHolds(std::exchange(p.readId, 0), table);
    QList<std::shared_ptr<Row>> rows = std::exchange(p.rows, {});
    return holds ? std::optional(std::move(rows)) : std::nullopt;
}

// Replaces the list with the stored rows, all read from one snapshot: a
// table of thousands of rows takes no lock per key. After a late read of the
// store they were read before, off the main thread. False when no row was
// read (the caller then makes the first-run rows).
template <typename Row>
bool loadRows(QList<std::shared_ptr<Row>> &list, const char *countKey)
{
    auto &defaults = platform::UserDefaults::standard();
    // The first load, at start-up, has the tables read ahead of a late read.
    static const bool preparing = [&defaults]() {
        defaults.prepareForLateRead([](const platform::UserDefaults::Snapshot &values, quint64 readId) {
            prepareRows<MidiDest>(values, readId, "MidiDest_nbDest");
            prepareRows<MidiTrig>(values, readId, "MidiTrig_nbTrig");
            prepareRows<MidiFavEvent>(values, readId, "MidiFavEvent_nbFav");
        });
        return true;
    }();
    Q_UNUSED(preparing);
    std::optional<QList<std::shared_ptr<Row>>> rows = takePrepared<Row>(countKey);
    list = rows ? std::move(*rows) : readRows<Row>(defaults.snapshot(), countKey);
    return !list.isEmpty();
}

// Rewrites the table; the count goes last so that a table cut short by a
// crash reads as the rows written before it.
template <typename Row>
qint64 saveRows(const QList<std::shared_ptr<Row>> &list, const char *countKey)
{
    auto &defaults = platform::UserDefaults::standard();
    const platform::UserDefaults::Batch batch(defaults);
    // Before a late read, the rows are the first-run ones: never over stored ones.
    const platform::UserDefaults::Provisional fallback(defaults);
    qint64 i = 0;
    for (const std::shared_ptr<Row> &row : list) {
        if (!row)
            continue;
        row->index = i++;
        row->save();
    }
    defaults.setInteger(QLatin1String(countKey), i);
    return i;
}

} // namespace

// ---- Loading ---------------------------------------------------------------------------

void Midi::chargerDestinations()
{
    auto &list = MIDIdestinations();
    if (!loadRows(list, "MidiDest_nbDest"))
        list.append(firstRunDestinations());
    setNbDest(list.size());
}

void Midi::chargerTriggers()
{
    auto &list = MIDItriggers();
    if (!loadRows(list, "MidiTrig_nbTrig")) {
        for (qint64 i = 0; i < 2; ++i) {
            auto row = std::make_shared<MidiTrig>(i);
            row->sourceMode = 0;
            row->channel = 1;
            row->sourceType = 1;
            list.append(row);
        }
    }
    setNbTrig(list.size());
    refreshTrigFiltreChannel(0);
    refreshTrigFiltreNoteOff();
}

void Midi::chargerFav()
{
    auto &list = MIDIfav();
    if (!loadRows(list, "MidiFavEvent_nbFav")) {
        auto row = std::make_shared<MidiFavEvent>(0);
        row->favEventID = QStringLiteral("DEFAULT");
        row->favEventDescr = QStringLiteral("Default events for every song");
        list.append(row);
    }
    setNbFav(list.size());
}

// ---- New and removed rows ----------------------------------------------------------------

void Midi::creerDestinations()
{
    auto &list = MIDIdestinations();
    auto row = std::make_shared<MidiDest>(list.size());
    row->idDest = QStringLiteral("Dest%1").arg(row->index);
    row->sendType = 0;
    row->channel = 0;
    list.append(row);
}

void Midi::creerTriggers()
{
    auto &list = MIDItriggers();
    auto row = std::make_shared<MidiTrig>(list.size());
    row->sourceMode = 0;
    row->channel = 0;
    row->sourceType = 1;
    row->sourceVal1 = row->sourceVal2 = row->sourceVal3 = -1;
    row->actionType = 0;
    row->actionTxt.clear();
    list.append(row);
    refreshTrigFiltreChannel(1);
}

void Midi::creerTriggersUsingTriggerSource(qint64 source)
{
    auto &list = MIDItriggers();
    if (!inRange(list, source) || !list[source])
        return;
    auto row = std::make_shared<MidiTrig>(*list[source]);
    row->index = list.size();
    list.append(row);
    refreshTrigFiltreChannel(1);
}

void Midi::creerFav()
{
    auto &list = MIDIfav();
    auto row = std::make_shared<MidiFavEvent>(list.size());
    // "Fav<row>" may already name a group after a deletion or a rename, and
    // instructions and notes reach a group by its identifier alone.
    qint64 n = row->index;
    auto taken = [&list](const QString &id) {
        return std::any_of(list.cbegin(), list.cend(), [&id](const MidiFavEventPtr &g) {
            return g && g->favEventID.compare(id, Qt::CaseInsensitive) == 0;
        });
    };
    while (taken(QStringLiteral("Fav%1").arg(n)))
        ++n;
    row->favEventID = QStringLiteral("Fav%1").arg(n);
    list.append(row);
}

void Midi::supprimerDestinationsForIndex(qint64 row)
{
    auto &list = MIDIdestinations();
    if (inRange(list, row))
        list.removeAt(row);
}

void Midi::supprimerTriggersForIndex(qint64 row)
{
    auto &list = MIDItriggers();
    if (!inRange(list, row))
        return;
    const qint64 type = list[row] ? list[row]->sourceType : 0;
    list.removeAt(row);
    refreshTrigFiltreChannel(type);
    if (type == 5 || type == 6)
        refreshTrigFiltreNoteOff();
}

void Midi::supprimerFavForIndex(qint64 row)
{
    auto &list = MIDIfav();
    if (inRange(list, row))
        list.removeAt(row);
}

// ---- Saving ----------------------------------------------------------------------------------

void Midi::sauvegarderDestinations()
{
    MIDIdestinations().removeAll(nullptr);
    setNbDest(saveRows(MIDIdestinations(), "MidiDest_nbDest"));
}

void Midi::sauvegarderTriggers()
{
    MIDItriggers().removeAll(nullptr);
    setNbTrig(saveRows(MIDItriggers(), "MidiTrig_nbTrig"));
    refreshTrigFiltreChannel(0);
    refreshTrigFiltreNoteOff();
}

void Midi::sauvegarderFav()
{
    MIDIfav().removeAll(nullptr);
    setNbFav(saveRows(MIDIfav(), "MidiFavEvent_nbFav"));
}

// ---- Input filters ---------------------------------------------------------------------------

// The receive thread reads the filters while they are rebuilt: each flag is
// written once, with its new value, so a flag that stays set never reads as
// clear in between. Before, the rows were cleared first and a pedal pressed
// while the triggers were saved was dropped.
void Midi::refreshTrigFiltreChannel(qint64 type)
{
    std::array<std::array<bool, 17>, 7> wanted{};
    for (const MidiTrigPtr &trig : std::as_const(MIDItriggers())) {
        if (!trig || trig->channel < 0 || trig->channel > 16 || trig->sourceType < 1 || trig->sourceType > 6)
            continue;
        const auto slot = std::size_t(trig->channel);
        wanted[std::size_t(trig->sourceType)][slot] = true;
        // A held note is seen through its note on and its note off.
        if (trig->sourceType == 6) {
            wanted[3][slot] = true;
            wanted[5][slot] = true;
        }
    }
    for (std::size_t t = 0; t < wanted.size(); ++t) {
        const bool rebuilt = type == 0 || qint64(t) == type;
        for (std::size_t slot = 0; slot < wanted[t].size(); ++slot)
            if (rebuilt || wanted[t][slot])
                g_filtreChannel[t][slot].store(wanted[t][slot]);
    }
}

void Midi::refreshTrigFiltreNoteOff()
{
    std::array<bool, 128> wanted{};
    for (const MidiTrigPtr &trig : std::as_const(MIDItriggers()))
        if (trig && (trig->sourceType == 5 || trig->sourceType == 6) && trig->sourceVal1 >= 0 && trig->sourceVal1 <= 127)
            wanted[std::size_t(trig->sourceVal1)] = true;
    for (std::size_t note = 0; note < wanted.size(); ++note)
        g_filtreNoteOff[note].store(wanted[note]);
}

bool Midi::trigFiltreChannel(qint64 type, qint64 slot)
{
    if (type < 1 || type > 6 || slot < 0 || slot > 16)
        return false;
    return g_filtreChannel[std::size_t(type)][std::size_t(slot)].load();
}

bool Midi::trigFiltreNoteOff(qint64 note)
{
    return note >= 0 && note <= 127 && g_filtreNoteOff[std::size_t(note)].load();
}
