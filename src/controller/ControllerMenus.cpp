#include "controller/Controller.h"

#include "chordpro/editor/WinEdit.h"
#include "chordpro/export/WinChordProToPDF.h"
#include "controller/MenuTexts.h"
#include "library/Data.h"
#include "midi/windows/MidiWindows.h"
#include "platform/Log.h"
#include "platform/MainMenu.h"
#include "settings/DataHelp.h"
#include "settings/DataPref4.h"
#include "settings/DataPref7.h"
#include "settings/WinVersions.h"

#include <QAction>
#include <QMenu>
#include <functional>

namespace {

// Items of a menu, each calling its operation; answers the items in order.
struct Item {
    const char *title;
    std::function<void()> run;
};

QList<QPointer<QAction>> addItems(QMenu *menu, QObject *context, const QList<Item> &items)
{
    QList<QPointer<QAction>> actions;
    for (const Item &item : items) {
        QAction *action = menu->addAction(QString::fromUtf8(item.title));
        QObject::connect(action, &QAction::triggered, context, item.run);
        actions.append(action);
    }
    return actions;
}

// The object windows by window type, as the Window menu offers them.
struct NamedCode {
    qint64 code;
    const char *title;
};
const NamedCode kObjectWindows[] = {
    {2, "Title"},       {4, "Artist Name"},     {11, "Artist Name + Title"}, {5, "Tempo"},
    {9, "Metronome"},   {8, "Note"},            {10, "Next Song Title"},     {13, "Next Cue"},
    {15, "Key"},        {16, "Flags"},          {3, "Elapsed Time"},         {6, "Remaining Time"},
    {7, "Progress Gauge"}, {12, "Empty Panel"},
};
const NamedCode kArrangeCodes[] = {
    {0, "Left Edge"},        {1, "Right Edge"},         {2, "Top Edge"},           {3, "Bottom Edge"},
    {4, "Full Width"},       {5, "Full Height"},        {6, "Full Height at Left"}, {7, "Full Height at Right"},
    {8, "Full Width at Top"}, {9, "Full Width at Bottom"}, {10, "Distribute Side by Side"},
    {11, "Distribute One Above the Other"}, {12, "Up 1"}, {13, "Down 1"}, {14, "Left 1"}, {15, "Right 1"},
    {16, "Up 10"},           {17, "Down 10"},           {18, "Left 10"},           {19, "Right 10"},
    {20, "Taller 1"},        {21, "Shorter 1"},         {22, "Wider 1"},           {23, "Narrower 1"},
    {24, "Taller 10"},       {25, "Shorter 10"},        {26, "Wider 10"},          {27, "Narrower 10"},
};

} // namespace

