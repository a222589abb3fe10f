#pragma once

#include <QDialog>
#include <QStringList>

class ChordPro;
class QTableWidget;

// The transpose window: the song's key and chords moved by +6 to -6
// semitones, one row each, with automatic, flat or sharp accidentals. Enter
// on a row posts "ActionTranspose" for the editor.
class TransposeList : public QDialog {
    Q_OBJECT
public:
    explicit TransposeList(QWidget *parent = nullptr);

    // Fills the window for the editor's song and runs it modally.
    void showTransposeList(const ChordPro &document);
    // Everything showTransposeList does before the modal run.
    void remplir(const ChordPro &document);
    void refreshKeyChord();

    void actionAuto() { setPreference(0); }
    void actionBemol() { setPreference(1); }
    void actionDiese() { setPreference(2); }
    void actionEnterOnList();
    void closeWin();

    QTableWidget *mTable() const { return mTable_; }
    const QString &keyChord() const { return keyChord_; }
    qint64 prefBemolDiese() const { return prefBemolDiese_; }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void setPreference(int pref);
    void reload();

    QTableWidget *mTable_ = nullptr;
    bool chargementEnCours_ = false;
    QString cle_;
    QStringList chords_;
    QString keyChord_;
    qint64 prefBemolDiese_ = 0;
    qint64 previousSelectedRow_ = -1;
};
