#pragma once

#include "windows/SmallViews.h"

#include <QWidget>
#include <array>

class QLineEdit;
class QToolButton;
class ViewChords;

// What the shape editor asks of the window that edits the chord.
class ViewChordsEditDelegate {
public:
    virtual ~ViewChordsEditDelegate() = default;
    virtual void boxRondClickatLine(int line, int column) = 0;
    virtual void actionChordsPosModified() = 0;
    virtual void actionChordsPosModifiedEnd() = 0;
    virtual void actionChordsNameModified() = 0;
    virtual void actionChordsNameModifiedEnd() = 0;
    virtual void actionChordsModifyDone() = 0;
    virtual void actionChordsCancel() = 0;
};

// The shape editor laid over a chord diagram: a dot on every string at the
// open row and each of the four fret rows, the name and base-fret fields, the
// lock (OK in creation mode) and Cancel marks. The dots are placed from the
// diagram's own plan, so they sit on its strings at any size.
class ViewChordsEdit : public QWidget, public BoxRondDelegate {
    Q_OBJECT
public:
    explicit ViewChordsEdit(QWidget *parent = nullptr);

    void setDelegate(ViewChordsEditDelegate *delegate) { delegate_ = delegate; }
    void setInstrument(qint64 instrument);
    qint64 instrument() const { return instrument_; }
    // Takes the diagram's frame and lays the dots and fields over it.
    void refreshSize(const ViewChords *diagram);
    // Creation mode shows OK and Cancel; editing a shown chord only the lock.
    void setModeOkCancel(bool creation);

    QLineEdit *labelChord() const { return labelChord_; }
    QLineEdit *labelPos() const { return labelPos_; }
    QToolButton *boutonModify() const { return boutonModify_; }
    QToolButton *boutonCancel() const { return boutonCancel_; }
    // The dot of a line 0-4 and column 0-5.
    BoxRond *rond(int line, int column) const { return dots_.at(size_t(line * 6 + column)); }

    // A dot pressed: the column is counted from the first shown string.
    void boxRondClickatLine(qint32 line, qint32 column) override;

private:
    ViewChordsEditDelegate *delegate_ = nullptr;
    qint64 instrument_ = 0;
    std::array<BoxRond *, 30> dots_{};
    QLineEdit *labelChord_ = nullptr;
    QLineEdit *labelPos_ = nullptr;
    QToolButton *boutonModify_ = nullptr;
    QToolButton *boutonCancel_ = nullptr;
};
