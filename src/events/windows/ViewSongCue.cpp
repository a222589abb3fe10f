#include "events/windows/ViewSongCue.h"

#include "library/Data.h"
#include "midi/Midi.h"

#include <QAbstractItemView>
#include <QHBoxLayout>
#include <QSignalBlocker>

using namespace cuerow;

namespace {

QLineEdit *field(QWidget *parent, int width)
{
    auto *f = new QLineEdit(parent);
    if (width > 0)
        f->setFixedWidth(width);
    return f;
}

void setTextColour(QLineEdit *f, const QColor &c)
{
    QPalette p = f->palette();
    p.setColor(QPalette::Text, c);
    f->setPalette(p);
}

} // namespace

ViewSongCue::ViewSongCue(QWidget *parent) : QWidget(parent)
{
    setAutoFillBackground(true);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(4);
    mmss_ = field(this, 58);
    mmss_->setPlaceholderText(QStringLiteral("mm:ss"));
    comboAction_ = new QComboBox(this);
    comboAction_->setFixedWidth(180);
    val1a_ = field(this, 56);
    val1b_ = field(this, 56);
    val1c_ = field(this, 56);
    comboFavID_ = new QComboBox(this);
    comboFavID_->setMinimumWidth(90);
    val1_ = field(this, 0);
    val2_ = field(this, 0);
    val2_->hide();
    comboWinID_ = new QComboBox(this);
    comboWinID_->setFixedWidth(130);
    for (QWidget *w : {static_cast<QWidget *>(mmss_), static_cast<QWidget *>(comboAction_),
                       static_cast<QWidget *>(val1a_), static_cast<QWidget *>(val1b_),
                       static_cast<QWidget *>(val1c_)})
        layout->addWidget(w);
    layout->addWidget(comboFavID_, 1);
    layout->addWidget(val1_, 2);
    // Takes the room of a row of fixed-width fields only, so no field leaves its column.
    layout->addStretch();
    layout->addWidget(comboWinID_);

    comboAction_->addItems(kindItems(false));
    ajusterComboAction(0);

    connect(comboAction_, &QComboBox::currentIndexChanged, this, [this](int i) { kindChosen(i); });
    connect(comboWinID_, &QComboBox::currentIndexChanged, this, [this](int) { notifyRow(); });
    connect(comboFavID_, &QComboBox::currentIndexChanged, this, [this](int) { notifyRow(); });
    for (QLineEdit *f : {mmss_, val1_, val1a_, val1b_, val1c_})
        connect(f, &QLineEdit::textEdited, this, [this, f](const QString &) { textEdited(f); });
    connect(mmss_, &QLineEdit::editingFinished, this, [this]() { timeEditEnded(); });
}

ViewSongCue::~ViewSongCue()
{
    // The table may outlive the owner that was told of edits.
    delegate_ = nullptr;
}

cuerow::Lists ViewSongCue::currentLists()
{
    Lists l;
    for (const WinIDPtr &w : Data::winIDs())
        if (w)
            l.winIds << w->idWin;
    for (const MidiDestPtr &d : Midi::MIDIdestinations())
        if (d)
            l.destIds << d->idDest;
    for (const MidiFavEventPtr &g : Midi::MIDIfav()) {
        if (!g)
            continue;
        l.groupIds << g->favEventID;
        l.groupDescrs << g->favEventDescr;
    }
    return l;
}

void ViewSongCue::fillCombo(QComboBox *combo, const Combo &content)
{
    const QSignalBlocker block(combo);
    combo->clear();
    for (qsizetype i = 0; i < content.texts.size(); ++i)
        combo->addItem(content.texts[i], content.choices[i]);
    combo->setCurrentIndex(content.selected);
}

void ViewSongCue::remplirComboWinID(const QString &text, bool dest)
{
    fillCombo(comboWinID_, winIdCombo(text, dest, currentLists()));
}

void ViewSongCue::remplirComboFavID(const QString &text, bool semiTone)
{
    fillCombo(comboFavID_, favCombo(text, semiTone, currentLists()));
}

void ViewSongCue::setValComboAction(int index)
{
    {
        const QSignalBlocker block(comboAction_);
        comboAction_->setCurrentIndex(index);
    }
    ajusterComboAction(index);
}

void ViewSongCue::setValComboWinID(int index)
{
    const QSignalBlocker block(comboWinID_);
    comboWinID_->setCurrentIndex(index);
}

void ViewSongCue::setValComboFavID(int index)
{
    const QSignalBlocker block(comboFavID_);
    comboFavID_->setCurrentIndex(index);
}

