#include "windows/WindowMini.h"

#include "library/Data.h"
#include "platform/Geometry.h"

#include <QMouseEvent>
#include <QPainter>

namespace {
const QColor kRepAlternate = QColor::fromRgbF(0, 122 / 255.0, 1);
const QColor kDarkGrey = QColor::fromRgbF(1 / 3.0, 1 / 3.0, 1 / 3.0); // the system dark grey
// The identifier tag in the top right corner.
constexpr double kRepWidth = 120;
constexpr double kRepHeight = 18;
} // namespace

WindowMini::WindowMini(QWidget *parent) : AuxWindow(1, parent)
{
    resize(480, 360);
    labelTempo_.mono = labelTrackTime_.mono = true;
    labelTrackTime_.hidden = true;
    labelComment_.wrap = true;
    labelRep1_.fontSize = 12;
    labelRep1_.alignment = Qt::AlignRight;
    for (int i = 0; i < 4; ++i)
        numbers_[static_cast<size_t>(i)].text = QString::number(i + 1);
}

WindowMini::~WindowMini() = default;

int WindowMini::beats() const
{
    return beatsPerBar(signatureOf(pieceCour()));
}

void WindowMini::windowDidLoad()
{
    AuxWindow::windowDidLoad();
    for (auto &light : lights_) {
        light.hidden = true;
        light.fill = metroColor();
    }
    for (auto &n : numbers_) {
        n.hidden = true;
        n.alignment = Qt::AlignHCenter;
        n.color = actColor();
    }
    labelTitle_.color = labelComment_.color = actColor();
    labelArtist_.color = labelTrackTime_.color = highColor();
    labelTempo_.color = inactColor();
    showChrome(false);
    resetPDF();
    setFullScreen(false);
    setVanished(false);
    windowDidResize();
}

void WindowMini::iniColorForObj(qint64 slot, const QColor &color, bool refreshData)
{
    AuxWindow::iniColorForObj(slot, color, refreshData);
    switch (slot) {
    case kActColor:
        labelTitle_.color = labelComment_.color = actColor();
        for (auto &n : numbers_)
            n.color = actColor();
        break;
    case kMetroColor:
        for (int i = typeMetro() == 2 ? 1 : 0; i < 4; ++i)
            lights_[static_cast<size_t>(i)].fill = metroColor();
        break;
    case kHighColor:
        labelTrackTime_.color = labelArtist_.color = highColor();
        if (typeMetro() == 2)
            lights_[0].fill = highColor();
        break;
    default:
        break;
    }
    if (refreshData && pieceCour() && (slot == kActColor || slot == kInactColor))
        refreshTempo();
    update();
}

void WindowMini::refreshInfo()
{
    const bool bound = !altDir().isEmpty();
    labelRep1_.text = bound ? altDir() : QStringLiteral("Master");
    labelRep1_.color = bound ? labelTitle_.color : kDarkGrey;
    hideLights();
    setWindowTitle(obtenirTitle());
    const auto &piece = pieceCour();
    const PiecesDet *det = piece && piece->pieceDet ? piece->pieceDet.get() : nullptr;
    labelTitle_.text = det ? det->titre : QString();
    labelArtist_.text = det ? det->artistShown() : QString();
    for (int i = 0; i < 4; ++i)
        numbers_[static_cast<size_t>(i)].text = QString::number(i + 1);
    if (altModeOk())
        labelRep1_.color = kRepAlternate;
    else if (altMode() != 0 && !altModeOff())
        labelRep1_.color = labelTitle_.color;
    else
        labelRep1_.color = kDarkGrey;
    refreshNote(false);
}

void WindowMini::refreshNote(bool flag)
{
    AuxWindow::refreshNote(flag);
    const auto &piece = pieceCour();
    labelComment_.text = !heldNotice().isEmpty()       ? heldNotice()
                         : !message().isEmpty()        ? message()
                         : piece && piece->pieceDet ? piece->notetxtForDir(altDir(), altMode(), defNote())
                                                    : QString();
    refreshTempo();
}

void WindowMini::refreshTempo()
{
    const auto &piece = pieceCour();
    const auxwin::TempoShown shown = auxwin::miniTempo(piece && piece->pieceDet ? piece->tempo() : 0);
    labelTempo_.text = shown.text;
    labelTempo_.color = shown.color == auxwin::TempoColor::Inactive ? inactColor() : actColor();
    ajusterPosMetro();
}

