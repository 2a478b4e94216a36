#include "album/window/ItemIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <array>

namespace glimmora {
namespace {

// A photograph: sky, a hill and the sun in a white frame.
void drawPicture(QPainter& p)
{
    p.setPen(QPen(QColor(90, 90, 90), 0.8));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(0.5, 2.5, 15, 11));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(120, 180, 235));
    p.drawRect(QRectF(2, 4, 12, 8));
    p.setBrush(QColor(70, 160, 70));
    QPainterPath hill;
    hill.moveTo(2, 12);
    hill.cubicTo(5, 7, 9, 7, 14, 11);
    hill.lineTo(14, 12);
    hill.closeSubpath();
    p.drawPath(hill);
    p.setBrush(QColor(250, 200, 40));
    p.drawEllipse(QPointF(11, 6.5), 1.6, 1.6);
}

// A piece of film: dark strip, sprocket holes, a bright frame.
void drawVideo(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(50, 50, 60));
    p.drawRoundedRect(QRectF(0.5, 2, 15, 12), 1.5, 1.5);
    p.setBrush(Qt::white);
    for (int i = 0; i < 4; ++i) {
        p.drawRect(QRectF(2 + 3.4 * i, 3, 1.8, 1.5));
        p.drawRect(QRectF(2 + 3.4 * i, 11.5, 1.8, 1.5));
    }
    p.setBrush(QColor(120, 180, 235));
    p.drawRect(QRectF(2, 5.5, 12, 5));
    p.setBrush(QColor(230, 90, 60));
    QPolygonF play;
    play << QPointF(6.5, 6.3) << QPointF(10.5, 8) << QPointF(6.5, 9.7);
    p.drawPolygon(play);
}

// A speech balloon in the lower right corner.
void drawVoice(QPainter& p)
{
    p.setPen(QPen(QColor(150, 60, 20), 0.8));
    p.setBrush(QColor(255, 170, 40));
    QPainterPath balloon;
    balloon.addEllipse(QRectF(7.5, 7.5, 8, 6));
    QPolygonF tail;
    tail << QPointF(9, 12.5) << QPointF(8, 15.5) << QPointF(11.5, 13);
    balloon.addPolygon(tail);
    p.drawPath(balloon.simplified());
    p.setPen(QPen(QColor(120, 40, 10), 1.0));
    p.drawLine(QPointF(10, 10.5), QPointF(13, 10.5));
}

QPixmap draw(int index, int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    if (index >= 2)
        drawVideo(p);
    else
        drawPicture(p);
    if (index % 2)
        drawVoice(p);
    return pixmap;
}

} // namespace

QIcon ItemIcons::icon(int index)
{
    static std::array<QIcon, count> icons;
    if (index < 0 || index >= count)
        return {};
    if (icons[static_cast<std::size_t>(index)].isNull()) {
        QIcon icon;
        icon.addPixmap(draw(index, 16));
        icon.addPixmap(draw(index, 32));
        icons[static_cast<std::size_t>(index)] = icon;
    }
    return icons[static_cast<std::size_t>(index)];
}

} // namespace glimmora
