#include "events/windows/WinNoteF.h"

#include "events/windows/CueTable.h"

#include "events/NoteRules.h"
#include "events/windows/LastMidi.h"
#include "library/Data.h"
#include "library/TextNumbers.h"
#include "midi/Midi.h"
#include "platform/Clock.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"
#include "windows/DragTypes.h"

#include <QHBoxLayout>
#include <QMimeData>
#include <QVBoxLayout>

namespace {
const QString kSelectRow = QStringLiteral("A row must be selected to perform this operation");
}

void WinNoteF::buildCues(QWidget *pane)
{
    auto *layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    mTable_ = new CueTable(pane);
    mTable_->cues()->edited = [this](qint64 row, bool timeEnded) { cueRowEdited(row, timeEnded); };
    mTable_->dropped = [this](const QMimeData *data, qint64 r, bool onRow) { return acceptDrop(data, r, onRow); };
    layout->addWidget(mTable_, 1);
    auto *row = new QHBoxLayout;
    auto button = [pane, row](const QString &title, const QString &tip = QString()) {
        auto *b = new QPushButton(title, pane);
        b->setToolTip(tip);
        row->addWidget(b);
        return b;
    };
    buttonAjouter_ = button(QStringLiteral("+"), QStringLiteral("Add a Cue"));
    buttonSupprimer_ = button(QStringLiteral("−"), QStringLiteral("Delete the selected Cue"));
    buttonDupliquer_ = button(QStringLiteral("Duplicate"), QStringLiteral("Duplicate the selected Cue"));
    buttonSetTime_ = button(QStringLiteral("00:00"), QStringLiteral("Set currently selected Cue time"));
    buttonSend_ = button(QStringLiteral("Send"), QStringLiteral("Run the selected Cue now"));
    buttonEVc_ = button(QStringLiteral("▶︎"), QStringLiteral("Start/Stop Playback"));
    buttonEVe_ = button(QStringLiteral("● Rec"), QStringLiteral("Record Song Events"));
    buttonMIDIa_ = button(QString(),
                          QStringLiteral("Insert Program Change MIDI instruction \nFormat: MSB.LSB:program@destination"));
    buttonMIDIb_ = button(QString(),
                          QStringLiteral("Insert Control Change MIDI instruction \nFormat: CCcontrol:value@destination"));
    buttonEVf_ = button(QStringLiteral("Tags"), QStringLiteral("Display Available Tags (tags can be dragged to Tags)"));
    layout->addLayout(row);
    buttonEVc_->setProperty("tag", 3);

    connect(buttonAjouter_, &QPushButton::clicked, this, [this]() { actionButtonAjouter(); });
    connect(buttonSupprimer_, &QPushButton::clicked, this, [this]() { actionButtonSupprimer(); });
    connect(buttonDupliquer_, &QPushButton::clicked, this, [this]() { actionButtonDupliquer(); });
    connect(buttonSetTime_, &QPushButton::clicked, this, [this]() { actionButtonSetTime(); });
    connect(buttonSend_, &QPushButton::clicked, this, [this]() { actionButtonSendSongEv(); });
    connect(buttonEVc_, &QPushButton::clicked, this, [this]() { actionPlayPause(); });
    connect(buttonEVe_, &QPushButton::clicked, this, [this]() { actionRec(); });
    connect(buttonMIDIa_, &QPushButton::clicked, this, [this]() { actionInsererMIDIa(); });
    connect(buttonMIDIb_, &QPushButton::clicked, this, [this]() { actionInsererMIDIb(); });
    connect(buttonEVf_, &QPushButton::clicked, this, [this]() { openTags(); });
    refreshLastMIDIdata();
    refreshLastMIDIdataCC();
    refreshColorLastMIDIdata(true);
    refreshPageNo();
}

QTableView *WinNoteF::table() const
{
    syncTable();
    return mTable_;
}

void WinNoteF::syncTable() const
{
    if (!tableStale_)
        return;
    tableStale_ = false;
    mTable_->showEvents(Data::songEvents());
}

qint64 WinNoteF::selectedRow() const
{
    syncTable();
    return mTable_->selectedRow();
}

void WinNoteF::selectRow(qint64 row)
{
    syncTable();
    if (row < 0 || row >= mTable_->model()->rowCount()) {
        mTable_->clearSelection();
        return;
    }
    mTable_->chooseRow(int(row));
}

