#include "library/Data.h"

#include "platform/UserDefaults.h"

#include <QFile>

namespace {

bool &librariesLoaded()
{
    static bool loaded = false;
    return loaded;
}

QString storageKey(qint64 instrument)
{
    return instrument == 1 ? QStringLiteral("CHORDS1UK") : QStringLiteral("CHORDS1");
}

void loadOne(qint64 instrument, bool forcerDefault)
{
    QString &target = instrument == 1 ? Data::allChordsStringUk() : Data::allChordsString();
    const platform::UserDefaults &defaults = platform::UserDefaults::standard();
    const QString key = storageKey(instrument);
    QString text;
    if (!forcerDefault && defaults.contains(key))
        text = defaults.stringForKey(key);
    else
        text = Data::obtenirDefaultChordStringforInstrument(instrument);
    // An unreadable default leaves an empty library, in which lookups fail.
    target = text.isNull() ? QString(QLatin1String("")) : text;
}

} // namespace

QString Data::obtenirDefaultChordStringforInstrument(qint64 instrument)
{
    QFile file(instrument == 1 ? QStringLiteral(":/chords/CHORDS1UK.txt") : QStringLiteral(":/chords/CHORDS1.txt"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

void Data::chargerAllChordsString(bool reload, qint64 instrument, bool forcerDefault)
{
    if (!reload) {
        if (librariesLoaded())
            return;
        loadOne(0, forcerDefault);
        loadOne(1, forcerDefault);
    } else if (instrument == 0 || instrument == 1) {
        loadOne(instrument, forcerDefault);
    }
    librariesLoaded() = true;
    // Loaded from a store not read yet: the stored libraries replace them once it is.
    platform::UserDefaults::standard().afterLateRead(QStringLiteral("chord libraries"), [] {
        loadOne(0, false);
        loadOne(1, false);
    });
}

void Data::saveChordLibraryForInstrument(qint64 instrument)
{
    platform::UserDefaults &defaults = platform::UserDefaults::standard();
    // Before a late read, the library is the built-in one: never over a stored one.
    const platform::UserDefaults::Provisional fallback(defaults);
    defaults.setString(storageKey(instrument != 0 ? 1 : 0), instrument != 0 ? allChordsStringUk() : allChordsString());
    defaults.synchronize();
}
