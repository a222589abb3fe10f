#pragma once

#include "chordpro/ChordProOptions.h"
#include "chordpro/export/PdfRender.h"
#include "library/Pieces.h"
#include "platform/FileWork.h"
#include "platform/RegularFile.h"

#include <QDialog>
#include <QPointer>
#include <QSet>
#include <array>

class ColorWell;
class PopupJauge;
class QCheckBox;
class QColorDialog;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;
class WindowPDFxSuper;

// The ChordPro-to-PDF export window: paper, zoom, print scale, colours,
// chord diagrams and the version of each song, for mailing, printing,
// previewing or exporting the current song or the current tab. Its choices
// are kept under the "CProToPDF_" keys. Made once and kept; each request
// shows it modally (showWin). Every look at, read and write of a file runs
// off the main thread (platform::FileWork), one song at a time; the songs are
// laid out and painted on the main thread from the texts read.
class WinChordProToPDF : public QDialog, public ChordProOptions {
    Q_OBJECT
public:
    // Operation codes: what Proceed does.
    enum Oper { Mail = 0, Print = 1, Preview = 2, ExportTab = 3, ExportSong = 4 };

    // Which version of each song goes out, and the note policies with it.
    struct VersionSelection {
        qint64 altMode = 0;
        QString altDir;
        qint64 defNote = 0;
        qint64 defPDF = 0;
        qint64 defCHO = 0;
        qint64 defMsg = 0;
        bool includeMaster = true;
        bool includeNote = false;
    };

    // Whether a file is there, asked on the export's worker (QFileInfo::exists when none).
    using FileLook = std::function<bool(const QString &path)>;

    // `look` stands in for the file system's look at the song's versions in tests.
    explicit WinChordProToPDF(QWidget *parent = nullptr, FileLook look = {});
    ~WinChordProToPDF() override;

    // The one entry: refuses without a key Tolvane window; otherwise loads
    // the settings and runs the window modally.
    void showWin(qint64 oper, const QString &curDir);
    // showWin without the modal loop (the window is shown); false when refused.
    bool prepareShow(qint64 oper, const QString &curDir);

    // ---- Buttons and the fields they drive ----
    void actionProceed();
    void actionCancel();
    void actionSaveCustom();
    void actionZoomDefault();
    void actionScaleDefault();
    void zoomClick();
    void scaleClick();
    void zoomDidChange();
    void scaleDidChange();
    void actionlyricsOnly();

    // ---- Loading and saving ----
    void chargerDonnees();
    void chargerSettingsSelonComboSettings();
    void chargerDonneesSelonTolvaneWindow();
    void chargerDonneesCustom();
    void chargerDonneesDefault();
    void chargerDonneesDefaultBW();
    void remplirComboWinID();
    void sauvegarderDonnees();
    void sauvegarderDonneesCustom();

    // ---- Enabling rules ----
    void enableDisableIncludeMasters();
    void enableDisableZoom();
    void enableDisableAlignmentLyrics();
    void enableDisableComboInstrument();
    void enableDisableComboDirection();

    // ---- Export (WinChordProToPDFExport.cpp) ----
    // Mail, print or Preview of the current song.
    void exportPDF();
    // Asks for the folder, then exports the current song (true) or the tab.
    void exportMultiplePDF(bool currentSongOnly);
    void exportMultiplePDF_2(bool currentSongOnly, const QString &outDir);
    // The song file a selection exports for path: itself, its alternate, or
    // "". Looks at the file system: never on the main thread.
    static QString subsPath(const QString &path, const VersionSelection &selection, const FileLook &look = {});
    // An export to a folder is under way (its files may be held by a silent share).
    bool batchRunning() const;
    // Whether an answer of the file system is still to come.
    bool exporting() const;

    // ChordProOptions: the page takes the wells' colours and the bold boxes.
    bool chordsBold() const override;
    bool lyricsBold() const override;
    QColor color(chordpro::ColorRole role) const override;
    // The render settings the controls give now.
    pdfexport::PdfSettings settings() const;

