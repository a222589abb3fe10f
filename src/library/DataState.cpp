#include "library/Data.h"

#include "platform/Clock.h"
#include "platform/Log.h"
#include "platform/UserDefaults.h"

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSoundEffect>
#include <QThread>
#include <QUrl>

namespace {

struct State {
    QSoundEffect *audioPlayerObj = nullptr;
    std::shared_ptr<platform::MediaPlayer> player;
    QString playerItem;
    std::shared_ptr<const audio::Track> mediaItem;
    QPointer<QAction> refMenuMidi;
    QDateTime timeLastPlayMute;
    std::atomic<qint64> gautomation{0};

    QString rechInfo;
    QList<WinIDPtr> winIDs;
    QList<TabDetPtr> tabs;
    QStringList tags, tagsTemp, filesNotCopied;

    PiecesList byTitle, byAuthor, temp1, temp2, byTitle2, prec, log, flagged;
    std::recursive_mutex flaggedMonitor;
    QList<QPointer<WindowPDFxSuper>> windows;

    QString optMidiText1, dirX, dirOut, premierFichier, filterString, allChordsString, allChordsStringUk;
    QPointF windowOrigin;

    std::array<qint64, Data::kLetterKeys> debLettre{}, debLettre2{};
    std::array<qint64, Data::kTabs> titleStart{}, authorStart{};
    std::array<std::atomic<qint32>, Data::kMidiSlots> destForClock{}, destForTick{};
    std::array<std::atomic<qint64>, Data::kMidiSlots> channelForTick{}, noteForTick{}, audibleForTick{};
};

State &state()
{
    static State s;
    return s;
}

template <typename Array>
bool inRange(const Array &a, qint64 i)
{
    return i >= 0 && i < qint64(a.size());
}

} // namespace

// ---- Start ---------------------------------------------------------------

void Data::initData()
{
    State &s = state();
    setRecOn(false);
    setTocOn(false);
    setLoopOn(false);
    setMetroOn(false);
    setFormattedNote(false);
    setClockOn(false);
    setGtempo(100);
    setGautomationOff(false);
    setGpos(0.0);
    setGPlayAutoForGenre(-1);
    setGTriggerAuto(false);
    setGTriggerAutoMute(false);
    setGDisplayCount(false);
    setGcount(-1);
    setGcountSkip(false);
    setGcountTo(0);
    setGskipTo(0);
    setGnbTick(0);
    setGChordsLoaded(false);
    s.player.reset();
    s.playerItem.clear();
    s.mediaItem.reset();

    // No French translation ships yet; a translator that answers "YES" for "FRA" turns it on.
    setFra(QCoreApplication::translate("Data", "FRA") == QLatin1String("YES"));
    // Tracks always play in the program's own player here.
    setUseItunes(false);
    setMacOS26(false);

    setEvInProcess(false);
    setInspectorOn(false);
    setNbWinID(0);
    setNbTick(0);

    platform::UserDefaults::standard().readStored(QStringLiteral("Data"), &Data::readStoredSettings);
    chargerSongEventsFromString(QString(), false, songEvents());
}

void Data::readStoredSettings()
{
    State &s = state();
    const platform::UserDefaults &d = platform::UserDefaults::standard();
    s.gautomation = d.integerForKey(QStringLiteral("gautomation"));
    const QString midiText = QStringLiteral("optMidiText1b");
    if (d.contains(midiText))
        s.optMidiText1 = d.stringForKey(midiText);
    chargerWinIDs();
    chargerTags();
}

// ---- Audio objects and menu ------------------------------------------------

