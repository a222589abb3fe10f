#pragma once

#include "chords/DiagramPainter.h"
#include "chords/MChord.h"
#include "chords/SongFileEdit.h"

#include <QWidget>

class WindowPDFxSuper;

// What a diagram asks of the window that holds it.
class ViewChordsSuperDelegate {
public:
    virtual ~ViewChordsSuperDelegate() = default;
    virtual bool viewChordsSuperIsToolsOn() const = 0;
    virtual void viewChordsSuperShowTools() = 0;
    // Editing the shown chord (owners that allow it).
    virtual void viewChordsSuperModify() {}
    // The Tolvane window whose song the diagram shows.
    virtual WindowPDFxSuper *viewChordsRefTolvaneWin() const = 0;
    // The edits of that song the diagram makes (owners that allow them): one
    // queue for the window, so that two diagrams never write over each other.
    virtual songfile::SongFileEdits *viewChordsSongEdits() { return nullptr; }
};

// The base of the chord diagram widgets: ViewChords (guitar, ukulele) and
// ViewChordsP (piano). The widgets only hold state and input; where things go
// is planned by FretDiagram/PianoDiagram and drawn by DiagramPainter.
class ViewChordsSuper : public QWidget {
    Q_OBJECT
public:
    explicit ViewChordsSuper(QWidget *parent = nullptr);

    // Colour slots: 0 text, 2 lines, 3 base fret (piano: root dot), 4 dots, 5 background.
    virtual void iniColorForObj(qint64 slot, const QColor &color, bool refreshData);
    virtual void refreshSize() { update(); }
    virtual void afficherMasquerBarreSelonEdition() { update(); }
    virtual void hideLabelAndButtonModify();
    void showLabelAndButtonModify();
    virtual void iniChordWithName(const QString &name, const MChord &chord, bool rightHanded, qint64 instrument) = 0;
    virtual void setAllowEditing(bool allow);
    virtual void setBulletsAutoBW(bool on);

    qint64 instrument() const { return instrument_; }
    const MChord &mChordx() const { return mChordx_; }
    QString chordName() const { return name_; }
    void setDelegate(ViewChordsSuperDelegate *delegate) { delegate_ = delegate; }
    ViewChordsSuperDelegate *delegate() const { return delegate_; }
    WindowPDFxSuper *refTolvaneWin() const;
    const diagram::DiagramColors &colors() const { return colors_; }

    // The click on the edit mark: the chord library opens on this chord, or
    // the owner edits it when editing is allowed here.
    void actionModify();
    // A click elsewhere: the owner's tools, or back to the key Tolvane window.
    void actionTools();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    // Where the edit mark is, in widget coordinates (empty when hidden).
    virtual QRectF editMarkRect() const { return {}; }

    qint64 instrument_ = 0;
    MChord mChordx_;
    QString name_;
    diagram::DiagramColors colors_;
    bool allowEditing_ = false;
    bool editMarkHidden_ = false;
    ViewChordsSuperDelegate *delegate_ = nullptr;
};

// A guitar or ukulele diagram.
class ViewChords : public ViewChordsSuper {
    Q_OBJECT
public:
    explicit ViewChords(QWidget *parent = nullptr);

    void iniChordWithName(const QString &name, const MChord &chord, bool rightHanded, qint64 instrument) override;
    bool editionEnCours() const { return editionEnCours_; }
    void setEditionEnCours(bool on);
    bool barreHidden() const { return !plan().barre.has_value(); }
    diagram::FretPlan plan() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    QRectF editMarkRect() const override;

private:
    bool rightHanded_ = false;
    bool editionEnCours_ = false;
};

// A piano diagram whose arrows step through the inversions and keep the
// chosen one in the song.
class ViewChordsP : public ViewChordsSuper {
    Q_OBJECT
public:
    explicit ViewChordsP(QWidget *parent = nullptr);

    void iniChordWithName(const QString &name, const MChord &chord, bool rightHanded, qint64 instrument) override;
    void setBulletsAutoBW(bool on) override;
    // The arrows: previous (backward) or next inversion, then kept in the song.
    void actionInversion(bool backward);
    const diagram::PianoInversions &inversions() const { return chord_; }
    diagram::PianoPlan plan() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    void effectuerMajInversion();

    diagram::PianoInversions chord_;
};
