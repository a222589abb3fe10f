#include "windows/WindowTitle.h"

#include "library/Data.h"
#include "midi/Midi.h"
#include "platform/Geometry.h"

#include <QMouseEvent>
#include <QPainter>
#include <mutex>

namespace {

// The identifier tag of the note window, in the top right corner.
constexpr double kRepWidth = 86;
constexpr double kRepHeight = 20;
const QColor kRepBound = QColor::fromRgbF(0.8, 0.8, 0.8);
const QColor kRepAlternate = QColor::fromRgbF(0, 122 / 255.0, 1);
const QColor kDarkGrey = QColor::fromRgbF(1 / 3.0, 1 / 3.0, 1 / 3.0); // the system dark grey

Qt::Alignment alignmentFor(qint64 value)
{
    return value == 1 ? Qt::AlignLeft : value == 2 ? Qt::AlignRight : Qt::AlignHCenter;
}

} // namespace

WindowTitle::WindowTitle(qint64 winType, QWidget *parent) : AuxWindow(winType, parent)
{
    labelRep1_.fontSize = 13;
    labelRep1_.alignment = Qt::AlignRight;
}

WindowTitle::~WindowTitle() = default;

bool WindowTitle::isType(std::initializer_list<qint64> types) const
{
    for (qint64 t : types)
        if (winType() == t)
            return true;
    return false;
}

qint32 WindowTitle::signature() const
{
    return signatureOf(pieceCour());
}

void WindowTitle::windowDidLoad()
{
    AuxWindow::windowDidLoad();
    if (lightsWindow())
        resize(320, 120);
    else
        resize(520, 90);
    labels_[0].mono = winType() == 5;
    labels_[2].fromTop = winType() == 13;
    boxRep1Hidden_ = true;
    for (auto &light : lights_) {
        light.hidden = true;
        light.fill = metroColor();
    }
    showChrome(false);
    // The count number and the metronome numbers take the item's colour too.
    for (auto &l : labels_)
        l.color = actColor();
    labels_[0].alignment = alignmentFor(typeMetro());
    for (int i = 1; i < 4; ++i)
        labels_[static_cast<size_t>(i)].hidden = true;
    setWindowTitle(obtenirTitle());
    if (winType() == 12) {
        labels_[0].hidden = true;
    } else if (winType() == 9) {
        labels_[0].hidden = true;
        labels_[0].alignment = Qt::AlignHCenter;
    } else if (winType() == 5) {
        labels_[0].alignment = Qt::AlignHCenter;
    }
    resetPDF();
    setFullScreen(false);
    gvertic_ = false;
    setVanished(false);
    windowDidResize();
}

void WindowTitle::iniColorForObj(qint64 slot, const QColor &color, bool refreshData)
{
    AuxWindow::iniColorForObj(slot, color, refreshData);
    const bool accent = lightsWindow() && typeMetro() == 2;
    if (slot == kActColor)
        for (size_t i = 0; i < labels_.size(); ++i)
            labels_[i].color = actColor();
    if (slot == kMetroColor && isType({5, 9, 13})) {
        for (int i = accent ? 1 : 0; i < 4; ++i)
            lights_[static_cast<size_t>(i)].fill = metroColor();
    }
    if (slot == kHighColor && accent)
        lights_[0].fill = highColor();
    if (refreshData && winType() == 5 && pieceCour()) {
        if (slot == kActColor || slot == kInactColor)
            refreshTempo();
        else if (slot == kHighColor)
            refreshInfo();
    }
    update();
}

void WindowTitle::iniTypeMetro(qint64 type)
{
    AuxWindow::iniTypeMetro(type);
    // Outside the lights windows the value is the text's alignment.
    if (!isType({5, 9, 12}) && type >= 0 && type <= 2)
        labels_[0].alignment = alignmentFor(type);
    update();
}

void WindowTitle::iniHideTitleElementNote(bool v)
{
    AuxWindow::iniHideTitleElementNote(v);
    if (winType() == 8)
        rendreVisibleInvisibleNote(false);
}

void WindowTitle::windowDidBecomeMain()
{
    AuxWindow::windowDidBecomeMain();
    if (winType() == 8)
        boxRep1Hidden_ = false;
    update();
}