void WinNoteF::ensureOwnEvents()
{
    if (!song_.piece || !song_.piece->pieceDet)
        return;
    const QString key = song_.piece->pieceDet->fichier;
    if (Data::songEventsKey() == key)
        return;
    // Within half a second of a song change the list still holds the song
    // left behind: this song's own events are loaded before anything edits them.
    Data::chargerSongEventsFromNote(*song_.piece->pieceDet, Data::songEvents());
    Data::setSongEventsKey(key);
    reloadTable(nullptr);
}

void WinNoteF::reloadTable(const SongEvPtr &keepSelected)
{
    tableStale_ = true;
    if (isVisible())
        syncTable();
    if (keepSelected)
        selectRow(Data::songEvents().indexOf(keepSelected));
}

void WinNoteF::refreshSongEv() { reloadTable(nullptr); }

void WinNoteF::showEvent(QShowEvent *event)
{
    NoteWindow::showEvent(event);
    syncFields();
    syncTable();
}

void WinNoteF::detachCueRows()
{
    mTable_->cues()->edited = nullptr;
    mTable_->dropped = nullptr;
}

void WinNoteF::showRow(qint64 row)
{
    selectRow(row);
    const bool any = !Data::songEvents().isEmpty();
    buttonSupprimer_->setEnabled(any);
    buttonDupliquer_->setEnabled(any);
}

void WinNoteF::rowsChanged()
{
    qint64 i = 0;
    for (const SongEvPtr &ev : std::as_const(Data::songEvents()))
        if (ev)
            ev->index = i++;
}

void WinNoteF::cueRowEdited(qint64 row, bool timeEnded)
{
    const std::optional<CueTableModel::Edit> edit = mTable_->cues()->editOf(int(row));
    if (edit && !delEnCours_ && !readOnly_) {
        // The fields are taken first: loading this song's own list redraws the
        // table, which then shows the edit once it is in.
        const QString listed = Data::songEventsKey();
        ensureOwnEvents();
        Data::ownSongEvents();
        if (const SongEvPtr ev = Data::songEvents().value(row))
            cuerow::applyEdit(edit->now, edit->shown, edit->original, *ev);
        if (Data::songEventsKey() != listed)
            reloadTable(nullptr);
        noteModifiee_ = true;
    }
    if (timeEnded)
        saveNote(false);
}

// ---- Adding cues -----------------------------------------------------------------

void WinNoteF::ajouterSongEv(int kind, const QString &str)
{
    if (readOnly_ || !song_.piece || !song_.piece->pieceDet)
        return;
    ensureOwnEvents();
    SongEvArray &events = Data::songEvents();
    noterules::CueInput in;
    in.count = events.size();
    in.nextFreeTime = noterules::nextFreeTime(events);
    in.currentPos = song_.pos;
    in.page = song_.page;
    in.zoomOn = song_.zoomOn;
    in.zoomTop = song_.zoomTop;
    in.note = song_.piece->pieceDet->notetxt;
    const SongEvPtr ev = noterules::makeCue(kind, str, in);
    if (!ev)
        return;
    events.append(ev);
    addedCue(ev);
}

void WinNoteF::addedCue(const SongEvPtr &ev)
{
    reloadTable(nullptr);
    showRow(Data::songEvents().indexOf(ev));
    noteModifiee_ = true;
    if (Data::recOn())
        saveNote(false);
}

void WinNoteF::addNoteString(const QString &text)
{
    ajouterSongEv(2, text);
    saveNote(false);
}

void WinNoteF::insererMidiFromLib(const MidiFavEventPtr &group)
{
    if (!group)
        return;
    TLOG(QStringLiteral("insererMidiFromLib %1").arg(group->favEventTx));
    ajouterSongEv(3, QStringLiteral("MIDI %1").arg(group->favEventID));
    saveNote(false);
}

void WinNoteF::actionButtonAjouter() { ajouterSongEv(0, QString()); }

void WinNoteF::actionButtonSupprimer()
{
    buttonSupprimer_->setEnabled(false);
    buttonDupliquer_->setEnabled(false);
    const qint64 row = selectedRow();
    if (row < 0) {
        Data::msg(kSelectRow);
    } else {
        ensureOwnEvents();
        Data::ownSongEvents(); // the rows after it are renumbered
        delEnCours_ = true;
        SongEvArray &events = Data::songEvents();
        if (row < events.size())
            events.removeAt(row);
        mTable_->cues()->removeEventRow(int(row));
        rowsChanged();
        reloadTable(nullptr);
        noteModifiee_ = true;
        if (!events.isEmpty())
            selectRow(qMin<qint64>(row, events.size() - 1));
        delEnCours_ = false;
    }
    const bool any = !Data::songEvents().isEmpty();
    buttonSupprimer_->setEnabled(any);
    buttonDupliquer_->setEnabled(any);
}

