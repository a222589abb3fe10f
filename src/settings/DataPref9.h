#pragma once

#include <QWidget>

class QComboBox;

// The tag filter: a one-field prompt whose text (a tag chosen or any typed
// text) becomes the song-list filter, applied by command 85 when the edit
// ends: Return, Tab, or the field losing the focus.
class DataPref9 : public QWidget {
    Q_OBJECT
public:
    explicit DataPref9(QWidget *parent = nullptr);
    ~DataPref9() override;

    void showDataPref9();
    // The edit of the field ended: the text becomes the filter.
    void refreshSelonFiltres();
    // Closes without changing the filter.
    void actionButtonEscape();
    QComboBox *combo() const { return comboFiltreTags_; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QComboBox *comboFiltreTags_ = nullptr;
    bool dataIsLoaded_ = false;
};
