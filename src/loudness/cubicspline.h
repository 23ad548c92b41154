#ifndef TAVELIN_CUBICSPLINE_H
#define TAVELIN_CUBICSPLINE_H

#include <memory>

// One piece of the spline, written around its right-hand node x:
// s(t) = a + b·(t − x) + c/2·(t − x)² + d/6·(t − x)³.
struct SplineSegment
{
    double a; // the node value
    double b; // slope at the node
    double c; // second derivative at the node
    double d; // third derivative, constant over the piece that ends at the node
    double x; // the node abscissa
};

// A smooth curve through tabulated points, used to draw an equal-loudness curve through
// its few dozen measured levels. The curve is straight-ended on the left (no bending at the
// lowest frequency) but keeps its natural bend at the right end.
class CubicSpline
{
public:
    CubicSpline() = default;
    CubicSpline(const CubicSpline &) = delete;
    CubicSpline &operator=(const CubicSpline &) = delete;

    // Passes the spline through the n points (x[i], y[i]), x strictly increasing, replacing
    // whatever was built before. Two points give the straight line through them; fewer
    // leave nothing built.
    void build(const double *x, const double *y, unsigned n);

    // The value at t; beyond the outer nodes the end pieces carry on as cubics. Not a
    // number while nothing is built. Allocates nothing, so a curve can be sampled densely.
    double evaluate(double t) const;

    void release();

private:
    std::unique_ptr<SplineSegment[]> segments;
    unsigned count = 0;
};

#endif
