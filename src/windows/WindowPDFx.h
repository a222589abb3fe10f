#pragma once

#include "chordpro/ChordProOptions.h"
#include "platform/Clock.h"
#include "windows/PDFViewRedef.h"
#include "windows/PagePlan.h"
#include "windows/PageRenderer.h"
#include "windows/TitleRowRules.h"
#include "windows/WindowPDFxSuper.h"

#include <array>
#include <memory>

class BarreOnglets;
class ChordPro;
class DimmerBox;
class QLabel;
class QPushButton;
class TitleRow;
class ViewKeys;
class ViewToc;

// The Tolvane window (window type 0): the stage window showing the current
// song's pages in one of its display modes. Four pane sets (left, right,
// single, zoom); PDF pages come from the window's own renderer, rendered
// off the main thread and ahead of need; ChordPro pages are laid out by the
// window's two ChordPro documents (current and next song) from the files
// the renderer read. Until the library folder answers for the current
// song's file, the panes wait, and say so once it keeps silent.
class WindowPDFx : public WindowPDFxSuper, public ChordProOptions {
    Q_OBJECT
public:
    // `look` stands in for the file system in tests (PageRenderer).
    explicit WindowPDFx(QWidget *parent = nullptr, PageRenderer::FileLook look = {});
    ~WindowPDFx() override;

    // ---- WindowPDFxSuper ------------------------------------------------------
    void windowDidLoad() override;
    void refreshPiece() override;
    // Its chord strips forget their song too.
    void resetPDF() override;
    void refreshPDF() override;
    void ajusterSelonModeAffichageWithRefresh(bool refresh) override;
    void afficherZoomHaut(bool forced) override;
    void afficherZoomBas(bool forced) override;
    void ajusterCadre() override;
    void ajusterDimmer(double dimmerAlpha, double inactAlpha) override;
    void iniColorForObj(qint64 slot, const QColor &color, bool refreshData) override;
    void iniLyricsOnly(bool v) override;
    void iniHideFrame(bool v) override;
    void iniPageNoPDFHide(bool v) override;
    void iniPageNoCHDHide(bool v) override;
    void iniNoShadow(bool v) override;
    void pageUpDown(bool forward) override;
    void setMsg(const QString &msg, const QString &forWinID, bool stay) override;
    bool takesMessage(const QString &forWinID) const override;
    void refreshNote(bool flag) override;
    void refreshInfo() override;
    void afficherMasquerOnglets(bool show) override;
    QSize obtenirRefSize() const override;
    QString obtenirTitle() const override;

    // ---- Title row, lights, count-in, search (WindowPDFxTitle.cpp) -------------
    void refreshLabels();
    QString obtenirIconeMenuGenre() const;
    void refreshTempo() override;
    void updateItunesInfo(const QString &title, const QString &artist, double curPos, double maxPos,
                          bool masquer) override;
    void updateMetroWithNbTick(qint64 nbTick, bool masquer, bool reset) override;
    void afficherCount();
    void updateRechInfo(bool white, bool masquer, const QString &rech) override;
    void updateRechInfo2(const QString &text) override;
    void masquerObjet() override;
    void hideTitleElements();
    void iniHideTitleElementTitle(bool v) override;
    void iniHideTitleElementTempo(bool v) override;
    void iniHideTitleElementNote(bool v) override;
    void refreshPosTitleElements() override;
    void ajusterPosMetro();
    // Nib actions of the title row and the list header.
    void actionEV(int tag);
    void actionButtonListe();
    void actionButtonFiltre();
    void actionButtonExport();
    void actionOuvrirNote();
    void actionDir();

    // ---- Tab bars and song list (WindowPDFxToc.cpp) ------------------------------
    void iniHideList(bool v) override;
    void traiterAfficherMasquerOnglets() override;
    void setButtonStateForOnglet(qint64 state, const QString &label, qint64 onglet) override;
    void refreshTocLabel1() override;
    void setTocLabel2(const QString &text) override;
    void setItemStateForItem(qint64 state, const std::shared_ptr<Pieces> &piece, qint64 item) override;
    void afficherToc(bool show) override;
    void refreshPosViewToc();
    void refreshPosViewSup();
    void ajusterPosButtonToc() override;
    // The on-screen key pad over the foot of the pages.
    void afficherMasquerKeyPad(bool show);

