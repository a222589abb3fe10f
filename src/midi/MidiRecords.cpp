#include "midi/MidiRecords.h"

#include "library/Data.h"
#include "platform/UserDefaults.h"

namespace {

platform::UserDefaults &defaults() { return platform::UserDefaults::standard(); }

QString key(const char *record, const char *field, qint64 row)
{
    return QStringLiteral("%1_%2_%3").arg(QLatin1String(record), QLatin1String(field)).arg(row);
}

// Reads the keys of one row and notes whether any of them is stored: a row
// with none is missing, and a table ends there whatever its count says.
class RowReader {
public:
    RowReader(const platform::UserDefaults::Snapshot &stored, const char *record, qint64 row)
        : stored_(stored), row_(QString::number(row))
    {
        key_.reserve(48);
        key_ += QLatin1String(record);
        key_ += QLatin1Char('_');
        prefix_ = key_.size();
    }

    // Absent: 0.
    qint64 integer(const char *field)
    {
        bool stored = false;
        const qint64 value = stored_.integerForKey(key(field), &stored);
        found_ = found_ || stored;
        return value;
    }
    // A text field keeps its value when no text is stored under its key.
    void text(const char *field, QString &value)
    {
        const QVariant stored = stored_.objectForKey(key(field));
        found_ = found_ || stored.isValid();
        if (stored.typeId() == QMetaType::QString)
            value = stored.toString();
    }
    bool found() const { return found_; }

private:
    // The key spelt as key() spells it, built in place: thousands of rows are read at once.
    const QString &key(const char *field)
    {
        key_.truncate(prefix_);
        key_ += QLatin1String(field);
        key_ += QLatin1Char('_');
        key_ += row_;
        return key_;
    }

    const platform::UserDefaults::Snapshot &stored_;
    QString row_;
    QString key_;
    qsizetype prefix_ = 0;
    bool found_ = false;
};

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

bool MidiDest::load(const platform::UserDefaults::Snapshot &stored)
{
    RowReader r(stored, "MidiDest", index);
    r.text("idDest", idDest);
    sendType = r.integer("sendType");
    channel = r.integer("channel");
    r.text("destDescr", destDescr);
    deviceUID = r.integer("deviceUID");
    entityUID = r.integer("entityUID");
    sourceUID = r.integer("sourceUID");
    destUID = r.integer("destUID");
    return r.found();
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

bool MidiFavEvent::load(const platform::UserDefaults::Snapshot &stored)
{
    RowReader r(stored, "MidiFavEvent", index);
    r.text("favEventID", favEventID);
    r.text("favEventDescr", favEventDescr);
    r.text("favEventTx", favEventTx);
    favRestriction = r.integer("favRestriction");
    return r.found();
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

bool MidiTrig::load(const platform::UserDefaults::Snapshot &stored)
{
    RowReader r(stored, "MidiTrig", index);
    sourceMode = r.integer("sourceMode");
    deviceUID = r.integer("deviceUID");
    entityUID = r.integer("entityUID");
    sourceUID = r.integer("sourceUID");
    r.text("sourceDescr", sourceDescr);
    channel = r.integer("channel");
    sourceType = r.integer("sourceType");
    sourceVal1 = r.integer("sourceVal1");
    sourceVal2 = r.integer("sourceVal2");
    sourceVal3 = r.integer("sourceVal3");
    actionType = r.integer("actionType");
    r.text("actionTxt", actionTxt);
    behavior = r.integer("behavior");
    traite = false;
    vex = -1;
    return r.found();
}