void Controller::buildPeripheryMenus()
{
    if (menuMidi_)
        return;
    MainMenu &menus = MainMenu::instance();

    menuMidi_ = menus.addMenu(QStringLiteral("⚪️MIDI"), this);
    addItems(menuMidi_, this,
             {{"MIDI Destinations…", [this] { actionMenuItemMidiOut(); }},
              {"MIDI Event Library…", [this] { actionMenuItemMidiFav(); }},
              {"MIDI Triggers…", [this] { actionMenuItemMidiTrig(); }},
              {"MIDI Clock and Metronome Ticks…", [this] { actionMenuItemMidiClock(); }}});
    menuMidi_->addSeparator();
    addItems(menuMidi_, this, {{"Audible Metronome", [this] { audibleMetronomeOnOff(2); }}});
    forceMasterMenuItem_ = menuMidi_->addAction(QStringLiteral("Force Master"));
    forceMasterMenuItem_->setCheckable(true);
    connect(forceMasterMenuItem_, &QAction::triggered, this, [this] {
        // The menu has already flipped the check mark; the command flips it itself.
        forceMasterMenuItem_->setChecked(!forceMasterMenuItem_->isChecked());
        actionForceMaster();
    });
    Data::initRefMenuMidi(menuMidi_->menuAction());

    menuWindow_ = menus.addMenu(QStringLiteral("Window"), this);
    addItems(menuWindow_, this,
             {{"New Tolvane Window", [this] { actionCreerWinX(0); }},
              {"New Summary Window", [this] { actionCreerWinX(1); }}});
    QMenu *objects = menuWindow_->addMenu(QStringLiteral("New Object Window"));
    for (const NamedCode &w : kObjectWindows)
        addItems(objects, this, {{w.title, [this, type = w.code] { actionCreerWinX(type); }}});
    QMenu *strips = menuWindow_->addMenu(QStringLiteral("New Chord Strip"));
    addItems(strips, this,
             {{"Guitar", [this] { actionCreerWinY(0); }},
              {"Ukulele", [this] { actionCreerWinY(1); }},
              {"Piano", [this] { actionCreerWinY(2); }},
              {"Default", [this] { actionCreerWinY(0); }}});
    menuWindow_->addSeparator();
    menuSendToScreen_ = menuWindow_->addMenu(QStringLiteral("Send to Screen"));
    menuItemSendToScreen_ = menuSendToScreen_->menuAction();
    QMenu *arrange = menuWindow_->addMenu(QStringLiteral("Arrange"));
    for (const NamedCode &a : kArrangeCodes)
        addItems(arrange, this, {{a.title, [this, code = a.code] { actionMenuArrange(code); }}});
    menuWindow_->addSeparator();
    addItems(menuWindow_, this,
             {{"Notes", [this] { actionMenuItemNotes(); }},
              {"Swap Plain and Formatted Note", [this] { toggleFormattedMode(); }},
              {"Window Identifiers…", [this] { actionMenuItemWinID(); }},
              {"Tags…", [this] { actionMenuItemTags(); }},
              {"Guitar Chord Library…", [this] { actionMenuItemChordLib(0); }},
              {"Ukulele Chord Library…", [this] { actionMenuItemChordLib(1); }},
              {"Audio Player", [this] { actionMenuAudioPlayer(); }},
              {"Track Preview", [this] { actionMenuAudioPreview(); }}});
    menuWindow_->addSeparator();
    addItems(menuWindow_, this, {{"Tolvane Help", [this] { afficherHelp(0, false); }}});

    menuScreenset_ = menus.addMenu(controller::screensetMenuTitle(1, 1), this);
    for (qint64 set = 1; set <= 9; ++set) {
        QAction *item = menuScreenset_->addAction(QString());
        item->setCheckable(true);
        connect(item, &QAction::triggered, this, [this, set] { actionScreensetX(set); });
        screensetItems_.append(item);
    }
    menuScreenset_->addSeparator();
    addItems(menuScreenset_, this,
             {{"Save Screenset", [this] { actionSaveScreenset(); }},
              {"Reload Screenset", [this] { actionReloadScreenset(); }},
              {"Rename Screenset…", [this] { renameScreenset(); }}});
    QMenu *copyTo = menuScreenset_->addMenu(QStringLiteral("Copy Screenset To"));
    for (qint64 set = 1; set <= 9; ++set)
        connect(copyTo->addAction(QStringLiteral("Screenset %1").arg(set)), &QAction::triggered, this,
                [this, set] { actionCopyScreensetTo(set); });
    refreshScreensetTitle();

    menuPDF1_ = menus.addMenu(QStringLiteral("Song"), this);
    songItems_ = addItems(menuPDF1_, this,
                          {{"Reveal in File Manager", [this] { posiPieceInFinder(); }},
                           {"Open", [this] { actionOpenPDFx(0); }},
                           {"Open in Viewer", [this] { actionOpenPDF2x(); }},
                           {"Print…", [this] { printPiece(); }},
                           {"Mail…", [this] { mailPiece(); }},
                           {"Mail as PDF…", [this] { mailPiece2(); }}});
    addItems(menuPDF1_, this,
             {{"Open with Default Application", [this] { actionOpenPDFx(1); }},
              {"Export as PDF…", [this] { actionExportPDFx(1); }},
              {"Export Songs as PDF…", [this] { actionExportPDFx(0); }}});
    menuPDF1_->addSeparator();
    addItems(menuPDF1_, this,
             {{"Open in Editor", [this] { lancerEditeur(); }},
              {"New ChordPro Song", [this] { actionCreerChordProDocument(); }},
              {"New ChordPro Song Beside the PDF", [this] { actionCreerChordProFromPDF(); }},
              {"Manage Versions…", [this] { actionManageVersions(); }},
              {"Delete Song…", [this] { actionSupprimerDocument(); }}});
    menuPDF1_->addSeparator();
    const QList<QPointer<QAction>> folderItems =
        addItems(menuPDF1_, this,
                 {{"Reveal Folder in File Manager", [this] { posiDirInFinder(); }},
                  {"Open Folder", [this] { openDirInFinder(); }},
                  {"Edit Current Tab…", [this] { editerSetlist(Data::onglNoG()); }},
                  {"Reveal Audio Track", [this] { actionRevealAudio(); }},
                  {"Export the Song's Audio Files…", [this] { actionExportAudioFiles(true); }},
                  {"Export the Tab's Audio Files…", [this] { actionExportAudioFiles(false); }}});
    // Folder commands need a library folder, as the slot commands do.
    slotActions_.append(folderItems.mid(0, 2));
}