    TitleRow *titleRow() const { return titleRow_; }
    BarreOnglets *barreOngletsGauche() const { return barreOngletsGauche_; }
    BarreOnglets *barreOngletsDroite() const { return barreOngletsDroite_; }
    ViewToc *viewTocGauche() const { return viewTocGauche_; }
    ViewToc *viewTocDroite() const { return viewTocDroite_; }
    QWidget *tocView() const { return tocView_; }
    QWidget *tocViewEnteteGauche() const { return tocViewEnteteGauche_; }
    QLabel *labelToc1() const { return labelToc1_; }
    QLabel *labelToc2() const { return labelToc2_; }
    QPushButton *buttonListe() const { return buttonListe_; }
    QPushButton *buttonFiltre() const { return buttonFiltre_; }
    QPushButton *buttonExport() const { return buttonExport_; }
    DimmerBox *boxDimmer() const { return boxDimmer_; }
    ViewKeys *keyView() const { return keyView_; }

    // ---- Page display ---------------------------------------------------------
    void unHidePDF();
    void ajusterMarqueurZoom();
    void ajusterBoxInact();
    void refreshPageNoAttributes();
    // The current song's file after substitution; "" until the library folder
    // has answered which version it is.
    QString currentFile() const { return curPath_; }
    // Says in the message line why the current song cannot be shown; the
    // text stays while the song does.
    void showSongProblem(const QString &path, const QString &reason);
    const QString &songProblem() const { return songProblem_; }
    // The mode the panes follow: mode 0 pages as mode 4 in the Mute genre
    // when the window follows the global page.
    qint64 effectiveMode() const;
    // The resize rule (during and at the end of a live resize).
    void windowDidResize();
    void windowDidEndLiveResize();

    // ---- ChordProOptions --------------------------------------------------------
    bool chordsBold() const override { return chordProChordsBold(); }
    bool lyricsBold() const override { return chordProLyricsBold(); }
    bool gapOption() const override;
    QColor color(chordpro::ColorRole role) const override;

    // ---- State, for the views and the tests ------------------------------------
    PDFViewRedef *pane(PDFViewRedef::Role role) const { return panes_[static_cast<size_t>(role)]; }
    PageRenderer &renderer() const { return *renderer_; }
    PageRenderer *pageRenderer() const override { return renderer_.get(); }
    ChordPro *chordProDocument() const { return chordProDocument_.get(); }
    ChordPro *chordProDocumentNext() const { return chordProDocumentNext_.get(); }
    qint32 typeFichierCour() const { return typeFichierCour_; }
    qint32 typeFichierNext() const { return typeFichierNext_; }
    qint64 savePageNo1() const { return savePageNo1_; }
    qint64 savePageNo2() const { return savePageNo2_; }
    bool didLoadOk() const { return didLoadOk_; }
    qint64 ongletAct() const { return ongletAct_; }
    bool boxInactGaucheShown() const { return boxInactGaucheShown_; }
    bool boxInactDroiteShown() const { return boxInactDroiteShown_; }
    double inactAlpha() const { return inactAlpha_; }
    double dimmerAlpha() const { return dimmerAlpha_; }
    bool cadreShown() const { return cadreShown_; }
    QRect cadreRect() const { return cadreRect_; }
    bool labelsShown() const { return labelsShown_; }
    QColor labelColor() const { return labelColor_; }
    bool markerLineShown() const { return markerLineShown_; }
    bool marker1Shown() const { return marker1Shown_; }
    bool marker2Shown() const { return marker2Shown_; }
    QString titleText() const;
    QString noteText() const;
    // The area the panes share, below the title row and between the tab bars.
    QRect pageArea() const;
    // A page of a ChordPro song drawn into a pane.
    void paintChordProPage(QPainter &painter, const QRectF &target, const PDFViewRedef::Content &content,
                           PDFViewRedef::Role role);
    // Page count of a ChordPro document laid out for a pane.
    qint64 chordProPageCount(bool nextSong, PDFViewRedef::Role role);
    // The whole ChordPro page as the half-page band of this size holds it.
    QSizeF chordProZoomPageSize(bool nextSong, const QSizeF &band) const;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    static int modeCode(PDFViewRedef::Role role, qint64 mode);
    void buildOverlays();
    void layoutOverlays();
    void placeRechBox();
    void setTitleRowColors();
    // Places the message line: a held notice reads from its first word, in
    // the note's place when it fits there, else across the title row in parts,
    // after the song's name.
    void placeMessageLine();
    int noticePartCount() const override;
    QStringList noticeLines() const;
    QRect rowAcrossRect() const;
    QRect noticeAcrossRect() const;
    bool tocLayerShown() const;
    void layoutPanes();
    void applyPane(PDFViewRedef::Role role, const pageplan::Pane &pane);
    // The files of the current, next and previous songs as far as the
    // renderer knows them; true when the current song's text came just now.
    bool takeSongFiles();
    std::optional<QString> fileOf(const std::shared_ptr<Pieces> &piece, bool ahead);
    void rememberShown(const QString &song, const QString &shown);
    void updateNextSong();
    // The next song's file cannot be shown.
    bool nextUnreadable();
    void renderAhead();
    // The current song's file has not answered yet: the panes wait.
    void waitForSong();
    void sayNoAnswer();
    void documentReady(const QString &path);
    void fileChanged(const QString &path);
    void pageReady(const QString &path, int page);
    // Late words are held on the title row only while they are true of the
    // panes (WindowPDFxTitle.cpp): the next page, load or song ends them.
    void sayLate(const QString &words, PageRenderer::Late why);
    void endLateWordsPast();
    titlerules::PagesOnScreen pagesOnScreen();
    QSize paneSizeForRole(PDFViewRedef::Role role) const;
    QSize pixelSizeFor(const QString &path, qint64 page, PDFViewRedef::Role role);
    // The page a song's first pane shows and the pane it is fitted into, drawn with
    // the song's load; none where the pane shows part of a page (the half-page zoom).
    PageRenderer::FirstPage firstPageShown() const;
    PageRenderer::FirstPage firstPageIn(PDFViewRedef::Role role, qint64 page) const;
    QString pathOf(const std::shared_ptr<Pieces> &piece);

