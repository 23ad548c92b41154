#ifndef TAVELIN_CHARTSTYLE_H
#define TAVELIN_CHARTSTYLE_H

// The look the lecture's three charts share: axes named and numbered in their quantity's colour,
// ticks drawn inward, dotted grids, and decades of intensity and pressure written as raised
// powers of ten. Each chart's set-up then says only what is its own.

#include <QColor>
#include <QFont>
#include <QPen>
#include <QSharedPointer>
#include <QString>

class QCPAxis;
class QCPAxisTickerLog;
class QCPItemText;
class QCPLineEnding;
class QPointF;

namespace chartstyle {

// The axis's name in `labelFont` and its numbers in `tickFont`, both in the quantity's colour.
void name(QCPAxis *axis, const QString &label, const QColor &colour, const QFont &labelFont,
          const QFont &tickFont);

// Ticks and sub-ticks drawn inward, into the plot, with their pens and lengths in pixels.
void ticks(QCPAxis *axis, const QPen &tick, const QPen &subTick, int lengthIn, int subLengthIn);

// Dotted lines across the plot at the ticks and the sub-ticks; zero has no line of its own.
void dottedGrid(QCPAxis *axis, const QColor &atTicks, const QColor &atSubTicks);

// A logarithmic axis numbered in powers of ten written with a raised exponent, 10⁻¹²: the
// notation of intensities and pressures, which span many decades.
void powersOfTen(QCPAxis *axis);

// The intensity scale the equal-loudness and decibel-scale charts share: "I, Вт/м²" in
// magenta, numbered in powers of ten, growing upwards, with a dotted grid at its decades.
void intensityScale(QCPAxis *axis, const QFont &font);

// Ticks at whole decades, about `tickCount` of them, with `subTickCount` sub-ticks between two.
QSharedPointer<QCPAxisTickerLog> decades(int tickCount, int subTickCount);

// A caption in the curves' blue, placed on the chart at `at` in the units of `xAxis` and
// `yAxis`; `alignment` says which of its corners or edges stands there.
QCPItemText *caption(QCPAxis *xAxis, QCPAxis *yAxis, const QPointF &at, Qt::Alignment alignment,
                     const QString &text, const QFont &font);

// The arrowhead at the end of an axis towards which its quantity grows.
QCPLineEnding arrowhead();

} // namespace chartstyle

#endif