void WindowTitle::windowDidResignMain()
{
    AuxWindow::windowDidResignMain();
    boxRep1Hidden_ = true;
    update();
}

void WindowTitle::actionDir()
{
    selectNextDir();
}

// ---- The item ------------------------------------------------------------------------------

void WindowTitle::refreshInfo()
{
    const qint64 type = winType();
    if (type == 8) {
        const bool bound = !altDir().isEmpty();
        labelRep1_.text = bound ? altDir() : QStringLiteral("Master");
        labelRep1_.color = bound ? kRepBound : kDarkGrey;
    }
    if (type == 12) {
        labels_[0].hidden = true;
    } else if (type == 9) {
        for (auto &l : labels_) {
            l.alignment = Qt::AlignHCenter;
            l.hidden = true;
        }
        ajusterPosMetro();
    } else if (type == 5) {
        labels_[0].alignment = Qt::AlignHCenter;
        ajusterPosMetro();
    }

    const auto &piece = pieceCour();
    const PiecesDet *det = piece && piece->pieceDet ? piece->pieceDet.get() : nullptr;
    PaintedText &title = labels_[0];
    switch (type) {
    case 2:
        title.runs.clear();
        title.text = det ? det->titre : QString();
        break;
    case 4:
        title.runs.clear();
        title.text = det ? det->artistShown() : QString();
        break;
    case 15:
        title.runs.clear();
        title.text = det ? det->cle : QString();
        break;
    case 5:
        refreshNote(false);
        break;
    case 8:
        if (altModeOk())
            labelRep1_.color = kRepAlternate;
        else if (altMode() != 0)
            labelRep1_.color = altModeOff() ? kDarkGrey : kRepBound;
        else
            labelRep1_.color = kDarkGrey;
        setWindowTitle(obtenirTitle());
        refreshNote(false);
        break;
    case 9:
        for (int i = 0; i < 4; ++i)
            labels_[static_cast<size_t>(i)].text = QString::number(i + 1);
        break;
    case 10: {
        const auto &next = pieceNext();
        title.runs.clear();
        title.text = auxwin::nextSongText(next && next->pieceDet ? std::optional<QString>(next->pieceDet->titre)
                                                                 : std::nullopt);
        break;
    }
    case 11:
        if (det) {
            title.runs = auxwin::artistTitleRuns(det->titre, det->artistShown(), currentSort());
            title.text.clear();
            for (const auto &run : title.runs)
                title.text += run.text;
        } else {
            title.runs.clear();
            title.text.clear();
        }
        break;
    case 16:
        title.runs.clear();
        title.text = obtenirFlags();
        break;
    default:
        break;
    }
    update();
}

QString WindowTitle::obtenirFlags() const
{
    QStringList titles;
    {
        std::lock_guard<std::recursive_mutex> lock(Data::listePiecesFlaggedMonitor());
        for (const auto &piece : Data::listePiecesFlagged())
            if (piece && piece->pieceDet)
                titles << piece->pieceDet->titre;
    }
    return auxwin::flagsText(titles);
}

void WindowTitle::refreshNote(bool flag)
{
    AuxWindow::refreshNote(flag);
    switch (winType()) {
    case 8:
        showNote(flag);
        break;
    case 5:
    case 9:
        refreshTempo();
        break;
    case 15: {
        const auto &piece = pieceCour();
        labels_[0].text = piece && piece->pieceDet ? piece->pieceDet->cle : QString();
        update();
        break;
    }
    default:
        break;
    }
}

void WindowTitle::showNote(bool keepShown)
{
    QString text;
    const auto &piece = pieceCour();
    if (!heldNotice().isEmpty()) {
        text = heldNotice();
    } else if (!message().isEmpty()) {
        text = message();
    } else if ((hideList() && seconds30()) || !piece || !piece->pieceDet) {
        text.clear();
    } else {
        text = keepShown ? labels_[0].text : piece->notetxtForDir(altDir(), altMode(), defNote());
        text = auxwin::noteShown(text, altDir(), hideList());
    }
    labels_[0].runs.clear();
    labels_[0].text = text;
    rendreVisibleInvisibleNote(false);
}

