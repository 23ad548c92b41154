#ifndef TAVELIN_ACOUSTICS_H
#define TAVELIN_ACOUSTICS_H

#include <cmath>

// The two relations every read-out of the demonstration rests on.
namespace acoustics {

// I0: the standard threshold of hearing at 1 kHz, in W/m². A sound level L in decibels is
// 10·lg(I/I0).
constexpr double thresholdOfHearing = 1e-12;

// Z: the specific acoustic impedance of air, in Pa·s/m, which ties the mean square sound
// pressure to the intensity, I = p²/Z.
constexpr double airImpedance = 417;

inline double levelToIntensity(double levelDb)
{
    return std::pow(10.0, levelDb / 10) * thresholdOfHearing;
}

inline double intensityToPressure(double intensity)
{
    return std::pow(airImpedance * intensity, 0.5);
}

} // namespace acoustics

#endif
