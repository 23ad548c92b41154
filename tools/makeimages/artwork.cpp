#include "artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>

namespace {

const QColor navy(29, 52, 97);
const QColor gold(212, 169, 58);
const QColor paper(246, 249, 255);
const QColor teal(31, 111, 120);
const QColor deepTeal(20, 76, 84);

// The emblems are drawn on a 280-unit square and a 360 × 280 field, then scaled to the size asked
// for, so that one set of numbers serves every resolution.
void scaleTo(QPainter &painter, QSize size, QSizeF design)
{
    painter.scale(size.width() / design.width(), size.height() / design.height());
}

QImage transparentCanvas(QSize size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// Wave fronts around a source: arcs of growing radius that fade as the wave spreads out.
void drawWaveFronts(QPainter &painter, QPointF source, qreal firstRadius, qreal step, int count,
                    qreal directionDegrees, qreal spanDegrees, const QColor &colour, qreal width)
{
    for (int i = 0; i < count; ++i) {
        QColor fading = colour;
        fading.setAlphaF(1.0 - 0.18 * i);
        painter.setPen(QPen(fading, width, Qt::SolidLine, Qt::RoundCap));
        const qreal radius = firstRadius + step * i;
        const QRectF circle(source.x() - radius, source.y() - radius, 2 * radius, 2 * radius);
        painter.drawArc(circle, qRound((directionDegrees - spanDegrees / 2) * 16), qRound(spanDegrees * 16));
    }
}

} // namespace

QImage institutionEmblem(QSize size)
{
    QImage image = transparentCanvas(size);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    scaleTo(painter, size, QSizeF(280, 280));
    const QPointF centre(140, 140);

    painter.setPen(Qt::NoPen);
    painter.setBrush(navy);
    painter.drawEllipse(centre, 134, 134);

    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(gold, 3));
    painter.drawEllipse(centre, 125, 125);
    painter.setPen(QPen(gold, 2));
    painter.drawEllipse(centre, 99, 99);

    // A ring of beads between the two gold lines, as on a seal.
    painter.setPen(Qt::NoPen);
    painter.setBrush(gold);
    const int beads = 40;
    for (int i = 0; i < beads; ++i) {
        const qreal angle = 2 * M_PI * i / beads;
        painter.drawEllipse(centre + QPointF(112 * std::cos(angle), 112 * std::sin(angle)), 3.2, 3.2);
    }

    painter.setBrush(paper);
    painter.drawEllipse(centre, 97, 97);

    // A point source and the spherical wave leaving it.
    const QPointF source(100, 140);
    painter.setBrush(navy);
    painter.drawEllipse(source, 11, 11);
    drawWaveFronts(painter, source, 27, 19, 4, 0, 96, navy, 7);

    return image;
}

QImage facultyEmblem(QSize size)
{
    QImage image = transparentCanvas(size);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    scaleTo(painter, size, QSizeF(360, 280));
    const QPointF centre(180, 140);

    // Sound going out to both sides of the shield.
    drawWaveFronts(painter, centre, 118, 17, 3, 0, 56, navy, 6);
    drawWaveFronts(painter, centre, 118, 17, 3, 180, 56, navy, 6);

    QPainterPath shield;
    shield.moveTo(84, 22);
    shield.lineTo(276, 22);
    shield.lineTo(276, 132);
    shield.cubicTo(276, 200, 226, 238, 180, 262);
    shield.cubicTo(134, 238, 84, 200, 84, 132);
    shield.closeSubpath();

    QLinearGradient depth(0, 22, 0, 262);
    depth.setColorAt(0, teal);
    depth.setColorAt(1, deepTeal);
    painter.setBrush(depth);
    painter.setPen(QPen(gold, 6, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.drawPath(shield);

    QTransform inset;
    inset.translate(180, 140);
    inset.scale(0.9, 0.9);
    inset.translate(-180, -140);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(255, 255, 255, 150), 1.5));
    painter.drawPath(inset.map(shield));

    // Two periods of a pure tone across the shield.
    QPainterPath tone;
    const qreal left = 108, right = 252, axis = 108, amplitude = 34;
    for (int i = 0; i <= 240; ++i) {
        const qreal x = left + (right - left) * i / 240;
        const qreal y = axis - amplitude * std::sin(2 * M_PI * 2 * i / 240);
        if (i == 0)
            tone.moveTo(x, y);
        else
            tone.lineTo(x, y);
    }
    painter.setPen(QPen(QColor(255, 255, 255, 90), 1.5));
    painter.drawLine(QPointF(left - 6, axis), QPointF(right + 6, axis));
    painter.setPen(QPen(Qt::white, 7, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(tone);

    // A spectrum below: the tone's harmonics, falling off with order.
    painter.setPen(Qt::NoPen);
    painter.setBrush(gold);
    const qreal heights[] = {52, 36, 26, 18, 12};
    const qreal barWidth = 12, gap = 9, baseline = 212;
    const qreal first = 180 - (5 * barWidth + 4 * gap) / 2;
    for (int i = 0; i < 5; ++i)
        painter.drawRect(QRectF(first + i * (barWidth + gap), baseline - heights[i], barWidth, heights[i]));
    return image;
}

QImage portrait(QSize size, const PortraitColours &colours)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size.width() / 400.0, size.height() / 400.0);

    QRadialGradient light(QPointF(200, 150), 300, QPointF(170, 110));
    light.setColorAt(0, colours.light);
    light.setColorAt(1, colours.dark);
    painter.fillRect(QRectF(0, 0, 400, 400), light);

    QPainterPath head;
    head.addEllipse(QPointF(200, 152), 58, 70);
    QPainterPath neck;
    neck.addRoundedRect(QRectF(177, 196, 46, 76), 12, 12);
    QPainterPath shoulders;
    shoulders.moveTo(44, 400);
    shoulders.cubicTo(48, 310, 110, 268, 200, 262);
    shoulders.cubicTo(290, 268, 352, 310, 356, 400);
    shoulders.closeSubpath();
    const QPainterPath figure = head.united(neck).united(shoulders);

    QLinearGradient shade(0, 80, 0, 400);
    shade.setColorAt(0, colours.figure.lighter(125));
    shade.setColorAt(1, colours.figure);
    painter.setPen(Qt::NoPen);
    painter.setBrush(shade);
    painter.drawPath(figure);
    return image;
}