void WindowTitle::rendreVisibleInvisibleNote(bool flag)
{
    if (labels_[0].text.trimmed().isEmpty() && (flag || hideTitleElementNote())) {
        if (!Data::inspectorOn()) {
            setVanished(true);
        } else {
            labels_[0].text = auxwin::invisibleNoteText();
            setVanished(false);
        }
    } else {
        setVanished(false);
    }
}

void WindowTitle::refreshTempo()
{
    if (winType() == 5) {
        const auto &piece = pieceCour();
        const qint32 t = piece && piece->pieceDet ? piece->tempo() : 0;
        const auxwin::TempoShown shown = auxwin::titleTempo(t, Data::gtempo(), Midi::nbTapTempo());
        labels_[0].runs.clear();
        labels_[0].text = shown.text;
        labels_[0].color = shown.color == auxwin::TempoColor::Active     ? actColor()
                           : shown.color == auxwin::TempoColor::Inactive ? inactColor()
                                                                         : highColor();
    } else if (winType() == 9) {
        ajusterPosMetro();
    }
    update();
}

void WindowTitle::refreshCue()
{
    if (winType() != 13)
        return;
    const SongEvPtr cue = Data::obtenirNextCue();
    const QString text = cue ? Data::obtenirCueX(*cue, !hideTitleElementNote()) : auxwin::noNextCueText();
    labels_[0].runs.clear();
    labels_[0].text = text;
    labels_[1].text = text;
    update();
}

bool WindowTitle::takesMessage(const QString &forWinID) const
{
    // Only the note window shows messages.
    return winType() == 8 && policyTakes(forWinID);
}

void WindowTitle::setMsg(const QString &msg, const QString &forWinID, bool stay)
{
    if (!takesMessage(forWinID))
        return;
    AuxWindow::setMsg(msg, forWinID, stay);
    if (!msg.isEmpty()) {
        labels_[0].runs.clear();
        labels_[0].text = msg;
        rendreVisibleInvisibleNote(false);
        update();
    } else {
        refreshNote(false);
    }
}

void WindowTitle::afficherToc(bool show)
{
    if (!isType({2, 4, 8, 10, 11, 13, 15, 16}) || !hideFrame())
        return;
    if (winType() == 8) {
        if (show) {
            labels_[0].runs.clear();
            labels_[0].text.clear();
            rendreVisibleInvisibleNote(true);
            update();
        } else {
            refreshNote(false);
        }
        return;
    }
    if (show && !Data::inspectorOn()) {
        labels_[0].hidden = true;
        setVanished(true);
    } else {
        labels_[0].hidden = false;
        setVanished(false);
    }
}

// ---- Metronome and count ------------------------------------------------------------------

void WindowTitle::updateMetroWithNbTick(qint64 nbTick, bool masquer, bool reset)
{
    if (lightsWindow()) {
        const bool numbers = winType() == 9;
        const auto hideAll = [&] {
            for (int i = 0; i < 4; ++i) {
                lights_[static_cast<size_t>(i)].hidden = true;
                if (numbers)
                    labels_[static_cast<size_t>(i)].hidden = true;
            }
        };
        if (reset)
            ajusterPosMetro();
        if (masquer) {
            hideAll();
        } else {
            const auxwin::MetroBeat beat = auxwin::metroBeat(typeMetro(), beatsPerBar(signature()), nbTick);
            if (beat.kind == auxwin::MetroBeat::HideAll) {
                hideAll();
            } else if (beat.kind == auxwin::MetroBeat::Light && beat.light > 0) {
                const auto i = static_cast<size_t>(beat.light - 1);
                lights_[i].hidden = false;
                if (numbers && typeMetro() == 2)
                    labels_[i].hidden = false;
            }
        }
        update();
    } else if (winType() == 13) {
        if (!masquer) {
            if (Data::gcount() >= 0)
                afficherCount();
        } else if (Data::gcount() < 0) {
            labels_[0].text = labels_[1].text;
            labels_[0].frame = titleFrameAtEdge();
            labels_[2].hidden = true;
            lights_[2].hidden = true;
            update();
        }
    }
}

