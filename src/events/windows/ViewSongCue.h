#pragma once

#include "events/CueRow.h"
#include "library/SongEv.h"

#include <QComboBox>
#include <QLineEdit>
#include <QWidget>
#include <optional>

class QAbstractItemView;
class ViewSongCue;

// The owner of a cue table: told of every edit of one of its rows.
class ViewSongCueDelegate {
public:
    virtual ~ViewSongCueDelegate() = default;
    // A combo selection or a text changed.
    virtual void viewSongCueUpdateCueRow(ViewSongCue *view) = 0;
    // Editing of the time ended (the time is already in "mm:ss").
    virtual void viewSongCueUpdateCueRowMMSS(ViewSongCue *view) = 0;
};

// One row of a cue table: the time, the kind and the kind's value fields of
// one event. Used by the notes window's cue table and by the event library's
// event table (lib), which offers only the MIDI kinds and no time.
class ViewSongCue : public QWidget {
    Q_OBJECT
public:
    explicit ViewSongCue(QWidget *parent = nullptr);
    ~ViewSongCue() override;

    // Shows an event.
    void setValForSongEv(const SongEv &ev, qint64 row, bool forLib);
    // Rewrites the event at index from the row view in column 0 of that row
    // of the table (a view set with setIndexWidget). Nothing without a view.
    static void updateSongEvAtIndex(qint64 index, QAbstractItemView *table, SongEvArray &array);
    // Rewrites an event from a row view.
    void updateSongEv(SongEv &ev) const;

    // Selections made in code: the delegate is not told.
    void setValComboAction(int index);
    void setValComboWinID(int index);
    void setValComboFavID(int index);
    void remplirComboWinID(const QString &text, bool dest);
    void remplirComboFavID(const QString &text, bool semiTone);

    // The row as text, for the rules and for tests.
    cuerow::Row rowData() const;
    // The names the combos offer now: window identifiers, destinations, groups.
    static cuerow::Lists currentLists();

    qint64 row() const { return row_; }
    void setRow(qint64 row) { row_ = row; }
    bool lib() const { return lib_; }
    void setLib(bool lib) { lib_ = lib; }
    ViewSongCueDelegate *delegate() const { return delegate_; }
    void setDelegate(ViewSongCueDelegate *delegate) { delegate_ = delegate; }
    qint64 prevAction() const { return prevAction_; }

    QComboBox *comboAction() const { return comboAction_; }
    QComboBox *comboWinID() const { return comboWinID_; }
    QComboBox *comboFavID() const { return comboFavID_; }
    QLineEdit *mmss() const { return mmss_; }
    QLineEdit *val1() const { return val1_; }
    QLineEdit *val1a() const { return val1a_; }
    QLineEdit *val1b() const { return val1b_; }
    QLineEdit *val1c() const { return val1c_; }
    QLineEdit *val2() const { return val2_; }

private:
    void ajusterComboAction(int index);
    void fillCombo(QComboBox *combo, const cuerow::Combo &content);
    void applyLook(const SongEv &ev);
    void kindChosen(int index);
    void textEdited(QLineEdit *field);
    void timeEditEnded();
    void notifyRow();

    // The event shown and the row as first shown, so an edit of the time alone keeps its text.
    std::optional<SongEv> shownEv_;
    cuerow::Row shownRow_;
    qint64 row_ = -1;
    qint64 prevAction_ = 0;
    bool lib_ = false;
    ViewSongCueDelegate *delegate_ = nullptr;
    QComboBox *comboAction_ = nullptr;
    QComboBox *comboWinID_ = nullptr;
    QComboBox *comboFavID_ = nullptr;
    QLineEdit *mmss_ = nullptr;
    QLineEdit *val1_ = nullptr;
    QLineEdit *val1a_ = nullptr;
    QLineEdit *val1b_ = nullptr;
    QLineEdit *val1c_ = nullptr;
    QLineEdit *val2_ = nullptr;
};
