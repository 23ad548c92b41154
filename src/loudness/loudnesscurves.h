#ifndef TAVELIN_LOUDNESSCURVES_H
#define TAVELIN_LOUDNESSCURVES_H

// The equal-loudness curves: for each loudness level, the sound level in decibels that a
// listener hears as equally loud as a 1000 Hz tone of that level, at 27 frequencies. Both
// the equal-loudness chart and the listening chart draw from these very tables.
namespace loudness {

constexpr int frequencyNodeCount = 27;
constexpr int curveCount = 7; // 0, 20, … 120 phon

// clang-format off
inline constexpr double frequencyNodes[frequencyNodeCount] = {
         30,    40,    50,    60,    70,   100,   150,   200,   300,   400,   500,   600,   700,   800,
       1000,  1400,  2000,  3000,  4000,  5000,  6000,  7000,  8000,  9000, 10000, 12000, 14000,
};

// Row k is the curve of 20·k phon; at 1000 Hz its level equals its loudness level.
inline constexpr double curveLevels[curveCount][frequencyNodeCount] = {
    // 0 phon
    {    70,    62,    56,    52,  48.5,    40,    31,    25,    17,    12,     8,     5,     3,   1.5,
          0,    -1,    -4,    -7,    -6,    -2,     5,     9,    10,    10,    11,    14,    20},
    // 20 phon
    {    76,    71,    67,    63,    60,    54,    47,    42,    35,    30,    27,    25,    23,    22,
         20,    18,    15,    13,    15,    18,    23,    28,    30,    31,    32,    35,    40},
    // 40 phon
    {    82,    78,    74,    71,    69,    64,    58,    54,    49,    46,    44,    43,    42,    41,
         40,    41,    39,    36,    36,    40,    47,    50,    52,    53,    54,    57,    61},
    // 60 phon
    {    87,    84,    81,    78,    76,  72.5,    68,    65,    62,    61,    60,  59.5,    59,  59.5,
         60,    61,    59,    56,    58,    64,    68,    70,    72,    74,    75,    77,    81},
    // 80 phon
    {    92,    90,    89,    88,    87,    85,    83,    81,    79,    78,    78,  78.2,  78.5,    79,
         80,    82,    81,    77,    78,    83,    87,    89,    90,    91,    92,    95,   100},
    // 100 phon
    {   104,   103,   102, 101.5,   101, 100.5,   101,   102,   103, 103.5,   103, 102.5,   102,   101,
        100,  98.5,    97,    94,    95,    98,   102,   104,   106,   107,   108,   111,   115},
    // 120 phon
    {   129,   128,   127,   126, 125.5,   125,   125,   125,   125,   125,   124,   123,   122,   121,
        120,   118,   115,   112, 112.5,   115,   118,   120,   122,   123,   124,   125,   127},
};
// clang-format on

inline constexpr const char *curveLabels[curveCount] = {"0", "20", "40", "60", "80", "100", "120"};

// The curves are drawn at every whole hertz of the measured range.
constexpr int lowestSampledFrequency = 30;
constexpr int highestSampledFrequency = 14000;
constexpr int sampleCount = highestSampledFrequency - lowestSampledFrequency + 1;

// Writes curve `row` (0 … curveCount − 1) at every whole hertz from the lowest to the highest
// sampled frequency: sampleCount frequencies into `frequencies` and the smoothed levels
// there into `levels`, both arrays provided by the caller.
void sampleCurve(int row, double *frequencies, double *levels);

} // namespace loudness

#endif
