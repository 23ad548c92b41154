#include "figures.h"

#include <algorithm>
#include <cmath>

namespace figures {

double median(std::vector<double> samples)
{
    if (samples.empty())
        return std::nan("");
    std::sort(samples.begin(), samples.end());
    const size_t middle = samples.size() / 2;
    return samples.size() % 2 ? samples[middle] : (samples[middle - 1] + samples[middle]) / 2;
}

double percentile(std::vector<double> samples, double fraction)
{
    if (samples.empty())
        return std::nan("");
    std::sort(samples.begin(), samples.end());
    const auto rank = size_t(std::ceil(fraction * double(samples.size())));
    return samples[std::clamp<size_t>(rank, 1, samples.size()) - 1];
}

void Table::section(const QString &title)
{
    rows.push_back({QStringLiteral("**%1**").arg(title), {}, {}, {}, {}});
}

void Table::add(const QString &what, std::vector<double> samples, const QString &unit, const QString &target)
{
    rows.push_back({what, std::move(samples), unit, target, QString()});
}

void Table::addRatio(const QString &what, const QString &numerator, const QString &denominator)
{
    const Row *top = find(numerator);
    const Row *bottom = find(denominator);
    if (!top || !bottom)
        return;
    const double ratio = median(top->samples) / median(bottom->samples);
    rows.push_back({what,
                    {},
                    {},
                    {},
                    QStringLiteral("%1 (%2× faster)").arg(ratio, 0, 'f', 3).arg(1 / ratio, 0, 'f', 0)});
}

const Row *Table::find(const QString &what) const
{
    const auto found =
        std::find_if(rows.begin(), rows.end(), [&](const Row &row) { return row.what == what; });
    return found == rows.end() ? nullptr : &*found;
}

namespace {

QString quantity(double value, const QString &unit)
{
    if (std::isnan(value))
        return QStringLiteral("–");
    if (unit.isEmpty()) // a count
        return QString::number(value, 'f', 0);
    const double magnitude = std::abs(value);
    const int decimals = magnitude < 10 ? 2 : magnitude < 100 ? 1 : 0;
    const QString sign = unit == QLatin1String("kB") && value > 0 ? QStringLiteral("+") : QString();
    return sign + QString::number(value, 'f', decimals) + QLatin1Char(' ') + unit;
}

} // namespace

QString Table::markdown() const
{
    QString text =
        QStringLiteral("| Measurement | n | median | p95 | max | target |\n|---|--:|--:|--:|--:|---|\n");
    for (const Row &row : rows) {
        if (row.samples.empty()) {
            text += row.remark.isEmpty()
                        ? QStringLiteral("| %1 | | | | | |\n").arg(row.what)
                        : QStringLiteral("| %1 | | %2 | | | %3 |\n").arg(row.what, row.remark, row.target);
            continue;
        }
        text += QStringLiteral("| %1 | %2 | %3 | %4 | %5 | %6 |\n")
                    .arg(row.what)
                    .arg(row.samples.size())
                    .arg(quantity(median(row.samples), row.unit),
                         quantity(percentile(row.samples, 0.95), row.unit),
                         quantity(*std::max_element(row.samples.begin(), row.samples.end()), row.unit),
                         row.target);
    }
    return text;
}

} // namespace figures
