#include "receiver/shell/SplashPicture.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace {

// A sign board pointing right (or left when mirrored), its tip at the side.
QPainterPath board(QRectF r, bool right)
{
    QPainterPath p;
    const qreal tip = r.height() / 2;
    if (right) {
        p.moveTo(r.left(), r.top());
        p.lineTo(r.right() - tip, r.top());
        p.lineTo(r.right(), r.center().y());
        p.lineTo(r.right() - tip, r.bottom());
        p.lineTo(r.left(), r.bottom());
    } else {
        p.moveTo(r.right(), r.top());
        p.lineTo(r.left() + tip, r.top());
        p.lineTo(r.left(), r.center().y());
        p.lineTo(r.left() + tip, r.bottom());
        p.lineTo(r.right(), r.bottom());
    }
    p.closeSubpath();
    return p;
}

} // namespace

QPixmap SplashPicture::draw(const QString& version, qreal devicePixelRatio)
{
    const QSize s = size();
    const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    QPixmap pixmap((QSizeF(s) * ratio).toSize());
    pixmap.setDevicePixelRatio(ratio);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);

    // Evening sky over a green hill.
    QLinearGradient sky(0, 0, 0, s.height());
    sky.setColorAt(0, QColor(0x1d, 0x3a, 0x6b));
    sky.setColorAt(0.65, QColor(0x4a, 0x7f, 0xc1));
    sky.setColorAt(1, QColor(0xf3, 0xc9, 0x7a));
    p.fillRect(QRect(QPoint(), s), sky);
    QRadialGradient sun(QPointF(380, 210), 90);
    sun.setColorAt(0, QColor(255, 236, 180, 220));
    sun.setColorAt(1, QColor(255, 236, 180, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(sun);
    p.drawEllipse(QPointF(380, 210), 90, 90);
    QPainterPath hill;
    hill.moveTo(0, 230);
    hill.cubicTo(120, 195, 300, 250, s.width(), 215);
    hill.lineTo(s.width(), s.height());
    hill.lineTo(0, s.height());
    hill.closeSubpath();
    p.setBrush(QColor(0x2f, 0x6b, 0x3c));
    p.drawPath(hill);

    // The guide post on the hill.
    p.setBrush(QColor(0xe9, 0xee, 0xf6));
    p.drawRoundedRect(QRectF(372, 70, 10, 150), 3, 3);
    const QColor edge(0x8a, 0x5a, 0x10);
    QLinearGradient wood(0, 0, 0, 1);
    wood.setCoordinateMode(QGradient::ObjectMode);
    wood.setColorAt(0, QColor(0xff, 0xd2, 0x5e));
    wood.setColorAt(1, QColor(0xf0, 0xa8, 0x30));
    p.setPen(QPen(edge, 2));
    p.setBrush(wood);
    p.drawPath(board(QRectF(330, 80, 100, 26), true));
    p.drawPath(board(QRectF(320, 116, 96, 26), false));
    p.drawPath(board(QRectF(340, 152, 84, 22), true));

    // Files coming down to the post.
    p.setPen(QPen(QColor(255, 255, 255, 200), 1.5));
    for (int i = 0; i < 4; ++i) {
        const QPointF at(318 + i * 28, 14 + (i % 2) * 16);
        QPainterPath page;
        page.moveTo(at);
        page.lineTo(at + QPointF(12, 0));
        page.lineTo(at + QPointF(17, 5));
        page.lineTo(at + QPointF(17, 22));
        page.lineTo(at + QPointF(0, 22));
        page.closeSubpath();
        p.setBrush(QColor(255, 255, 255, 90));
        p.drawPath(page);
    }

    // The name and what it does.
    p.setPen(Qt::white);
    QFont title(QStringLiteral("Sans Serif"));
    title.setPixelSize(38);
    title.setBold(true);
    title.setItalic(true);
    p.setFont(title);
    p.drawText(QRectF(24, 36, 300, 56), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Corvandelle"));
    QFont line;
    line.setPixelSize(16);
    p.setFont(line);
    p.drawText(QRectF(26, 96, 300, 24), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("ガイドポストでファイルを受け取る"));
    QFont small;
    small.setPixelSize(12);
    p.setFont(small);
    p.setPen(QColor(255, 255, 255, 220));
    p.drawText(QRectF(26, 122, 300, 20), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Version %1").arg(version));
    p.drawText(QRectF(26, s.height() - 30, 320, 20), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("ファイルをここへドロップしても受信できます"));
    p.end();
    return pixmap;
}
