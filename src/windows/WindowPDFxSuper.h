#pragma once

#include "platform/Clock.h"

#include <QColor>
#include <QSize>
#include <QString>
#include <QWidget>
#include <array>
#include <memory>
#include <optional>

class Pieces;
class PageRenderer;

// The base of every document window: the Tolvane window and the summary,
// title, track-time, gauge and chord strip windows. A frameless top-level
// widget that moves by its background. Its state is kept in plain members so
// the page arithmetic of the song push and of the own page step works (and is
// tested) without painting; the window classes redefine the refresh hooks.
class WindowPDFxSuper : public QWidget {
    Q_OBJECT
public:
    static constexpr int kColorSlots = 24;
    // Seconds a message stays up before the note comes back.
    static constexpr double kMessageSeconds = 3.0;
    // A notice is a sentence to read, not a cue to glance at.
    static constexpr double kNoticeSeconds = 8.0;

    explicit WindowPDFxSuper(qint64 winType = 0, QWidget *parent = nullptr);
    ~WindowPDFxSuper() override;

    // ---- Life cycle ---------------------------------------------------------
    // Colour and option defaults, then resetPDF. Subclasses call it first.
    virtual void windowDidLoad();
    // Forgets the song and page: the next push counts as a song change.
    virtual void resetPDF();
    virtual void windowDidBecomeMain();
    void windowWillEnterFullScreen() { fullScreen_ = true; }
    void windowDidExitFullScreen() { fullScreen_ = false; }
    // Titled, closable, resizable with the lights; bare resizable without.
    void ajusterStyleMask(bool avecLumieres);
    virtual QSize obtenirRefSize() const;
    virtual QString obtenirTitle() const;
    // The Tolvane window a chord strip is bound to; nullptr for other windows.
    virtual WindowPDFxSuper *refTolvaneWin() const { return nullptr; }

    // ---- Options that only store (the Tolvane window redefines several) -----
    void iniSinglePageForce(bool v) { singlePageForce_ = v; }
    void iniRatio21(bool v) { ratio21_ = v; }
    void iniChordProChordsBold(bool v) { chordProChordsBold_ = v; }
    void iniChordProLyricsBold(bool v) { chordProLyricsBold_ = v; }
    virtual void iniPageNoPDFHide(bool v) { pageNoPDFHide_ = v; }
    virtual void iniPageNoCHDHide(bool v) { pageNoCHDHide_ = v; }
    void iniKeywin(bool v) { keywin_ = v; }
    virtual void iniNoShadow(bool v) { noShadow_ = v; }
    void iniZoomOn(bool v) { zoomOn_ = v; }
    virtual void iniHideTitleElementTitle(bool v) { hideTitleElementTitle_ = v; }
    virtual void iniHideTitleElementTempo(bool v) { hideTitleElementTempo_ = v; }
    virtual void iniHideTitleElementNote(bool v) { hideTitleElementNote_ = v; }
    virtual void iniHideList(bool v) { hideList_ = v; }
    virtual void iniHideFrame(bool v) { hideFrame_ = v; }
    virtual void iniLyricsOnly(bool v) { lyricsOnly_ = v; }
    void iniSyncPageChanges(bool v) { syncPageChanges_ = v; }
    void iniPageUpDown(bool v) { pageUpdown_ = v; }
    void iniFixPageNo(qint64 v) { fixPageNo_ = v; }
    virtual void iniTransparent(bool on);
    void setTransparentOnOff() { iniTransparent(!transparent_); }
    virtual void iniAlwaysOnTop(bool on);
    void setAlwaysOnTopOnOff() { iniAlwaysOnTop(!alwaysOnTop_); }
    // Mode -1 goes back to the mode before; entering mode 1 remembers the mode left.
    virtual void iniModeAffichage(qint64 mode, bool refresh);
    virtual void iniTypeMetro(qint64 type);
    void setMetroType();

    // ---- Colour slots 0-23 --------------------------------------------------
    virtual void iniColorForObj(qint64 slot, const QColor &color, bool refreshData);
    // An invalid colour for a slot above 23.
    QColor colorForObj(qint64 slot) const;

