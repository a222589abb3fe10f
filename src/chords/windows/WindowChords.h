#pragma once

#include "chords/windows/ViewChordsSuper.h"
#include "windows/AuxWindow.h"

#include <QPointer>
#include <QStringList>
#include <memory>

class ChordPro;
class QLabel;
class QScrollArea;

// Rules of the chord strip, apart from the window.
namespace chordstrip {

constexpr int kMaxAcross = 20;

// A strip higher than wide lays its diagrams out in a column.
bool isVertical(const QSizeF &window);
// The side of one diagram: the window's smaller side less 4 points.
double obtSize(const QSizeF &window);
// Diagrams shown: one per chord down a column, at most 20 across a row.
int cellCount(int nbChords, bool vertical);
// The chord names of a ";C;G;Am;" list, in order.
QStringList chordNames(const QString &listeAccords);
// Where the diagrams scroll; the tools take a band at the top of a column or
// at the right of a row.
QRectF scrollFrame(const QSizeF &window, bool toolsShown, bool vertical);

} // namespace chordstrip

// The chord strip (window type 14): one diagram per distinct chord of the
// ChordPro song in the Tolvane window it follows. Its instrument is the
// inherited fixPageNo (0 guitar, 1 ukulele, 2 piano) and its handedness
// typeMetro (1 right-handed). The song's own shapes and inversions win over
// the chord library.
class WindowChords : public AuxWindow, public ViewChordsSuperDelegate {
    Q_OBJECT
public:
    explicit WindowChords(QWidget *parent = nullptr);
    ~WindowChords() override;

    void windowDidLoad() override;
    QString obtenirTitle() const override;
    void refreshInfo() override;
    void iniColorForObj(qint64 slot, const QColor &color, bool refreshData) override;
    void iniMode(qint64 mode, const QString &aDir) override;
    void iniTypeMetro(qint64 type) override;
    void windowDidBecomeMain() override;
    void windowDidResignMain() override;
    void windowDidResize() override;
    WindowPDFxSuper *refTolvaneWin() const override { return refTolvaneWin_; }

    bool isVertical() const;
    double obtSize() const;
    // Follows the first Tolvane window bound like this strip, else the last one.
    void linkToTolvaneWin();
    // The followed window is still open; when it is not (and not only
    // checking), the strip binds afresh.
    bool isTolvaneWinOkVerifOnly(bool verifOnly);
    void refreshDataAndRefreshChords(bool reload);
    void ajusterSizeAndRefreshChords(bool reload);

    const QStringList &chordsArray() const { return chordsArray_; }
    int nbChords() const { return int(chordsArray_.size()); }
    // The diagrams shown, in order.
    QList<ViewChordsSuper *> diagrams() const;
    QScrollArea *scrollView() const { return mScrollView_; }

    // ViewChordsSuperDelegate
    bool viewChordsSuperIsToolsOn() const override { return chromeShown(); }
    void viewChordsSuperShowTools() override;
    WindowPDFxSuper *viewChordsRefTolvaneWin() const override;
    songfile::SongFileEdits *viewChordsSongEdits() override { return &songEdits_; }
    // An inversion written to the song has not answered yet.
    bool songEditing() const { return songEdits_.busy(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    ViewChordsSuper *diagramAt(int index);
    void placeTools();

    QScrollArea *mScrollView_ = nullptr;
    QWidget *content_ = nullptr;
    QLabel *labelHand_ = nullptr;
    QList<ViewChords *> fretViews_;
    QList<ViewChordsP *> pianoViews_;
    QPointer<WindowPDFxSuper> refTolvaneWin_;
    QStringList chordsArray_;
    bool gVertical_ = false;
    bool auMoinsUnRefreshInfo_ = false;
    // The followed song laid out once for its chord and definition lists.
    std::unique_ptr<ChordPro> song_;
    QString songText_;
    QString listeDefine_;
    QString listeDefineUk_;
    QString listeInversion_;
    songfile::SongFileEdits songEdits_{this};
};