// ---- Tool windows -----------------------------------------------------------------

void Controller::actionMenuItemNotes()
{
    if (!noteWindowVisible())
        toggleNote();
}

void Controller::actionMenuItemWinID() { winIDEditor()->showDataPref4(true); }
void Controller::actionMenuItemTags() { tagList()->showDataPref7(true); }
void Controller::actionMenuItemMidiOut() { midiWindows().showDestinations(); }
void Controller::actionMenuItemMidiFav() { midiWindows().showLibrary(); }
void Controller::actionMenuItemMidiTrig() { midiWindows().showTriggers(); }
void Controller::actionMenuItemMidiClock() { midiWindows().showClock(); }

void Controller::afficherHelp(qint64 page, bool modal)
{
    helpWindow()->showDataHelp(page, modal);
}

void Controller::actionManageVersions()
{
    if (currentDirNo_ < 0) {
        Data::msg(QStringLiteral("This action is disabled in the Help Tolvane."));
        return;
    }
    versionsWindow()->showWin(Data::getPiece(Data::songNoG()), false);
}

void Controller::afficherWinChordProToPDF(qint64 operation)
{
    if (!winChordProToPDF_)
        winChordProToPDF_ = std::make_unique<WinChordProToPDF>();
    winChordProToPDF_->showWin(operation, obtenirDir(currentDirNo_));
}

WinEdit *Controller::winEditController() const { return winEditController_; }

void Controller::makeEditor()
{
    if (winEditController_)
        return;
    winEditController_ = new WinEdit;
    connect(winEditController_, &WinEdit::noAnswer, this,
            [this](const QString &why) { tellFailure(why, Held::UntilEnded); });
    connect(winEditController_, &WinEdit::answered, this, [this](const QString &why) { endFailure(why); });
}

void Controller::showEditor(const PiecePtr &piece, const QString &path, bool isNew)
{
    makeEditor();
    winEditController_->showWin(piece, path, isNew);
}

void Controller::showVersionChooser() { versionChooser()->showDataPrefA(); }

bool Controller::tagListVisible() const { return dataPref7Controller_ && dataPref7Controller_->isVisible(); }

void Controller::toggleNote()
{
    if (noteWindowVisible()) {
        fermerNote();
        return;
    }
    showNoteWindow();
    if (tagAuto_)
        afficherTags();
}

void Controller::fermerNote()
{
    if (!noteWindowVisible())
        return;
    if (!tagListVisible())
        tagAuto_ = false;
    closeNoteWindow();
    if (tagAuto_)
        fermerTags();
}

void Controller::toggleFormattedMode()
{
    if (!noteWindowVisible()) {
        toggleNote();
        return;
    }
    const QRect frame = noteWindowFrame();
    toggleNote();
    Data::setFormattedNote(!Data::formattedNote());
    // The other window takes the closed one's place and reads the note again.
    takeNoteWindowFrame(frame);
    toggleNote();
}

void Controller::actionForceMaster()
{
    if (forceMasterMenuItem_)
        forceMasterMenuItem_->setChecked(!forceMasterMenuItem_->isChecked());
    traiter_backslash();
}
