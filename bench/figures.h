#ifndef TAVELIN_BENCH_FIGURES_H
#define TAVELIN_BENCH_FIGURES_H

// The benchmark's one table: for each measurement its repetitions, median, 95th percentile and
// maximum, beside the target it is held to.

#include <QString>

#include <chrono>
#include <vector>

namespace figures {

using Clock = std::chrono::steady_clock;

inline double millisecondsBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

double median(std::vector<double> samples);
// The nearest-rank percentile: a value that was measured, never an interpolation.
double percentile(std::vector<double> samples, double fraction);

struct Row
{
    QString what;
    std::vector<double> samples;
    QString unit; // "ms", "MB" or "kB"
    QString target;
    QString remark;     // shown instead of the figures when a row has none
    QString relativeTo; // the row whose median this row's median is divided by, if any
};

class Table
{
public:
    void section(const QString &title);
    void add(const QString &what, std::vector<double> samples, const QString &unit,
             const QString &target = QString(), const QString &relativeTo = QString());
    const Row *find(const QString &what) const;

    // The rows with figures, as lines of text for another process of the benchmark to read.
    QString rowsAsText() const;
    // Rows read from such text, measured on another screen: each goes right below its twin,
    // named after that screen.
    void addBeside(const QString &text, const QString &screen);

    // A Markdown table, so that it can go into the README as it is printed.
    QString markdown() const;

private:
    std::vector<Row> rows;
};

} // namespace figures

#endif