// The click is loaded on first use (the metronome asks for it when it
// starts): the sound library loads samples on a thread of its own, which
// must not still be loading when the application object goes away at quit.
QSoundEffect *Data::audioPlayerObj()
{
    State &s = state();
    if (!s.audioPlayerObj && QCoreApplication::instance()
        && QThread::currentThread() == QCoreApplication::instance()->thread()) {
        s.audioPlayerObj = new QSoundEffect(QCoreApplication::instance());
        s.audioPlayerObj->setSource(QUrl(QStringLiteral("qrc:/sounds/tick1.wav")));
    }
    return s.audioPlayerObj;
}
void Data::releaseAudioObjects()
{
    State &s = state();
    if (!s.audioPlayerObj)
        return;
    // A click still loading would be finished by the sound library's own
    // thread after the application object is gone, and quitting could hang.
    QElapsedTimer waited;
    waited.start();
    while (s.audioPlayerObj->status() == QSoundEffect::Loading && waited.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    delete s.audioPlayerObj;
    s.audioPlayerObj = nullptr;
}

std::shared_ptr<platform::MediaPlayer> Data::player() { return state().player; }
void Data::setPlayer(const std::shared_ptr<platform::MediaPlayer> &value) { state().player = value; }
QString Data::playerItem() { return state().playerItem; }
void Data::setPlayerItem(const QString &path) { state().playerItem = path; }
std::shared_ptr<const audio::Track> Data::mediaItem() { return state().mediaItem; }
void Data::setMediaItem(const std::shared_ptr<const audio::Track> &value) { state().mediaItem = value; }
QAction *Data::refMenuMidi() { return state().refMenuMidi; }
void Data::initRefMenuMidi(QAction *item) { state().refMenuMidi = item; }
QDateTime Data::timeLastPlayMute() { return state().timeLastPlayMute; }
void Data::initTimeLastPlayMute() { state().timeLastPlayMute = platform::currentDateTime(); }

void Data::sendingMidi(bool sending)
{
    platform::runOnMain([sending] {
        QAction *item = state().refMenuMidi;
        if (!item)
            return;
        const bool sound = optMetroSound() != 0;
        if (sending)
            item->setText(sound ? QStringLiteral("🔴🔊MIDI") : QStringLiteral("🔴MIDI"));
        else
            item->setText(sound ? QStringLiteral("⚪️🔊MIDI") : QStringLiteral("⚪️MIDI"));
    });
}

// ---- Values with side effects ---------------------------------------------

qint64 Data::gautomation() { return state().gautomation; }

void Data::setGautomation(qint64 value)
{
    state().gautomation = value;
    platform::UserDefaults::standard().setInteger(QStringLiteral("gautomation"), value);
    platform::UserDefaults::standard().synchronize();
}

// ---- Collections and texts -------------------------------------------------

QString &Data::rechInfo() { return state().rechInfo; }
QList<WinIDPtr> &Data::winIDs() { return state().winIDs; }
QList<TabDetPtr> &Data::tabs() { return state().tabs; }
QStringList &Data::tags() { return state().tags; }
QStringList &Data::tagsTemp() { return state().tagsTemp; }
PiecesList &Data::listePiecesByTitle() { return state().byTitle; }
PiecesList &Data::listePiecesByAuthor() { return state().byAuthor; }
PiecesList &Data::listePiecesTEMP1() { return state().temp1; }
PiecesList &Data::listePiecesTEMP2() { return state().temp2; }
PiecesList &Data::listePiecesByTitle2() { return state().byTitle2; }
PiecesList &Data::listePiecesPrec() { return state().prec; }
PiecesList &Data::listePiecesLog() { return state().log; }
PiecesList &Data::listePiecesFlagged() { return state().flagged; }
std::recursive_mutex &Data::listePiecesFlaggedMonitor() { return state().flaggedMonitor; }
QList<QPointer<WindowPDFxSuper>> &Data::nsMutaryOfWindows() { return state().windows; }

QString &Data::optMidiText1() { return state().optMidiText1; }
QString &Data::dirX() { return state().dirX; }
QString &Data::dirOut() { return state().dirOut; }
QStringList &Data::filesNotCopied() { return state().filesNotCopied; }
QString &Data::premierFichier() { return state().premierFichier; }
QString &Data::filterString() { return state().filterString; }
QString &Data::allChordsString() { return state().allChordsString; }
QString &Data::allChordsStringUk() { return state().allChordsStringUk; }
QPointF Data::nsPointWindowOrigin() { return state().windowOrigin; }
void Data::setNsPointWindowOrigin(const QPointF &p) { state().windowOrigin = p; }

// ---- Indexed tables ----------------------------------------------------------

qint64 Data::debLettre(qint64 key) { return inRange(state().debLettre, key) ? state().debLettre[key] : 0; }
void Data::setDebLettre(qint64 key, qint64 value)
{
    if (inRange(state().debLettre, key))
        state().debLettre[key] = value;
}
qint64 Data::debLettre2(qint64 key) { return inRange(state().debLettre2, key) ? state().debLettre2[key] : 0; }
void Data::setDebLettre2(qint64 key, qint64 value)
{
    if (inRange(state().debLettre2, key))
        state().debLettre2[key] = value;
}
qint64 Data::indexInTitleArrayG(qint64 tab) { return inRange(state().titleStart, tab) ? state().titleStart[tab] : -1; }
void Data::setIndexInTitleArrayG(qint64 tab, qint64 value)
{
    if (inRange(state().titleStart, tab))
        state().titleStart[tab] = value;
}
qint64 Data::indexInAuthorArrayG(qint64 tab)
{
    return inRange(state().authorStart, tab) ? state().authorStart[tab] : -1;
}
void Data::setIndexInAuthorArrayG(qint64 tab, qint64 value)
{
    if (inRange(state().authorStart, tab))
        state().authorStart[tab] = value;
}

#define TOLVANE_MIDI_SLOT(Type, name, Setter)                                       \
    Type Data::name(qint64 slot)                                                   \
    {                                                                              \
        return inRange(state().name, slot) ? state().name[slot].load() : Type(0); \
    }                                                                              \
    void Data::Setter(qint64 slot, Type value)                                     \
    {                                                                              \
        if (inRange(state().name, slot))                                           \
            state().name[slot] = value;                                            \
    }
TOLVANE_MIDI_SLOT(qint32, destForClock, setDestForClock)
TOLVANE_MIDI_SLOT(qint32, destForTick, setDestForTick)
TOLVANE_MIDI_SLOT(qint64, channelForTick, setChannelForTick)
TOLVANE_MIDI_SLOT(qint64, noteForTick, setNoteForTick)
TOLVANE_MIDI_SLOT(qint64, audibleForTick, setAudibleForTick)
#undef TOLVANE_MIDI_SLOT

// ---- Library queries -----------------------------------------------------------

PiecesPtr Data::getPiece(qint64 k)
{
    const PiecesList &list = currentSort() != 0 ? listePiecesByAuthor() : listePiecesByTitle();
    if (k < 1 || k > songNbrG() || k > list.size())
        return nullptr;
    return list[k - 1];
}

qint64 Data::getNbrPiecesOng(qint64 tab)
{
    auto start = [](qint64 t) { return currentSort() != 0 ? indexInAuthorArrayG(t) : indexInTitleArrayG(t); };
    const qint64 s = start(tab);
    if (s < 0)
        return 0;
    for (qint64 m = tab + 1; m < kTabs; ++m) {
        if (start(m) >= 1)
            return start(m) - s;
    }
    return songNbrG() - s;
}

PiecesPtr Data::getPieceTEMP(qint64 index)
{
    const PiecesList &list = listePiecesTEMP1();
    return (index >= 0 && index < list.size()) ? list[index] : nullptr;
}

// ---- Stored settings --------------------------------------------------------------

qint64 Data::initialGenre() { return platform::UserDefaults::standard().integerForKey(QStringLiteral("initialGenreNo")); }

void Data::setInitialGenre(qint64 genre)
{
    platform::UserDefaults::standard().setInteger(QStringLiteral("initialGenreNo"), genre);
    platform::UserDefaults::standard().synchronize();
}

void Data::saveData() { platform::UserDefaults::standard().setString(QStringLiteral("optMidiText1b"), optMidiText1()); }
