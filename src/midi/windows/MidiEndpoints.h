#pragma once

#include "midi/MidiRecords.h"
#include "platform/MidiSystem.h"

#include <QList>
#include <QStringList>
#include <QString>
#include <memory>

class QComboBox;

// A destination endpoint present now, as the MIDI settings windows list it.
struct MidiDestAvail {
    platform::MidiObjectRef deviceRef = 0;
    platform::MidiObjectRef entityRef = 0;
    platform::MidiEndpointRef sourceRef = 0; // all bits set: the entity has no source
    platform::MidiEndpointRef destRef = 0;
    qint32 deviceUID = 0;
    qint32 entityUID = 0;
    qint32 sourceUID = 0;
    qint32 destUID = 0;
    bool isOffline = true;
};
using MidiDestAvailPtr = std::shared_ptr<MidiDestAvail>;

// The endpoints the MIDI settings windows offer in their combo boxes, and
// the texts those combos show for them.
namespace midiendpoints {

// The names an endpoint's text is made of.
struct Names {
    bool hasEntity = false;
    QString device;
    QString entity;
    QString endpoint;
    bool offline = false;
};

// "✅ Device - Port (online)", "⚠️ Device", "✅ (Virtual) Name (online)";
// withStatus false leaves out the mark and " (online)".
QString endpointText(const Names &names, bool withStatus = true);
// The item that stands for a stored device that is not present now.
QString missingItem(const QString &storedDescr);
// What a row stores of a chosen item: its text less the two-character mark.
QString descrOfItem(const QString &itemText);

// Fills the endpoint combo of a row: the two fixed items, one item per
// endpoint text, and, for a stored endpoint that is not present (mode 2
// without a match), the "❗️" item. Selects mode 0 or 1's fixed item, the
// matching endpoint, or the "❗️" item.
void fillEndpointCombo(QComboBox *combo, const QStringList &fixed, const QStringList &texts, qint64 mode,
                       int matching, const QString &storedDescr);

Names namesOfDest(const MidiDestAvail &dest);
Names namesOfSource(const MidiSourceAvail &source);

// Destinations of devices' entities in the system's order, then those without
// an entity (other programs' virtual destinations); exceptOwn leaves out this
// program's own "Quillory IN".
void chargerDestAvail(QList<MidiDestAvailPtr> &list, bool exceptOwn);
// The system log lines of a list.
void listerDestAvail(const QList<MidiDestAvailPtr> &list);

// A dragged row dropped at a row of the list: removed at `from` and put just
// above the row it was dropped on (at the end past the last row). False, and
// the list unchanged, for a position outside the list.
template <typename T>
bool moveRow(QList<T> &list, qsizetype from, qsizetype dropRow)
{
    if (from < 0 || from >= list.size() || dropRow < 0 || dropRow > list.size())
        return false;
    T item = list.takeAt(from);
    list.insert(from < dropRow ? dropRow - 1 : dropRow, item);
    return true;
}

} // namespace midiendpoints