SongEvPtr WinNoteF::selectedEvent()
{
    const qint64 row = selectedRow();
    if (row < 0) {
        Data::msg(kSelectRow);
        return nullptr;
    }
    ensureOwnEvents();
    Data::ownSongEvents();
    return Data::songEvents().value(row);
}

void WinNoteF::actionButtonDupliquer()
{
    const SongEvPtr selected = selectedEvent();
    if (!selected)
        return;
    SongEvArray &events = Data::songEvents();
    const SongEv &src = *selected;
    auto copy = std::make_shared<SongEv>(events.size());
    copy->mm = src.mm;
    copy->ss = src.ss;
    copy->evType = src.evType;
    copy->actionType = src.actionType;
    copy->actionTxt = src.actionTxt;
    copy->timeEv = src.timeEv;
    copy->val = src.val;
    copy->levelNo = 2;
    events.append(copy);
    reloadTable(nullptr);
    showRow(events.size() - 1);
    noteModifiee_ = true;
}

void WinNoteF::actionButtonSetTime()
{
    const SongEvPtr selected = selectedEvent();
    if (!selected)
        return;
    SongEv &ev = *selected;
    ev.mm = 0;
    ev.ss = 0;
    ev.timeEv = false;
    const QString t = buttonSetTime_->text();
    if (t.size() >= 3 && t.indexOf(QLatin1Char(':')) == 2 && Data::isChiffre(t.left(1))) {
        ev.timeEv = true;
        ev.mm = textnum::intValue(t.left(2));
        if (t.size() >= 4)
            ev.ss = textnum::intValue(t.mid(3));
    }
    ev.val = double(ev.secondsFromTime());
    ev.traite = false;
    ev.levelNo = 2;
    reloadTable(selected);
    noteModifiee_ = true;
}

void WinNoteF::actionButtonSendSongEv()
{
    if (const SongEvPtr selected = selectedEvent())
        Data::processSongEventsSingle(selected);
}

bool WinNoteF::acceptDrop(const QMimeData *data, qint64 r, bool onRow)
{
    if (readOnly_ || !song_.piece)
        return false;
    ensureOwnEvents();
    Data::ownSongEvents();
    SongEvArray &events = Data::songEvents();
    const qint64 n = events.size();
    r = qBound<qint64>(0, r, n);
    auto takeTime = [&](SongEv &ev, qint64 ref, bool withVal) {
        if (n == 0 || ref < 0 || ref >= n || !events[ref]) {
            ev.mm = ev.ss = 0;
            ev.timeEv = true;
            ev.val = 0.0;
            return;
        }
        const SongEv &from = *events[ref];
        ev.mm = from.mm;
        ev.ss = from.ss;
        ev.timeEv = from.timeEv;
        if (withVal)
            ev.val = from.val;
    };
    bool added = false;
    if (data && data->hasFormat(dragtypes::GroupSongEvDataType)) {
        const std::optional<int> s = dragtypes::firstRow(data, dragtypes::GroupSongEvDataType, Midi::MIDIfavEv().size());
        if (!s || !Midi::MIDIfavEv().at(*s))
            return false;
        const SongEv &src = *Midi::MIDIfavEv().at(*s);
        auto ev = std::make_shared<SongEv>(n);
        ev->evType = src.evType;
        ev->actionType = src.actionType;
        ev->actionTxt = src.actionTxt;
        takeTime(*ev, noterules::dropReferenceRow(r, n, onRow), true);
        events.insert(r, ev);
        added = true;
    } else if (data && data->hasFormat(dragtypes::MidiGroupDataType)) {
        const std::optional<int> s = dragtypes::firstRow(data, dragtypes::MidiGroupDataType, Midi::MIDIfav().size());
        if (!s || !Midi::MIDIfav().at(*s))
            return false;
        auto ev = std::make_shared<SongEv>(n);
        ev->evType = 3;
        ev->actionType = 10;
        ev->actionTxt = QStringLiteral("MIDI %1").arg(Midi::MIDIfav().at(*s)->favEventID);
        takeTime(*ev, noterules::dropReferenceRow(r, n, onRow), true);
        events.insert(r, ev);
        added = true;
    } else {
        const std::optional<int> s = dragtypes::firstRow(data, dragtypes::NotesSongEvDataType, n);
        if (!s || !events[*s])
            return false;
        const SongEvPtr e = events[*s];
        const bool cue = e->actionType == 22 && e->actionTxt.contains(QLatin1String("CUE:"));
        takeTime(*e, noterules::dropReferenceRow(r, n, onRow || cue), false);
        if (!onRow && r == 0)
            e->timeEv = false;
        if (noterules::alwaysTimedWhenMoved(*e))
            e->timeEv = true;
        // The time it shows is the time it runs at.
        e->val = double(e->secondsFromTime());
        if (*s >= r) {
            events.removeAt(*s);
            events.insert(r, e);
        } else {
            events.insert(r, e);
            events.removeAt(*s);
        }
    }
    noteModifiee_ = true;
    rowsChanged();
    saveNote(false);
    reloadTable(nullptr);
    if (added) {
        buttonSupprimer_->setEnabled(true);
        buttonDupliquer_->setEnabled(true);
    }
    return true;
}