void WindowMini::updateItunesInfo(const QString &title, const QString &artist, double curPos, double maxPos,
                                  bool masquer)
{
    AuxWindow::updateItunesInfo(title, artist, curPos, maxPos, masquer);
    if (masquer) {
        labelTrackTime_.hidden = true;
        labelTempo_.hidden = false;
    } else {
        labelTrackTime_.text = auxwin::miniTrackTimeText(curPos);
        labelTrackTime_.hidden = false;
        labelTempo_.hidden = true;
    }
    update();
}

void WindowMini::hideLights()
{
    for (int i = 0; i < 4; ++i) {
        lights_[static_cast<size_t>(i)].hidden = true;
        numbers_[static_cast<size_t>(i)].hidden = true;
    }
}

void WindowMini::updateMetroWithNbTick(qint64 nbTick, bool masquer, bool reset)
{
    if (reset)
        ajusterPosMetro();
    if (masquer) {
        hideLights();
    } else {
        const auxwin::MetroBeat beat = auxwin::metroBeat(typeMetro(), beats(), nbTick);
        if (beat.kind == auxwin::MetroBeat::HideAll) {
            hideLights();
        } else if (beat.kind == auxwin::MetroBeat::Light && beat.light > 0) {
            const auto i = static_cast<size_t>(beat.light - 1);
            lights_[i].hidden = false;
            if (typeMetro() == 2)
                numbers_[i].hidden = false;
        }
    }
    update();
}

bool WindowMini::takesMessage(const QString &forWinID) const
{
    return policyTakes(forWinID);
}

void WindowMini::setMsg(const QString &msg, const QString &forWinID, bool stay)
{
    if (!takesMessage(forWinID))
        return;
    AuxWindow::setMsg(msg, forWinID, stay);
    if (!msg.isEmpty()) {
        labelComment_.text = msg;
        update();
    } else {
        refreshNote(false);
    }
}

void WindowMini::actionDir()
{
    selectNextDir();
}

void WindowMini::windowDidResize()
{
    const double w = winW(), h = winH();
    const auxwin::MiniLayout m = auxwin::miniLayout(w, h);
    labelTempo_.frame = labelTrackTime_.frame = m.tempo;
    labelTempo_.fontSize = labelTrackTime_.fontSize = m.tempoFont;
    for (auto &n : numbers_)
        n.fontSize = m.tempoFont;
    labelTitle_.frame = m.title;
    labelTitle_.fontSize = m.titleFont;
    labelArtist_.frame = m.artist;
    labelArtist_.fontSize = m.artistFont;
    labelComment_.frame = m.comment;
    labelComment_.fontSize = m.commentFont;
    labelRep1_.frame = QRectF(w - kRepWidth - 4, h - kRepHeight - 2, kRepWidth, kRepHeight);
    ajusterPosMetro();
}

void WindowMini::ajusterPosMetro()
{
    std::array<QRectF, 4> current;
    for (size_t i = 0; i < 4; ++i)
        current[i] = lights_[i].frame;
    const auto frames = auxwin::miniLightFrames(typeMetro(), beats(), labelTempo_.frame, winW(), current);
    for (size_t i = 0; i < 4; ++i) {
        lights_[i].frame = frames[i];
        if (typeMetro() == 2)
            numbers_[i].frame = frames[i];
    }
    lights_[0].fill = typeMetro() == 2 ? highColor() : metroColor();
    update();
}

QString WindowMini::obtenirTitle() const
{
    return auxwin::miniWindowTitle(labelRep1_.text);
}

void WindowMini::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paintBackground(painter);
    if (!vanished()) {
        for (const auto &light : lights_)
            paintBox(painter, light);
        for (const PaintedText *t : {&labelTempo_, &labelTrackTime_, &labelTitle_, &labelArtist_, &labelComment_,
                                     &labelRep1_})
            paintText(painter, *t);
        for (const auto &n : numbers_)
            paintText(painter, n);
    }
    paintChrome(painter);
}

void WindowMini::mousePressEvent(QMouseEvent *event)
{
    // A click on the identifier tag binds the window to the next identifier.
    if (event->button() == Qt::LeftButton && platform::flipY(labelRep1_.frame, winH()).contains(event->position())) {
        actionDir();
        event->accept();
        return;
    }
    AuxWindow::mousePressEvent(event);
}
