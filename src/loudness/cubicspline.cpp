#include "loudness/cubicspline.h"

#include <limits>
#include <vector>

void CubicSpline::build(const double *x, const double *y, unsigned n)
{
    release();
    // A single point or none has no direction to draw in.
    if (n < 2)
        return;

    count = n;
    segments.reset(new SplineSegment[n]);
    for (unsigned i = 0; i < n; ++i)
        segments[i] = SplineSegment{y[i], 0, 0, 0, x[i]};

    // Second derivatives from the tridiagonal system of the interior nodes, solved by the
    // sweep. The left end is held straight (c = 0); the right end takes the value the last
    // interior row leaves, so the curve keeps bending at the highest frequency. Two points
    // have no interior row: every second derivative stays zero and the piece is a line.
    if (n >= 3) {
        std::vector<double> alpha(n - 1), beta(n - 1);
        double lower = 0, diag = 0, rhs = 0;
        for (unsigned i = 1; i + 1 < n; ++i) {
            const double hLeft = x[i] - x[i - 1];
            const double hRight = x[i + 1] - x[i];
            lower = hLeft;
            diag = 2 * (hLeft + hRight);
            const double upper = hRight;
            rhs = 6 * ((y[i + 1] - y[i]) / hRight - (y[i] - y[i - 1]) / hLeft);
            const double z = lower * alpha[i - 1] + diag;
            alpha[i] = -upper / z;
            beta[i] = (rhs - lower * beta[i - 1]) / z;
        }
        segments[n - 1].c = (rhs - lower * beta[n - 2]) / (diag + lower * alpha[n - 2]);
        for (unsigned i = n - 2; i >= 1; --i)
            segments[i].c = alpha[i] * segments[i + 1].c + beta[i];
    }

    for (unsigned i = n - 1; i >= 1; --i) {
        const double h = x[i] - x[i - 1];
        SplineSegment &s = segments[i];
        const double cLeft = segments[i - 1].c;
        s.d = (s.c - cLeft) / h;
        s.b = h * (2 * s.c + cLeft) / 6 + (y[i] - y[i - 1]) / h;
    }
}

double CubicSpline::evaluate(double t) const
{
    if (!segments)
        return std::numeric_limits<double>::quiet_NaN();

    // The piece to use: the first one carries on to the left, the last one to the right,
    // and a t on an interior node belongs to the piece that ends there.
    unsigned j;
    if (t <= segments[0].x) {
        j = 1;
    } else if (t >= segments[count - 1].x) {
        j = count - 1;
    } else {
        unsigned lo = 0, hi = count - 1;
        while (lo + 1 < hi) {
            const unsigned mid = lo + (hi - lo) / 2;
            if (t <= segments[mid].x)
                hi = mid;
            else
                lo = mid;
        }
        j = hi;
    }

    const SplineSegment &s = segments[j];
    const double delta = t - s.x;
    return s.a + (s.b + (s.c * 0.5 + s.d * delta / 6) * delta) * delta;
}

void CubicSpline::release()
{
    segments.reset();
    count = 0;
}