void ViewSongCue::ajusterComboAction(int index)
{
    const int kind = kindForIndex(index, lib_);
    const Layout l = layoutFor(kind);
    val1_->setVisible(l.val1);
    val1a_->setVisible(l.val1a);
    val1b_->setVisible(l.val1b);
    val1c_->setVisible(l.val1c);
    val1_->setPlaceholderText(l.ph1);
    val1a_->setPlaceholderText(l.ph1a);
    val1b_->setPlaceholderText(l.ph1b);
    val1c_->setPlaceholderText(l.ph1c);
    comboWinID_->setVisible(l.showsWinCombo());
    comboFavID_->setVisible(l.showsFavCombo());
    if (l.showsWinCombo())
        remplirComboWinID(val2_->text(), l.dests);
    if (l.groups)
        remplirComboFavID(val1_->text(), false);
    else if (l.semiTones)
        remplirComboFavID(comboFavID_->currentData().toString(), true);
    mmss_->setVisible(!lib_);
    prevAction_ = index;
}

void ViewSongCue::setValForSongEv(const SongEv &ev, qint64 row, bool forLib)
{
    row_ = row;
    if (forLib != lib_ || comboAction_->count() != (forLib ? 8 : kKindCount)) {
        lib_ = forLib;
        const QSignalBlocker block(comboAction_);
        comboAction_->clear();
        comboAction_->addItems(kindItems(lib_));
    }
    const Row r = rowForEvent(ev, lib_);
    const QSignalBlocker b1(mmss_), b2(val1_), b3(val1a_), b4(val1b_), b5(val1c_), b6(val2_);
    mmss_->setText(r.mmss);
    val1_->setText(r.kind == KindGroup ? r.fav : r.val1);
    val1a_->setText(r.val1a);
    val1b_->setText(r.val1b);
    val1c_->setText(r.val1c);
    val2_->setText(r.winId);
    applyLook(ev);
    setValComboAction(indexForKind(r.kind, lib_));
    if (r.kind == KindCoarseTune || r.kind == KindTranspose)
        remplirComboFavID(r.fav, true);
    shownEv_ = ev;
    shownRow_ = rowData();
}

void ViewSongCue::applyLook(const SongEv &ev)
{
    const Look look = lookFor(ev);
    const QColor text = look.time == TimeColour::Red    ? QColor(Qt::red)
                        : look.time == TimeColour::Grey ? QColor(Qt::gray)
                                                        : palette().color(QPalette::WindowText);
    setTextColour(mmss_, text);
    QPalette p = palette();
    QColor blue(0, 105, 217);
    blue.setAlphaF(float(look.alpha));
    p.setColor(QPalette::Window, blue);
    setPalette(p);
}

cuerow::Row ViewSongCue::rowData() const
{
    Row r;
    r.kind = kindForIndex(comboAction_->currentIndex(), lib_);
    r.mmss = lib_ ? QString() : mmss_->text();
    r.val1 = val1_->text();
    r.val1a = val1a_->text();
    r.val1b = val1b_->text();
    r.val1c = val1c_->text();
    const Layout l = layoutFor(r.kind);
    if (l.showsWinCombo())
        r.winId = comboWinID_->currentData().toString();
    if (l.showsFavCombo())
        r.fav = comboFavID_->currentData().toString();
    return r;
}

void ViewSongCue::updateSongEv(SongEv &ev) const
{
    if (shownEv_)
        applyEdit(rowData(), shownRow_, *shownEv_, ev);
    else
        applyRow(rowData(), ev);
}

void ViewSongCue::updateSongEvAtIndex(qint64 index, QAbstractItemView *table, SongEvArray &array)
{
    if (!table || !table->model() || index < 0 || index >= array.size() || !array[index])
        return;
    auto *view = qobject_cast<ViewSongCue *>(table->indexWidget(table->model()->index(int(index), 0)));
    if (view)
        view->updateSongEv(*array[index]);
}

void ViewSongCue::kindChosen(int index)
{
    Row r;
    r.kind = kindForIndex(int(prevAction_), lib_);
    r.val1 = val1_->text();
    r.val1a = val1a_->text();
    r = withKind(r, kindForIndex(index, lib_), lib_);
    val1_->setText(r.val1);
    val1a_->setText(r.val1a);
    val1b_->clear();
    val1c_->clear();
    ajusterComboAction(index);
    notifyRow();
}

void ViewSongCue::textEdited(QLineEdit *f)
{
    if (f == mmss_)
        setTextColour(mmss_, Qt::red);
    notifyRow();
}

void ViewSongCue::timeEditEnded()
{
    if (mmss_->text().isEmpty())
        return;
    {
        const QSignalBlocker block(mmss_);
        mmss_->setText(normaliseTime(mmss_->text()));
    }
    if (delegate_)
        delegate_->viewSongCueUpdateCueRowMMSS(this);
}

void ViewSongCue::notifyRow()
{
    if (delegate_)
        delegate_->viewSongCueUpdateCueRow(this);
}