// ---- Play, record and the track position ---------------------------------------------

void WinNoteF::refreshPageNo()
{
    buttonEVc_->setProperty("tag", song_.playing ? 4 : 3);
    buttonEVc_->setText(song_.playing ? QStringLiteral("◼︎") : QStringLiteral("▶︎"));
    buttonSetTime_->setText(noterules::timeText(song_.pos));
}

void WinNoteF::actionPlayPause()
{
    const int tag = buttonEVc_->property("tag").toInt();
    if (tag == 3)
        postCode(vocab::PeriodKey);
    else if (tag == 4)
        postCode(vocab::StopOrCancelCountIn);
}

void WinNoteF::actionRec()
{
    if (!Data::recOn())
        beginRecording();
}

bool WinNoteF::beginRecording()
{
    if (readOnly_ || !song_.piece || !song_.piece->pieceDet)
        return false;
    static const QString text = QStringLiteral(
        "During recording:\n• Use arrow keys (Up/Down) to insert page change markers into Notes.\n• Type letters to "
        "insert message markers.\n• Stop Playback to stop recording.\n\nYou should record page changes in Half Page "
        "Zoom mode so markers will be valid for all display modes (single page, two pages, half page zoom).\n\nSet "
        "the Genre to Mute if you want to record markers without listening to the song's track.\n\nRecording will "
        "stop if you move to previous/next song.");
    if (!Data::deuxChoix(text, QStringLiteral("Begin recording"), QStringLiteral("Cancel")))
        return false;
    closeWin();
    Data::setRecOn(true);
    if (!song_.piece->pieceDet->notetxt.contains(QLatin1String("00:00 Page")))
        ajouterSongEv(1, QString());
    if (song_.playing)
        return true;
    if (!song_.piece->pieceDet->notetxt.contains(QLatin1String("00:01 Play")))
        ajouterSongEv(4, QStringLiteral("00:01 Play %1").arg(Data::currentGenreG()));
    postCode(vocab::PeriodKey);
    return true;
}

void WinNoteF::pageCueWhileRecording()
{
    // Stopped, or playback failed: no position moves, so no cue is recorded.
    if (Data::recOn() && song_.playing && song_.advancing)
        ajouterSongEv(1, QString());
}

// ---- MIDI inserts ------------------------------------------------------------------------

void WinNoteF::refreshLastMIDIdata()
{
    buttonMIDIa_->setText(lastmidi::programTitle());
    refreshColorLastMIDIdata(false);
}

void WinNoteF::refreshLastMIDIdataCC()
{
    buttonMIDIb_->setText(lastmidi::controlLine());
    refreshColorLastMIDIdata(false);
}

void WinNoteF::refreshColorLastMIDIdata(bool grey) { lastmidi::paint(buttonMIDIa_, buttonMIDIb_, grey); }

void WinNoteF::insertLearned(const QString &text)
{
    if (readOnly_ || !song_.piece)
        return;
    ensureOwnEvents();
    Data::chargerSongEventsFromString(text, true, Data::songEvents());
    Data::setSongEventsKey(song_.piece->pieceDet->fichier);
    reloadTable(nullptr);
    const bool any = !Data::songEvents().isEmpty();
    buttonSupprimer_->setEnabled(any);
    buttonDupliquer_->setEnabled(any);
    noteModifiee_ = true;
}

void WinNoteF::actionInsererMIDIa()
{
    qint32 learned = 0;
    const QString text = lastmidi::programInsert(&learned);
    if (learned >= 6
        && Data::questionAvecCancel(QStringLiteral("%1 events will be inserted to Cue list.\n\nProceed?").arg(learned))
               != 1)
        return;
    insertLearned(text);
}

void WinNoteF::actionInsererMIDIb() { insertLearned(lastmidi::controlLine() + QLatin1Char('\n')); }
