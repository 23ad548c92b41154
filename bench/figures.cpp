#include "figures.h"

#include <QStringList>

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
    rows.push_back({QStringLiteral("**%1**").arg(title), {}, {}, {}, {}, {}});
}

void Table::add(const QString &what, std::vector<double> samples, const QString &unit, const QString &target,
                const QString &relativeTo)
{
    rows.push_back({what, std::move(samples), unit, target, QString(), relativeTo});
}

QString Table::rowsAsText() const
{
    QString text;
    for (const Row &row : rows) {
        if (row.samples.empty())
            continue;
        QStringList samples;
        for (double sample : row.samples)
            samples << QString::number(sample, 'g', 17);
        text +=
            QStringList{row.what, row.unit, row.target, row.relativeTo, samples.join(QLatin1Char(' '))}.join(
                QLatin1Char('\t')) +
            QLatin1Char('\n');
    }
    return text;
}

void Table::addBeside(const QString &text, const QString &screen)
{
    const QString suffix = QStringLiteral(" — ") + screen;
    for (const QString &line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList fields = line.split(QLatin1Char('\t'));
        if (fields.size() != 5)
            continue;
        Row row{fields[0] + suffix, {},        fields[1],
                fields[2],          QString(), fields[3].isEmpty() ? QString() : fields[3] + suffix};
        for (const QString &sample : fields[4].split(QLatin1Char(' '), Qt::SkipEmptyParts))
            row.samples.push_back(sample.toDouble());
        const auto twin =
            std::find_if(rows.begin(), rows.end(), [&](const Row &r) { return r.what == fields[0]; });
        rows.insert(twin == rows.end() ? twin : twin + 1, std::move(row));
    }
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
    QString text = QStringLiteral(
        "| Measurement | n | median | ÷ full replot | p95 | max | target |\n|---|--:|--:|--:|--:|--:|---|\n");
    for (const Row &row : rows) {
        if (row.samples.empty()) {
            text += row.remark.isEmpty()
                        ? QStringLiteral("| %1 | | | | | | |\n").arg(row.what)
                        : QStringLiteral("| %1 | | %2 | | | | %3 |\n").arg(row.what, row.remark, row.target);
            continue;
        }
        const Row *reference = row.relativeTo.isEmpty() ? nullptr : find(row.relativeTo);
        const QString ratio =
            reference ? QString::number(median(row.samples) / median(reference->samples), 'f', 3) : QString();
        text += QStringLiteral("| %1 | %2 | %3 | %4 | %5 | %6 | %7 |\n")
                    .arg(row.what)
                    .arg(row.samples.size())
                    .arg(quantity(median(row.samples), row.unit), ratio,
                         quantity(percentile(row.samples, 0.95), row.unit),
                         quantity(*std::max_element(row.samples.begin(), row.samples.end()), row.unit),
                         row.target);
    }
    return text;
}

} // namespace figures