    // ---- Window identifier binding ------------------------------------------
    virtual void iniMode(qint64 mode, const QString &aDir);
    void refreshDefNoteDefPDF();
    void selectNextDir();
    void toggleAltModeOnOff();
    // The file the window shows for a song (winid::versionPath: its own, its
    // version for the bound identifier, "" when the policy hides it) as its
    // renderer found it; nullopt until the renderer has answered, asked of it
    // when `ask` (its documentReady follows). The main thread never looks.
    std::optional<QString> versionShown(const QString &path, bool ask, bool ahead = false) const;
    // What finds the window's song files; none for a window that shows no song file.
    virtual PageRenderer *pageRenderer() const { return nullptr; }
    // Asks the controller to reload the current song into every window.
    void refreshTous();

    // ---- Page state ---------------------------------------------------------
    // The controller's push of song and page, on every song or page change.
    void setPDF(const std::shared_ptr<Pieces> &piece, qint64 pageNo, bool zoomTop, bool zoomOn, qint64 currSort,
                const std::shared_ptr<Pieces> &pieceNext, bool autom);
    // The page step of a window that does not follow the global page.
    virtual void pageUpDown(bool forward);
    void refreshZoomOn();
    void refreshPieceNext(const std::shared_ptr<Pieces> &piece);
    void refreshFlags();

    // ---- Messages, notes, metronome, track ----------------------------------
    virtual void setMsg(const QString &msg, const QString &forWinID, bool stay);
    // Whether the window shows a message sent to forWinID (empty: to all).
    virtual bool takesMessage(const QString & /*forWinID*/) const { return false; }
    // The rule of a window that shows messages: bound to an identifier with
    // message policy 1, it ignores those sent to all.
    bool policyTakes(const QString &forWinID) const { return !forWinID.isEmpty() || defMsg() != 1; }
    // A failure or a kept copy the performer must read holds the message line
    // for kNoticeSeconds or until the next song: refreshes meanwhile show
    // it again instead of the note. A newer message takes the line. Paths in
    // it are shown by their names (the caller logs the whole text); a notice
    // the window shows in parts holds the line kNoticeSeconds for each. One
    // held until ended says a state: it stays (its parts shown in turn) until
    // endNotice(text), whatever song is shown, and takes the line back from a
    // newer message or notice that goes before it; ending it ends no other.
    void showNotice(const QString &text, bool untilEnded = false);
    // A notice of no song (what the last run kept) is read through its parts
    // whatever song comes: only its time, or a newer message, ends it.
    void showNoticeOfNoSong(const QString &text);
    void endNotice(const QString &text);
    void startTimerMsg();
    bool messageTimerActive() const { return msgTimer_.isActive(); }
    virtual void refreshNote(bool flag);
    virtual void refreshPiece();
    virtual void updateItunesInfo(const QString &title, const QString &artist, double curPos, double maxPos,
                                  bool masquer);

    // ---- Hooks the window classes fill in (nothing in the base) -------------
    virtual void refreshPosTitleElements() {}
    virtual void ajusterSelonModeAffichageWithRefresh(bool /*refresh*/) {}
    virtual void setButtonStateForOnglet(qint64 /*state*/, const QString & /*label*/, qint64 /*onglet*/) {}
    virtual void refreshTocLabel1() {}
    virtual void setTocLabel2(const QString & /*text*/) {}
    virtual void setItemStateForItem(qint64 /*state*/, const std::shared_ptr<Pieces> & /*piece*/, qint64 /*item*/) {}
    virtual void updateMetroWithNbTick(qint64 /*nbTick*/, bool /*masquer*/, bool /*reset*/) {}
    virtual void updateRechInfo(bool /*white*/, bool /*masquer*/, const QString & /*rech*/) {}
    virtual void updateRechInfo2(const QString & /*text*/) {}
    virtual void ajusterDimmer(double /*dimmerAlpha*/, double /*inactAlpha*/) {}
    virtual void traiterAfficherMasquerOnglets() {}
    virtual void afficherMasquerOnglets(bool show) { ongletsVisibles_ = show; }
    virtual void afficherToc(bool /*show*/) {}
    virtual void masquerObjet() {}
    virtual void afficherZoomHaut(bool /*forced*/) {}
    virtual void afficherZoomBas(bool /*forced*/) {}
    virtual void ajusterCadre() {}
    virtual void ajusterPosButtonToc() {}
    virtual void refreshInfo() {}
    virtual void refreshTempo() {}
    virtual void refreshCue() {}
    virtual void refreshPDF() {}
    virtual void refreshPageNo() {}

