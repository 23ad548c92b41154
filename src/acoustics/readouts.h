#ifndef TAVELIN_READOUTS_H
#define TAVELIN_READOUTS_H

#include <QString>

#include <cmath>
#include <limits>

// The texts of the read-out fields: a prefix, a number and a unit. Numbers go through the
// plain "%1" placeholder, which writes a decimal point and an upper-case, signed, two-digit
// exponent whatever the lecturer's locale is.
namespace readouts {

// A frequency shown in whole hertz, truncated toward zero. A logarithmic axis maps pixels
// far outside a chart to astronomically large or small frequencies (even infinity), so the
// conversion saturates instead of overflowing.
inline qint64 wholeHertz(double frequency)
{
    if (std::isnan(frequency))
        return 0;
    constexpr double limit = 9223372036854775807.0; // 2^63, the first value qint64 cannot hold
    if (frequency >= limit)
        return std::numeric_limits<qint64>::max();
    if (frequency <= -limit)
        return std::numeric_limits<qint64>::min();
    return static_cast<qint64>(frequency);
}

inline QString frequency(qint64 hertz)
{
    return QStringLiteral("f = ") + QString::number(hertz) + QStringLiteral(" Гц");
}

inline QString level(double decibels, int decimals)
{
    return QStringLiteral("L = ") + QStringLiteral("%1").arg(decibels, 0, 'f', decimals) +
           QStringLiteral(" дБ");
}

inline QString intensity(double wattsPerSquareMetre, int decimals)
{
    return QStringLiteral("I = ") + QStringLiteral("%1").arg(wattsPerSquareMetre, 0, 'E', decimals) +
           QStringLiteral(" Вт/м\u00b2");
}

inline QString pressure(double pascals)
{
    return QStringLiteral("p = ") + QStringLiteral("%1").arg(pascals, 0, 'E', 2) + QStringLiteral(" Па");
}

} // namespace readouts

#endif
