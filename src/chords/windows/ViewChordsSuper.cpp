#include "chords/windows/ViewChordsSuper.h"

#include "chordpro/ChordPro.h"
#include "chords/ChordLookup.h"
#include "chords/PianoInversionText.h"
#include "chords/SongFileEdit.h"
#include "library/Data.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "platform/Vocabulary.h"
#include "windows/WindowPDFx.h"

#include <QMouseEvent>
#include <QPainter>

// ---- ViewChordsSuper -------------------------------------------------------------

ViewChordsSuper::ViewChordsSuper(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void ViewChordsSuper::iniColorForObj(qint64 slot, const QColor &color, bool /*refreshData*/)
{
    switch (slot) {
    case 0: colors_.text = color; break;
    case 2: colors_.lines = color; break;
    case 3: colors_.accent = color; break;
    case 4: colors_.dots = color; break;
    case 5: colors_.background = color; break;
    default: return;
    }
    update();
}

void ViewChordsSuper::hideLabelAndButtonModify()
{
    editMarkHidden_ = true;
    update();
}

void ViewChordsSuper::showLabelAndButtonModify()
{
    editMarkHidden_ = false;
    update();
}

void ViewChordsSuper::setAllowEditing(bool allow)
{
    allowEditing_ = allow;
    update();
}

void ViewChordsSuper::setBulletsAutoBW(bool on)
{
    colors_.autoBlackWhite = on;
    update();
}

WindowPDFxSuper *ViewChordsSuper::refTolvaneWin() const
{
    return delegate_ ? delegate_->viewChordsRefTolvaneWin() : nullptr;
}

void ViewChordsSuper::actionModify()
{
    if (allowEditing_) {
        if (delegate_)
            delegate_->viewChordsSuperModify();
        return;
    }
    Data::activateKeywin();
    platform::NotificationCenter::defaultCenter().post(vocab::ActionEditChord, name_, this);
}

void ViewChordsSuper::actionTools()
{
    if (!delegate_)
        return;
    if (delegate_->viewChordsSuperIsToolsOn())
        Data::activateKeywin();
    else
        delegate_->viewChordsSuperShowTools();
}

void ViewChordsSuper::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    if (editMarkRect().contains(event->position())) {
        actionModify();
        event->accept();
        return;
    }
    actionTools();
    // Left to the window, so dragging a diagram moves its window.
    event->ignore();
}

// ---- ViewChords -----------------------------------------------------------------------

ViewChords::ViewChords(QWidget *parent) : ViewChordsSuper(parent)
{
    colors_.lines = QColor::fromRgbF(0.2, 0.2, 0.2);
}

void ViewChords::iniChordWithName(const QString &name, const MChord &chord, bool rightHanded, qint64 instrument)
{
    name_ = name;
    mChordx_ = chord;
    instrument_ = instrument;
    rightHanded_ = rightHanded;
    update();
}

void ViewChords::setEditionEnCours(bool on)
{
    editionEnCours_ = on;
    afficherMasquerBarreSelonEdition();
}

diagram::FretPlan ViewChords::plan() const
{
    diagram::FretOptions options;
    options.rightHanded = rightHanded_;
    options.ukulele = instrument_ == 1;
    options.allowEditing = allowEditing_;
    options.showEditMark = !editMarkHidden_;
    options.editing = editionEnCours_;
    return diagram::fretPlan(name_, mChordx_, options, size());
}

QRectF ViewChords::editMarkRect() const
{
    const diagram::FretPlan p = plan();
    return p.editMark == diagram::EditMark::None ? QRectF() : p.editRect;
}

void ViewChords::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    diagram::paintFretDiagram(painter, QPointF(), plan(), colors_);
}

// ---- ViewChordsP ----------------------------------------------------------------------

ViewChordsP::ViewChordsP(QWidget *parent) : ViewChordsSuper(parent)
{
    instrument_ = 2;
}

void ViewChordsP::iniChordWithName(const QString &name, const MChord &chord, bool /*rightHanded*/, qint64 /*instrument*/)
{
    name_ = name;
    chord_ = diagram::PianoInversions(chord);
    mChordx_ = chord_.shown();
    update();
}

void ViewChordsP::setBulletsAutoBW(bool on)
{
    ViewChordsSuper::setBulletsAutoBW(on);
}

diagram::PianoPlan ViewChordsP::plan() const
{
    return diagram::pianoPlan(name_, chord_, size());
}

void ViewChordsP::actionInversion(bool backward)
{
    if (chord_.nbChord() == 0)
        return;
    chord_.step(backward);
    mChordx_ = chord_.shown();
    update();
    effectuerMajInversion();
    Data::activateKeywin();
}

void ViewChordsP::effectuerMajInversion()
{
    auto *window = qobject_cast<WindowPDFx *>(refTolvaneWin());
    songfile::SongFileEdits *edits = delegate_ ? delegate_->viewChordsSongEdits() : nullptr;
    if (!window || !window->pieceCour() || !edits)
        return;
    const QString path = window->currentFile();
    if (path.isEmpty() || platform::suffix(path).compare(QLatin1String("pdf"), Qt::CaseInsensitive) == 0)
        return;
    const int stored = chord_.orig().fretPos;
    const int chosen = chord_.shown().fretPos;
    if (stored == chosen)
        return;
    const QString name = chordlookup::pianoBaseName(name_);
    const ChordPro *shown = window->chordProDocument();
    edits->edit(path, shown ? shown->chordProData() : QString(),
                [name, chosen](QString &text) { return pianotext::setInversion(text, name, chosen); });
}

void ViewChordsP::mousePressEvent(QMouseEvent *event)
{
    const diagram::PianoPlan p = plan();
    if (event->button() == Qt::LeftButton && p.arrows) {
        if (p.previousRect.contains(event->position())) {
            actionInversion(true);
            event->accept();
            return;
        }
        if (p.nextRect.contains(event->position())) {
            actionInversion(false);
            event->accept();
            return;
        }
    }
    ViewChordsSuper::mousePressEvent(event);
}

void ViewChordsP::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    diagram::paintPianoDiagram(painter, QPointF(), plan(), colors_);
}