    // ---- Controls (for the tests and the menus) ----
    qint64 oper() const { return oper_; }
    const QString &refCurDir() const { return refCurDir_; }
    const VersionSelection &version() const { return version_; }
    double zoomValue() const { return zoom_; }
    double scaleValue() const { return scale_; }
    QPushButton *buttonProceed() const { return buttonProceed_; }
    QPushButton *buttonCancel() const { return buttonCancel_; }
    QPushButton *buttonSaveCustom() const { return buttonSaveCustom_; }
    QPushButton *buttonZoomDefault() const { return buttonZoomDefault_; }
    QPushButton *buttonZoomEdit() const { return buttonZoomEdit_; }
    QPushButton *buttonScaleDefault() const { return buttonScaleDefault_; }
    QPushButton *buttonScaleEdit() const { return buttonScaleEdit_; }
    QCheckBox *buttonIncludeHeader() const { return buttonIncludeHeader_; }
    QCheckBox *buttonIncludeMaster() const { return buttonIncludeMaster_; }
    QCheckBox *buttonIncludeNote() const { return buttonIncludeNote_; }
    QCheckBox *buttonChordsBold() const { return buttonChordsBold_; }
    QCheckBox *buttonLyricsBold() const { return buttonLyricsBold_; }
    QCheckBox *buttonLyricsOnly() const { return buttonLyricsOnly_; }
    QCheckBox *buttonAutoBW() const { return buttonAutoBW_; }
    QDoubleSpinBox *buttonZoomStepper() const { return buttonZoomStepper_; }
    QDoubleSpinBox *buttonScaleStepper() const { return buttonScaleStepper_; }
    QLineEdit *zoomValueIn() const { return zoomValueIn_; }
    QLineEdit *scaleValueIn() const { return scaleValueIn_; }
    QComboBox *comboSettings() const { return comboSettings_; }
    QComboBox *comboFrame() const { return comboFrame_; }
    QComboBox *comboPaperSize() const { return comboPaperSize_; }
    QComboBox *comboOrientation() const { return comboOrientation_; }
    QComboBox *comboWinID() const { return comboWinID_; }
    QComboBox *comboChordDiagrams() const { return comboChordDiagrams_; }
    QComboBox *comboInstrument() const { return comboInstrument_; }
    QComboBox *comboDirection() const { return comboDirection_; }
    QComboBox *comboAlignment() const { return comboAlignment_; }
    QComboBox *comboAlignmentLyrics() const { return comboAlignmentLyrics_; }
    QLabel *labelAlignment() const { return labelAlignment_; }
    QLabel *labelAlignmentLyrics() const { return labelAlignmentLyrics_; }
    ColorWell *colorWell(int slot) const { return wells_.at(size_t(slot)); }
    PopupJauge *popupJaugeController() const;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // One batch export: everything it needs is taken when it starts, so a
    // folder reload or another export between its turns cannot redirect it.
    struct Job {
        QList<PiecesPtr> songs;
        QString dirOut;
        QString premierFichier;
        qint32 nbOut = 0;
        qint32 nbFileOut = 0;
        bool alternatePass = false;
        bool withAlternates = false;
        VersionSelection selection;
        pdfexport::PdfSettings settings;
        QSet<QString> written;
        QSet<QString> notesCopied;
        QStringList failures; // "file (why)", in the order met
        bool shown = false;   // a tab export, behind the progress popup
        PiecesPtr current;    // the song of the turn under way
    };

    void buildUi();
    void setZoom(double v);
    void setScale(double v);
    void setComboIndex(QComboBox *combo, qint64 index);
    void comboChanged(QComboBox *combo);
    void closeWin();
    VersionSelection selectionFromCombo() const;
    static void refreshDefNoteDefPDF(VersionSelection &selection);

