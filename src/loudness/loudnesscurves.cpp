#include "loudness/loudnesscurves.h"

#include "loudness/cubicspline.h"

namespace loudness {

void sampleCurve(int row, double *frequencies, double *levels)
{
    CubicSpline curve;
    curve.build(frequencyNodes, curveLevels[row], frequencyNodeCount);
    for (int j = 0; j < sampleCount; ++j) {
        const double frequency = lowestSampledFrequency + j;
        frequencies[j] = frequency;
        levels[j] = curve.evaluate(frequency);
    }
}

} // namespace loudness