    std::array<PDFViewRedef *, 4> panes_{};
    std::unique_ptr<PageRenderer> renderer_;
    std::unique_ptr<ChordPro> chordProDocument_;
    std::unique_ptr<ChordPro> chordProDocumentNext_;
    QWidget *cadre_ = nullptr; // the frame (boxCadre)
    TitleRow *titleRow_ = nullptr;
    BarreOnglets *barreOngletsGauche_ = nullptr;
    BarreOnglets *barreOngletsDroite_ = nullptr;
    QWidget *tocView_ = nullptr;
    QWidget *tocViewEnteteGauche_ = nullptr;
    QLabel *labelToc1_ = nullptr;
    QLabel *labelToc2_ = nullptr;
    QPushButton *buttonListe_ = nullptr;
    QPushButton *buttonFiltre_ = nullptr;
    QPushButton *buttonExport_ = nullptr;
    ViewToc *viewTocGauche_ = nullptr;
    ViewToc *viewTocDroite_ = nullptr;
    DimmerBox *boxDimmer_ = nullptr;
    ViewKeys *keyView_ = nullptr;

    qint32 typeFichierCour_ = 0;
    qint32 typeFichierNext_ = 0;
    qint64 savePageNo1_ = 0;
    qint64 savePageNo2_ = 0;
    bool didLoadOk_ = false;
    qint64 ongletAct_ = 1;

    QString curPath_;
    QString nextPath_;
    QString prevPath_;       // the song a step back shows
    QString afterPath_;      // the song after the next shows
    // The songs shown last and the files shown for them, the current one last.
    QList<QPair<QString, QString>> recentPaths_;
    // The current song and the three before it keep their documents and opening pages.
    static constexpr int kRecentSongs = 4;
    // The library folder has answered which file the current song shows.
    bool curFound_ = true;
    // The current ChordPro document holds the current song's text.
    bool curLoaded_ = false;
    // 0 for a PDF, 1 for a ChordPro song (or none).
    static qint32 fileKind(const QString &path);
    std::shared_ptr<Pieces> nextPieceShown_;
    // The next song's file is known, and its text read for a ChordPro song.
    bool nextKnown_ = false;
    bool waitingForDocument_ = false;
    // The current PDF said to be slow to open: the panes are laid out meanwhile
    // as for a song of one page, so the next song shows beside it.
    QString slowToOpen_;
    // The late words last said, what they claim, and of which song.
    QString lateWords_;
    QString lateSong_;
    titlerules::LateClaim lateClaim_ = titlerules::LateClaim::Loading;
    // Looks at the renderer's silence while the song waits, to say it in the panes.
    platform::Timer noAnswer_;

    bool boxInactGaucheShown_ = false;
    bool boxInactDroiteShown_ = false;
    double inactAlpha_ = 0.5;
    double dimmerAlpha_ = 0.0;
    bool cadreShown_ = false;
    QRect cadreRect_;
    bool labelsShown_ = false;
    QColor labelColor_;
    bool markerLineShown_ = false;
    bool marker1Shown_ = false;
    bool marker2Shown_ = false;
    QString songProblem_;
    QString problemShown_; // as it fits the title row
    // Where the title row's layout puts the note (a notice may take more).
    QRect notePlace_;

    platform::Timer liveResizeEnd_;
    platform::Timer unhide_;

    friend class PDFViewRedef;
};
