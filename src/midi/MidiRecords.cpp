#include "midi/MidiRecords.h"

#include "library/Data.h"
#include "platform/UserDefaults.h"

namespace {

platform::UserDefaults &defaults() { return platform::UserDefaults::standard(); }

QString key(const char *record, const char *field, qint64 row)
{
    return QStringLiteral("%1_%2_%3").arg(QLatin1String(record), QLatin1String(field)).arg(row);
}

// A text field keeps its value when nothing is stored under its key.
void loadText(const QString &key, QString &field)
{
    if (defaults().objectForKey(key).typeId() == QMetaType::QString)
        field = defaults().stringForKey(key);
}

} // namespace

// ---- MidiDest -----------------------------------------------------------------

void MidiDest::save() const
{
    auto &d = defaults();
    d.setString(key("MidiDest", "idDest", index), idDest);
    d.setInteger(key("MidiDest", "sendType", index), sendType);
    d.setInteger(key("MidiDest", "channel", index), channel);
    d.setString(key("MidiDest", "destDescr", index), destDescr);
    d.setInteger(key("MidiDest", "deviceUID", index), deviceUID);
    d.setInteger(key("MidiDest", "entityUID", index), entityUID);
    d.setInteger(key("MidiDest", "sourceUID", index), sourceUID);
    d.setInteger(key("MidiDest", "destUID", index), destUID);
}

QList<MidiDestPtr> firstRunDestinations()
{
    QList<MidiDestPtr> rows;
    for (qint64 i = 0; i <= 16; ++i) {
        auto row = std::make_shared<MidiDest>(i);
        row->idDest = i == 0 ? QStringLiteral("All") : QStringLiteral("Ch%1").arg(i);
        row->sendType = 0;
        row->channel = i;
        rows.append(row);
    }
    return rows;
}

void MidiDest::load()
{
    auto &d = defaults();
    loadText(key("MidiDest", "idDest", index), idDest);
    sendType = d.integerForKey(key("MidiDest", "sendType", index));
    channel = d.integerForKey(key("MidiDest", "channel", index));
    loadText(key("MidiDest", "destDescr", index), destDescr);
    deviceUID = d.integerForKey(key("MidiDest", "deviceUID", index));
    entityUID = d.integerForKey(key("MidiDest", "entityUID", index));
    sourceUID = d.integerForKey(key("MidiDest", "sourceUID", index));
    destUID = d.integerForKey(key("MidiDest", "destUID", index));
}

// ---- MidiFavEvent -------------------------------------------------------------

void MidiFavEvent::save() const
{
    auto &d = defaults();
    d.setString(key("MidiFavEvent", "favEventID", index), favEventID);
    d.setString(key("MidiFavEvent", "favEventDescr", index), favEventDescr);
    d.setString(key("MidiFavEvent", "favEventTx", index), favEventTx);
    d.setInteger(key("MidiFavEvent", "favRestriction", index), favRestriction);
}

void MidiFavEvent::load()
{
    loadText(key("MidiFavEvent", "favEventID", index), favEventID);
    loadText(key("MidiFavEvent", "favEventDescr", index), favEventDescr);
    loadText(key("MidiFavEvent", "favEventTx", index), favEventTx);
    favRestriction = defaults().integerForKey(key("MidiFavEvent", "favRestriction", index));
}

bool MidiFavEvent::envoyerFav() const
{
    if (favEventTx.isEmpty())
        return false;
    return favRestriction == 0 || favRestriction == Data::currentScreensetG();
}

// ---- MidiTrig -----------------------------------------------------------------

void MidiTrig::save() const
{
    auto &d = defaults();
    d.setInteger(key("MidiTrig", "sourceMode", index), sourceMode);
    d.setInteger(key("MidiTrig", "deviceUID", index), deviceUID);
    d.setInteger(key("MidiTrig", "entityUID", index), entityUID);
    d.setInteger(key("MidiTrig", "sourceUID", index), sourceUID);
    d.setString(key("MidiTrig", "sourceDescr", index), sourceDescr);
    d.setInteger(key("MidiTrig", "channel", index), channel);
    d.setInteger(key("MidiTrig", "sourceType", index), sourceType);
    d.setInteger(key("MidiTrig", "sourceVal1", index), sourceVal1);
    d.setInteger(key("MidiTrig", "sourceVal2", index), sourceVal2);
    d.setInteger(key("MidiTrig", "sourceVal3", index), sourceVal3);
    d.setInteger(key("MidiTrig", "actionType", index), actionType);
    d.setString(key("MidiTrig", "actionTxt", index), actionTxt);
    d.setInteger(key("MidiTrig", "behavior", index), behavior);
}

void MidiTrig::load()
{
    auto &d = defaults();
    sourceMode = d.integerForKey(key("MidiTrig", "sourceMode", index));
    deviceUID = d.integerForKey(key("MidiTrig", "deviceUID", index));
    entityUID = d.integerForKey(key("MidiTrig", "entityUID", index));
    sourceUID = d.integerForKey(key("MidiTrig", "sourceUID", index));
    loadText(key("MidiTrig", "sourceDescr", index), sourceDescr);
    channel = d.integerForKey(key("MidiTrig", "channel", index));
    sourceType = d.integerForKey(key("MidiTrig", "sourceType", index));
    sourceVal1 = d.integerForKey(key("MidiTrig", "sourceVal1", index));
    sourceVal2 = d.integerForKey(key("MidiTrig", "sourceVal2", index));
    sourceVal3 = d.integerForKey(key("MidiTrig", "sourceVal3", index));
    actionType = d.integerForKey(key("MidiTrig", "actionType", index));
    loadText(key("MidiTrig", "actionTxt", index), actionTxt);
    behavior = d.integerForKey(key("MidiTrig", "behavior", index));
    traite = false;
    vex = -1;
}
