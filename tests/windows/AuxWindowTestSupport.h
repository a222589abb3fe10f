#pragma once

#include "library/Data.h"
#include "platform/NotificationCenter.h"

#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QResizeEvent>
#include <QWidget>
#include <memory>

namespace auxtest {

// The params of every notification of one name posted while it lives.
struct Recorder {
    explicit Recorder(const QString &name)
    {
        id = platform::NotificationCenter::defaultCenter().addObserver(
            name, [this](const platform::Notification &n) { params << n.intParam(); });
    }
    ~Recorder() { platform::NotificationCenter::defaultCenter().removeObserver(id); }
    QList<qint64> params;
    platform::NotificationCenter::ObserverId id = 0;
};

inline PiecesPtr song(const QString &title, const QString &artist = QString(), const QString &note = QString())
{
    auto piece = std::make_shared<Pieces>();
    piece->pieceDet = std::make_shared<PiecesDet>();
    piece->pieceDet->fichier = QStringLiteral("/songs/%1.pdf").arg(title);
    piece->pieceDet->titre = title;
    piece->pieceDet->auteur = artist;
    piece->pieceDet->notetxt = note;
    return piece;
}

// A hidden window hears of its new size only when shown; the tests tell it now.
inline void resizeTo(QWidget &window, int width, int height)
{
    const QSize old = window.size();
    window.resize(width, height);
    QResizeEvent event(window.size(), old);
    QCoreApplication::sendEvent(&window, &event);
}

// Paints the window at a size into an image; answers whether anything but
// the untouched fill colour came out (the window painted at all).
inline bool rendersAt(QWidget &window, int width, int height)
{
    resizeTo(window, width, height);
    QImage image(window.size(), QImage::Format_ARGB32_Premultiplied);
    const QColor untouched(1, 2, 3);
    image.fill(untouched);
    window.render(&image);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) != untouched)
                return true;
    return false;
}

// The bounds of what differs from the background in the window's image.
inline QRect inkBounds(QWidget &window, const QColor &background)
{
    QImage image(window.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(background);
    window.render(&image);
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) != background)
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

} // namespace auxtest