    // ---- Fields -------------------------------------------------------------
    qint64 winType() const { return winType_; }
    void setWinType(qint64 v) { winType_ = v; }
    qint64 modeAffichage() const { return modeAffichage_; }
    void setModeAffichage(qint64 v) { modeAffichage_ = v; }
    qint64 modeAffichagePrec() const { return modeAffichagePrec_; }
    void setModeAffichagePrec(qint64 v) { modeAffichagePrec_ = v; }
    bool fullScreen() const { return fullScreen_; }
    void setFullScreen(bool v) { fullScreen_ = v; }
    bool ongletsVisibles() const { return ongletsVisibles_; }
    void setOngletsVisibles(bool v) { ongletsVisibles_ = v; }
    bool singlePageForce() const { return singlePageForce_; }
    void setSinglePageForce(bool v) { singlePageForce_ = v; }
    bool ratio21() const { return ratio21_; }
    void setRatio21(bool v) { ratio21_ = v; }
    bool keywin() const { return keywin_; }
    void setKeywin(bool v) { keywin_ = v; }
    bool noShadow() const { return noShadow_; }
    void setNoShadow(bool v) { noShadow_ = v; }
    bool hideTitleElementTitle() const { return hideTitleElementTitle_; }
    void setHideTitleElementTitle(bool v) { hideTitleElementTitle_ = v; }
    bool hideTitleElementTempo() const { return hideTitleElementTempo_; }
    void setHideTitleElementTempo(bool v) { hideTitleElementTempo_ = v; }
    bool hideTitleElementNote() const { return hideTitleElementNote_; }
    void setHideTitleElementNote(bool v) { hideTitleElementNote_ = v; }
    bool hideList() const { return hideList_; }
    void setHideList(bool v) { hideList_ = v; }
    bool hideFrame() const { return hideFrame_; }
    void setHideFrame(bool v) { hideFrame_ = v; }
    bool lyricsOnly() const { return lyricsOnly_; }
    void setLyricsOnly(bool v) { lyricsOnly_ = v; }
    bool syncPageChanges() const { return syncPageChanges_; }
    void setSyncPageChanges(bool v) { syncPageChanges_ = v; }
    qint64 nbrPages() const { return nbrPages_; }
    void setNbrPages(qint64 v) { nbrPages_ = v; }
    qint64 fixPageNo() const { return fixPageNo_; }
    void setFixPageNo(qint64 v) { fixPageNo_ = v; }
    qint64 altMode() const { return altMode_; }
    void setAltMode(qint64 v) { altMode_ = v; }
    bool altModeOff() const { return altModeOff_; }
    bool altModeOk() const { return altModeOk_; }
    void setAltModeOk(bool v) { altModeOk_ = v; }
    const QString &altDir() const { return altDir_; }
    void setAltDir(const QString &v) { altDir_ = v; }
    qint64 defNote() const { return defNote_; }
    void setDefNote(qint64 v) { defNote_ = v; }
    qint64 defPDF() const { return defPDF_; }
    void setDefPDF(qint64 v) { defPDF_ = v; }
    qint64 defCHO() const { return defCHO_; }
    void setDefCHO(qint64 v) { defCHO_ = v; }
    qint64 defMsg() const { return defMsg_; }
    void setDefMsg(qint64 v) { defMsg_ = v; }
    const std::shared_ptr<Pieces> &pieceCour() const { return pieceCour_; }
    void setPieceCour(const std::shared_ptr<Pieces> &v) { pieceCour_ = v; }
    const std::shared_ptr<Pieces> &pieceNext() const { return pieceNext_; }
    void setPieceNext(const std::shared_ptr<Pieces> &v) { pieceNext_ = v; }
    // The song a step back would show, pushed before each setPDF: its pages are rendered ahead.
    const std::shared_ptr<Pieces> &piecePrev() const { return piecePrev_; }
    void setPiecePrev(const std::shared_ptr<Pieces> &v) { piecePrev_ = v; }
    // The song after the next, pushed the same way: what a one-page next song shows beside it.
    const std::shared_ptr<Pieces> &pieceAfterNext() const { return pieceAfterNext_; }
    void setPieceAfterNext(const std::shared_ptr<Pieces> &v) { pieceAfterNext_ = v; }
    bool zoomTop() const { return zoomTop_; }
    bool seconds30() const { return seconds30_; }
    bool zoomOn() const { return zoomOn_; }
    bool inactAdroite() const { return inactAdroite_; }
    bool inactAgauche() const { return inactAgauche_; }
    bool playing() const { return playing_; }
    qint64 pageNoCour() const { return pageNoCour_; }
    void setPageNoCour(qint64 v) { pageNoCour_ = v; }
    qint64 pageNoCourOrig() const { return pageNoCourOrig_; }
    void setPageNoCourOrig(qint64 v) { pageNoCourOrig_ = v; }
    qint64 currentSort() const { return currentSort_; }
    qint64 typeMetro() const { return typeMetro_; }
    void setTypeMetro(qint64 v) { typeMetro_ = v; }
    bool transparent() const { return transparent_; }
    void setTransparent(bool v) { transparent_ = v; }
    bool alwaysOnTop() const { return alwaysOnTop_; }
    void setAlwaysOnTop(bool v) { alwaysOnTop_ = v; }
    bool aTraiter() const { return aTraiter_; }
    void setATraiter(bool v) { aTraiter_ = v; }
    bool chordProChordsBold() const { return chordProChordsBold_; }
    void setChordProChordsBold(bool v) { chordProChordsBold_ = v; }
    bool chordProLyricsBold() const { return chordProLyricsBold_; }
    void setChordProLyricsBold(bool v) { chordProLyricsBold_ = v; }
    bool pageNoPDFHide() const { return pageNoPDFHide_; }
    void setPageNoPDFHide(bool v) { pageNoPDFHide_ = v; }
    bool pageNoCHDHide() const { return pageNoCHDHide_; }
    void setPageNoCHDHide(bool v) { pageNoCHDHide_ = v; }
    bool pageUpdown() const { return pageUpdown_; }
    void setPageUpdown(bool v) { pageUpdown_ = v; }

