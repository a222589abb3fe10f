#pragma once

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The trigger-source cell of a trigger row: the kind of message (item 0 is
// "listening") and its values. A user's change posts "EventUpdateRow"
// (or "EventListen" for item 0) with the view as object; changes made in
// code post nothing.
class ViewTrigSource : public QWidget {
    Q_OBJECT
public:
    explicit ViewTrigSource(QWidget *parent = nullptr);

    // Shows a type 0-6 (0: listening, with its Cancel button).
    void setValComboSource(int type);
    // The three values, empty when negative.
    void setValues(qint64 v1, qint64 v2, qint64 v3);
    // The value of a field: -1 when empty.
    qint64 value(int field) const;
    int type() const;
    // Ends listening: the type shown before comes back.
    void actionCancel();
    // The type the user picked (as the combo's activation does).
    void chooseType(int type);

    qint64 row() const { return row_; }
    void setRow(qint64 row) { row_ = row; }
    int comboSourceValPrec() const { return comboSourceValPrec_; }
    QComboBox *comboSource() const { return comboSource_; }
    QLineEdit *val(int field) const { return vals_[field - 1]; }
    QPushButton *boutCancel() const { return boutCancel_; }
    QLabel *box1() const { return box1_; }

private:
    void notify(bool listen);

    qint64 row_ = -1;
    int comboSourceValPrec_ = 1;
    QComboBox *comboSource_ = nullptr;
    QLineEdit *vals_[3] = {};
    QLabel *box1_ = nullptr;
    QPushButton *boutCancel_ = nullptr;
};

// The action cell of a trigger row: the action (0-36) and its text, shown
// for the actions that read one.
class ViewTrigAction : public QWidget {
    Q_OBJECT
public:
    explicit ViewTrigAction(QWidget *parent = nullptr);

    void setValComboAction(int action);
    void setText(const QString &text);
    int action() const;
    QString text() const;
    // The action the user picked: its text is emptied.
    void chooseAction(int action);

    qint64 row() const { return row_; }
    void setRow(qint64 row) { row_ = row; }
    QComboBox *comboAction() const { return comboAction_; }
    QLineEdit *val1() const { return val1_; }

private:
    void notify();

    qint64 row_ = -1;
    QComboBox *comboAction_ = nullptr;
    QLineEdit *val1_ = nullptr;
};
