// The platform-free part of the tone layer: the synthesis, the tests' sink, the counters and
// the tone's timing. The sound device itself is the platform's backend (tonedevice.h).
#include "tones/tone.h"
#include "tones/tonedevice.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>

namespace tones {
namespace {

constexpr double pi = 3.141592653589793;

// How long past the end of its tone a device that stops taking samples is waited for before
// the tone is abandoned: enough for a sound server waking a suspended output, short enough
// that the eight-tone sequence keeps its pace on a machine whose sound has hung.
constexpr std::chrono::milliseconds stalledDeviceGrace{500};

struct AtomicCounters
{
    std::atomic<quint64> underruns{0};
    std::atomic<quint64> recoveries{0};
    std::atomic<quint64> cutShort{0};
};
AtomicCounters counted;

Sink &installedSink()
{
    static Sink sink;
    return sink;
}

} // namespace

ToneSamples::ToneSamples(quint32 frequencyHz, quint32 durationMs)
    : cyclesPerSecond(frequencyHz < silentFromHz ? frequencyHz : 0),
      total(quint64(durationMs) * sampleRate / 1000),
      fade(std::min<quint64>(quint64(fadeMs) * sampleRate / 1000, total / 2))
{
}

void ToneSamples::render(qint16 *out, quint64 count)
{
    for (quint64 i = 0; i < count; ++i, ++next) {
        // The phase is kept as an exact fraction of a cycle, so that a three-second tone ends
        // exactly in tune with how it began.
        const quint64 phase = cyclesPerSecond * next % sampleRate;
        const double sine = std::sin(2 * pi * double(phase) / sampleRate);
        out[i] = qint16(std::lround(amplitude * envelope(next) * sine));
    }
}

double ToneSamples::envelope(quint64 sample) const
{
    const quint64 fromEdge = std::min(sample, total - 1 - sample);
    if (fromEdge >= fade)
        return 1;
    return 0.5 - 0.5 * std::cos(pi * double(fromEdge) / double(fade));
}

void countUnderrun()
{
    ++counted.underruns;
}

void countRecovery()
{
    ++counted.recoveries;
}

void countCutShort()
{
    ++counted.cutShort;
}

std::vector<qint16> synthesize(quint32 frequencyHz, quint32 durationMs)
{
    ToneSamples tone(frequencyHz, durationMs);
    std::vector<qint16> samples(tone.remaining());
    tone.render(samples.data(), samples.size());
    return samples;
}

Counters counters()
{
    Counters now;
    now.underruns = counted.underruns;
    now.recoveries = counted.recoveries;
    now.cutShort = counted.cutShort;
    return now;
}

Sink setSink(Sink sink)
{
    std::swap(installedSink(), sink);
    return sink;
}

bool hasSink()
{
    return bool(installedSink());
}

} // namespace tones

void playTone(quint32 frequencyHz, quint32 durationMs)
{
    const auto start = tones::Clock::now();
    if (const tones::Sink sink = tones::installedSink()) {
        sink(frequencyHz, durationMs);
        return;
    }
    if (durationMs == 0)
        return;
    const auto end = start + std::chrono::milliseconds(durationMs);
    tones::playOnSoundCard(frequencyHz, durationMs, end, end + tones::stalledDeviceGrace);
    // Whatever the device did, the tone ends at its appointed time and not before.
    std::this_thread::sleep_until(end);
}