    // The 24 colour slots, addressed by number by the screen sets and the inspector.
    enum ColorSlot {
        kActColor = 0, kBackColor = 1, kInactColor = 2, kMetroColor = 3, kHighColor = 4, kPdfColor = 5,
        kListColor = 6, kTabsActColor = 7, kTabsActBackColor = 8, kTabsInactColor = 9, kTabsInactBackColor = 10,
        kRefFrameColor = 11, kRefMarkerColor = 12, kListHighColor = 13, kListSectColor = 14,
        kChordProChordsColor = 15, kChordProLyricsColor = 16, kChordProCommentsColor = 17,
        kChordProCommentsBackColor = 18, kChordProBackgroundColor = 19, kChordProBarColor = 20,
        kPageNoPDFColor = 21, kPageNoCHDColor = 22, kChordProLyricsHighColor = 23
    };
    QColor actColor() const { return colors_[kActColor]; }
    QColor backColor() const { return colors_[kBackColor]; }
    QColor inactColor() const { return colors_[kInactColor]; }
    QColor metroColor() const { return colors_[kMetroColor]; }
    QColor highColor() const { return colors_[kHighColor]; }
    QColor pdfColor() const { return colors_[kPdfColor]; }
    QColor listColor() const { return colors_[kListColor]; }
    QColor listHighColor() const { return colors_[kListHighColor]; }
    QColor listSectColor() const { return colors_[kListSectColor]; }
    QColor tabsActColor() const { return colors_[kTabsActColor]; }
    QColor tabsActBackColor() const { return colors_[kTabsActBackColor]; }
    QColor tabsInactColor() const { return colors_[kTabsInactColor]; }
    QColor tabsInactBackColor() const { return colors_[kTabsInactBackColor]; }
    QColor refFrameColor() const { return colors_[kRefFrameColor]; }
    QColor refMarkerColor() const { return colors_[kRefMarkerColor]; }
    QColor chordProChordsColor() const { return colors_[kChordProChordsColor]; }
    QColor chordProLyricsColor() const { return colors_[kChordProLyricsColor]; }
    QColor chordProLyricsHighColor() const { return colors_[kChordProLyricsHighColor]; }
    QColor chordProCommentsColor() const { return colors_[kChordProCommentsColor]; }
    QColor chordProCommentsBackColor() const { return colors_[kChordProCommentsBackColor]; }
    QColor chordProBackgroundColor() const { return colors_[kChordProBackgroundColor]; }
    QColor chordProBarColor() const { return colors_[kChordProBarColor]; }
    QColor pageNoPDFColor() const { return colors_[kPageNoPDFColor]; }
    QColor pageNoCHDColor() const { return colors_[kPageNoCHDColor]; }
    void setBackColor(const QColor &c) { colors_[kBackColor] = c; }