    // One file a song sends into the folder, in the order met.
    struct Output {
        QString source;            // the song, its version or its note
        QString fileName;          // its name in the folder
        bool render = false;       // a ChordPro song laid out here; else copied as it is
        VersionSelection selection; // whose note the page header carries
        QString target;
        platform::FileBytes text;  // a render's song, read
        QByteArray pdf;            // a render's pages, to write
        bool written = false;
        QString failure;           // "file (why)" when it did not go out
    };
    // What a song's turn looks at, reads and copies (on the worker), then
    // lays out (here) and writes (on the worker again).
    struct SongTurn {
        QList<Output> outputs;
        QString note; // the note to copy once anything went out; "" for none
    };
    // The files a song sends for these selections: versions looked for,
    // copies made, song texts read. Runs on the worker.
    static QList<Output> gatherOutputs(const QString &file, const QList<VersionSelection> &selections,
                                       const QString &dirOut, QSet<QString> written, const FileLook &look);
    // Writes the rendered songs, then the note once anything went out. Runs on the worker.
    static void writeRenders(SongTurn &turn, const QString &dirOut, QSet<QString> written);
    static void renderOutputs(SongTurn &turn, const Job &job);
    void takeTurn(const SongTurn &turn);
    void exportSong(const QList<VersionSelection> &selections);
    static QList<VersionSelection> alternateSelections(const Job &job);
    // The two passes of a tab export: masters, then each song's alternates.
    void exportMultipleMaster();
    void exportMultipleAlt();
    // One song of the pass in progress per event-loop turn.
    void exportMultipleStep();
    void nextTurn();
    // The progress popup went away: the batch ends where it is.
    void batchWindowClosed();
    void finishBatch(Job &job);
    // Mail, print or Preview of the song found, once its text is read.
    struct Sheet;
    void handOverSheet(const Sheet &sheet);

    QPushButton *buttonProceed_ = nullptr;
    QPushButton *buttonCancel_ = nullptr;
    QPushButton *buttonSaveCustom_ = nullptr;
    QPushButton *buttonZoomDefault_ = nullptr;
    QPushButton *buttonZoomEdit_ = nullptr;
    QPushButton *buttonScaleDefault_ = nullptr;
    QPushButton *buttonScaleEdit_ = nullptr;
    QCheckBox *buttonIncludeHeader_ = nullptr;
    QCheckBox *buttonIncludeMaster_ = nullptr;
    QCheckBox *buttonIncludeNote_ = nullptr;
    QCheckBox *buttonChordsBold_ = nullptr;
    QCheckBox *buttonLyricsBold_ = nullptr;
    QCheckBox *buttonLyricsOnly_ = nullptr;
    QCheckBox *buttonAutoBW_ = nullptr;
    QDoubleSpinBox *buttonZoomStepper_ = nullptr;
    QDoubleSpinBox *buttonScaleStepper_ = nullptr;
    QLineEdit *zoomValueField_ = nullptr;
    QLineEdit *scaleValueField_ = nullptr;
    QLineEdit *zoomValueIn_ = nullptr;
    QLineEdit *scaleValueIn_ = nullptr;
    QComboBox *comboSettings_ = nullptr;
    QComboBox *comboFrame_ = nullptr;
    QComboBox *comboPaperSize_ = nullptr;
    QComboBox *comboOrientation_ = nullptr;
    QComboBox *comboWinID_ = nullptr;
    QComboBox *comboChordDiagrams_ = nullptr;
    QComboBox *comboInstrument_ = nullptr;
    QComboBox *comboDirection_ = nullptr;
    QComboBox *comboAlignment_ = nullptr;
    QComboBox *comboAlignmentLyrics_ = nullptr;
    QLabel *labelAlignment_ = nullptr;
    QLabel *labelAlignmentLyrics_ = nullptr;
    QColorDialog *colorPanel_ = nullptr;
    std::array<ColorWell *, pdfexport::SlotCount> wells_{};

    bool dataIsLoaded_ = false;
    bool sauvegardeForcee_ = false;
    bool comboSignalsOff_ = false;
    qint64 oper_ = 0;
    double zoom_ = 1.0;
    double scale_ = 0.96;
    QString refCurDir_;
    QPointer<WindowPDFxSuper> refWinPDF_;
    QPointer<PopupJauge> popupJaugeController_;
    VersionSelection version_;
    std::unique_ptr<Job> job_;
    FileLook look_;
    // Mail, print and Preview; the exports to a folder (ended with their popup).
    platform::FileWork sheetWork_;
    platform::FileWork folderWork_;
};