void WindowTitle::ajusterPosMetro()
{
    if (!lightsWindow())
        return;
    std::array<QRectF, 4> current;
    for (size_t i = 0; i < 4; ++i)
        current[i] = lights_[i].frame;
    const auto frames = auxwin::titleLightFrames(typeMetro(), signature(), winW(), winH(), current);
    for (size_t i = 0; i < 4; ++i) {
        lights_[i].frame = frames[i];
        if (winType() == 9 && typeMetro() == 2)
            labels_[i].frame = frames[i];
    }
    lights_[0].fill = typeMetro() == 2 ? highColor() : metroColor();
    update();
}

QRectF WindowTitle::titleFrameAtEdge() const
{
    return gvertic_ ? QRectF(winW(), 0, winH(), winW()) : QRectF(0, 0, winW(), winH());
}

void WindowTitle::afficherCount()
{
    const qint64 count = Data::gcount();
    PaintedText &title = labels_[0];
    PaintedText &number = labels_[2];
    PaintedBox &badge = lights_[2];
    title.runs.clear();
    title.text = labels_[1].text;
    title.frame = titleFrameAtEdge();
    if (count == 0) {
        number.text.clear();
        number.hidden = true;
        badge.hidden = true;
        update();
        return;
    }
    number.text = auxwin::countNumberText(count, Data::gcountTo(), Data::gcountSkip(), beatsPerBar(signature()));
    number.hidden = false;
    badge.hidden = false;
    const auxwin::CountLayout layout =
        auxwin::countLayout(winW(), winH(), gvertic_, title.textWidth(), typeMetro(), count);
    badge.frame = layout.badge;
    badge.radius = layout.badge.width() / 2;
    number.frame = layout.number;
    number.fontSize = layout.numberFont;
    if (gvertic_)
        title.frame.translate(0, layout.titleShift);
    else
        title.frame.translate(layout.titleShift, 0);
    update();
}

// ---- Size ----------------------------------------------------------------------------------

void WindowTitle::windowDidResize()
{
    const double w = winW(), h = winH();
    const auxwin::TitleSize size = auxwin::titleSizeRule(winType(), w, h);
    gvertic_ = size.turned;
    labels_[0].turned = size.turned;
    labels_[0].frame = titleFrameAtEdge();
    labelRep1_.turned = size.turned;
    labelRep1_.frame = size.turned ? QRectF(w - 27 + kRepHeight, h - 87, kRepWidth, kRepHeight)
                                   : QRectF(w - 90, h - 24, kRepWidth, kRepHeight);
    ajusterPosMetro();
    labels_[0].fontSize = labels_[1].fontSize = labels_[3].fontSize = size.font;
    labels_[2].fontSize = size.countFont;
    // A count on show keeps its place before the cue.
    if (winType() == 13 && !labels_[2].hidden)
        afficherCount();
    update();
}

QString WindowTitle::obtenirTitle() const
{
    return auxwin::titleWindowTitle(winType(), labelRep1_.text);
}

// ---- Painting and mouse ---------------------------------------------------------------------

void WindowTitle::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paintBackground(painter);
    if (!vanished()) {
        if (winType() == 13) {
            paintText(painter, labels_[0]);
            paintBox(painter, lights_[2]);
            paintText(painter, labels_[2]);
        } else {
            for (const auto &light : lights_)
                paintBox(painter, light);
            for (const auto &label : labels_)
                paintText(painter, label);
        }
        if (!boxRep1Hidden_)
            paintText(painter, labelRep1_);
    }
    paintChrome(painter);
}

void WindowTitle::mousePressEvent(QMouseEvent *event)
{
    // A click on the identifier tag binds the window to the next identifier.
    if (!boxRep1Hidden_ && event->button() == Qt::LeftButton) {
        QRectF tag = labelRep1_.frame;
        if (labelRep1_.turned)
            tag = QRectF(tag.x() - tag.height(), tag.y(), tag.height(), tag.width());
        if (platform::flipY(tag, winH()).contains(event->position())) {
            actionDir();
            event->accept();
            return;
        }
    }
    AuxWindow::mousePressEvent(event);
}