    // The edges of a window of this size that a press at p resizes.
    static Qt::Edges resizeEdgesAt(const QPoint &p, const QSize &size);

signals:
    // The window accepted a close and is about to go (the window list drops it).
    void windowWillClose(WindowPDFxSuper *window);

protected:
    // The notice holding the message line, or "": what a note refresh shows.
    const QString &heldNotice() const { return notice_; }
    // The message on the line until its seconds are up (a message that stays:
    // until the next song) or another comes, or "": what a note refresh shows
    // when no notice holds the line.
    const QString &message() const { return message_; }
    // The parts the window shows the held notice in, and the one on show.
    virtual int noticePartCount() const { return 1; }
    int noticePart() const { return noticePart_; }
    // The page state written by the push and the step; for the window classes.
    void setZoomTopState(bool v) { zoomTop_ = v; }
    void setInactFlags(bool gauche, bool droite) { inactAgauche_ = gauche; inactAdroite_ = droite; }
    // Window moves by its background.
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    // Subclasses that redefine it call it last, so an accepted close is announced.
    void closeEvent(QCloseEvent *event) override;

private:
    void applyBackground();
    void hideMsg();
    // Puts the notice (as shown) on the message line, without refreshing it.
    void holdLine(const QString &shown, bool untilEnded);

    qint64 winType_ = 0;
    qint64 modeAffichage_ = 0;
    qint64 modeAffichagePrec_ = 0;
    bool fullScreen_ = false;
    bool ongletsVisibles_ = true;
    bool singlePageForce_ = false;
    bool ratio21_ = false;
    bool keywin_ = false;
    bool noShadow_ = false;
    bool hideTitleElementTitle_ = false;
    bool hideTitleElementTempo_ = false;
    bool hideTitleElementNote_ = false;
    bool hideList_ = false;
    bool hideFrame_ = false;
    bool lyricsOnly_ = false;
    bool syncPageChanges_ = true;
    qint64 nbrPages_ = 1;
    qint64 fixPageNo_ = 0;
    qint64 altMode_ = 0;
    bool altModeOff_ = false;
    bool altModeOk_ = false;
    QString altDir_;
    qint64 defNote_ = 0;
    qint64 defPDF_ = 0;
    qint64 defCHO_ = 0;
    qint64 defMsg_ = 0;
    std::shared_ptr<Pieces> pieceCour_;
    std::shared_ptr<Pieces> pieceNext_;
    std::shared_ptr<Pieces> piecePrev_;
    std::shared_ptr<Pieces> pieceAfterNext_;
    bool zoomTop_ = true;
    bool seconds30_ = false;
    bool zoomOn_ = false;
    bool inactAdroite_ = false;
    bool inactAgauche_ = false;
    bool playing_ = false;
    qint64 pageNoCour_ = 0;
    qint64 pageNoCourOrig_ = 0;
    qint64 currentSort_ = 0;
    qint64 typeMetro_ = 1;
    bool transparent_ = false;
    bool alwaysOnTop_ = false;
    bool aTraiter_ = false;
    std::array<QColor, kColorSlots> colors_;
    bool chordProChordsBold_ = false;
    bool chordProLyricsBold_ = false;
    bool pageNoPDFHide_ = false;
    bool pageNoCHDHide_ = false;
    platform::Timer msgTimer_;
    QString notice_;
    QString message_;
    // The notices held until ended, as shown, the latest last.
    QStringList held_;
    int noticePart_ = 0;
    // The song the notice belongs to (its file) and the library it is in.
    QString noticeSong_;
    QString noticeLibrary_;
    bool noticeOfNoSong_ = false;
    bool pageUpdown_ = false;

    QPoint dragOffset_;
    bool dragging_ = false;
};
