#include "display/chartstyle.h"

#include <qcustomplot.h>

namespace chartstyle {

void name(QCPAxis *axis, const QString &label, const QColor &colour, const QFont &labelFont,
          const QFont &tickFont)
{
    axis->setLabel(label);
    axis->setLabelFont(labelFont);
    axis->setLabelColor(colour);
    axis->setTickLabelFont(tickFont);
    axis->setTickLabelColor(colour);
}

void ticks(QCPAxis *axis, const QPen &tick, const QPen &subTick, int lengthIn, int subLengthIn)
{
    axis->setTickPen(tick);
    axis->setSubTickPen(subTick);
    axis->setTickLengthIn(lengthIn);
    axis->setSubTickLengthIn(subLengthIn);
}

void dottedGrid(QCPAxis *axis, const QColor &atTicks, const QColor &atSubTicks)
{
    axis->grid()->setPen(QPen(atTicks, 1.2, Qt::DotLine));
    axis->grid()->setSubGridPen(QPen(atSubTicks, 1, Qt::DotLine));
    axis->grid()->setSubGridVisible(true);
    axis->grid()->setZeroLinePen(Qt::NoPen);
}

void powersOfTen(QCPAxis *axis)
{
    axis->setScaleType(QCPAxis::stLogarithmic);
    axis->setNumberFormat(QStringLiteral("eb"));
    axis->setNumberPrecision(0);
}

void intensityScale(QCPAxis *axis, const QFont &font)
{
    name(axis, QStringLiteral("I, Вт/м\u00b2"), Qt::darkMagenta, font, font);
    powersOfTen(axis);
    ticks(axis, QPen(Qt::darkMagenta, 2.5), QPen(Qt::darkMagenta, 1), 10, 5);
    axis->setUpperEnding(arrowhead());
    axis->setBasePen(QPen(Qt::darkMagenta, 2));
    dottedGrid(axis, QColor(170, 170, 170), QColor(200, 200, 200));
}

QSharedPointer<QCPAxisTickerLog> decades(int tickCount, int subTickCount)
{
    auto ticker = QSharedPointer<QCPAxisTickerLog>::create();
    ticker->setLogBase(10);
    ticker->setSubTickCount(subTickCount);
    ticker->setTickCount(tickCount);
    return ticker;
}

QCPItemText *caption(QCPAxis *xAxis, QCPAxis *yAxis, const QPointF &at, Qt::Alignment alignment,
                     const QString &text, const QFont &font)
{
    auto *item = new QCPItemText(xAxis->parentPlot());
    item->position->setAxes(xAxis, yAxis);
    item->position->setCoords(at);
    item->setPositionAlignment(alignment);
    item->setText(text);
    item->setFont(font);
    item->setColor(Qt::blue);
    return item;
}

QCPLineEnding arrowhead()
{
    return QCPLineEnding(QCPLineEnding::esSpikeArrow, 8, 10);
}

} // namespace chartstyle
