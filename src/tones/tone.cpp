// The tone generator: a sine computed a period at a time while ALSA's "default" device plays
// the previous periods. On a desktop "default" reaches PipeWire or PulseAudio; on a bare
// machine it is the first sound card.
#include "tones/tone.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <memory>
#include <thread>

namespace tones {
namespace {

constexpr double pi = 3.141592653589793;

using Clock = std::chrono::steady_clock;

// How long past the end of its tone a device that stops taking samples is waited for before
// the tone is abandoned: enough for a sound server waking a suspended output, short enough
// that the eight-tone sequence keeps its pace on a machine whose sound has hung.
constexpr std::chrono::milliseconds stalledDeviceGrace{500};

// A 10 ms period lets the first samples reach the device at once; five of them queued ride
// out the scheduling hiccups of a busy desktop without an underrun.
constexpr unsigned periodUs = 10000;
constexpr unsigned bufferUs = 50000;

Sink &installedSink()
{
    static Sink sink;
    return sink;
}

// Consecutive samples of one tone, so that it can be computed period by period.
class ToneSamples
{
public:
    ToneSamples(quint32 frequencyHz, quint32 durationMs)
        : cyclesPerSecond(frequencyHz < silentFromHz ? frequencyHz : 0),
          total(quint64(durationMs) * sampleRate / 1000),
          fade(std::min<quint64>(quint64(fadeMs) * sampleRate / 1000, total / 2))
    {
    }

    quint64 remaining() const { return total - next; }

    void render(qint16 *out, quint64 count)
    {
        for (quint64 i = 0; i < count; ++i, ++next) {
            // The phase is kept as an exact fraction of a cycle, so that a three-second tone
            // ends exactly in tune with how it began.
            const quint64 phase = cyclesPerSecond * next % sampleRate;
            const double sine = std::sin(2 * pi * double(phase) / sampleRate);
            out[i] = qint16(std::lround(amplitude * envelope(next) * sine));
        }
    }

private:
    double envelope(quint64 sample) const
    {
        const quint64 fromEdge = std::min(sample, total - 1 - sample);
        if (fromEdge >= fade)
            return 1;
        return 0.5 - 0.5 * std::cos(pi * double(fromEdge) / double(fade));
    }

    quint64 cyclesPerSecond;
    quint64 total;
    quint64 fade;
    quint64 next = 0;
};

void ignoreAlsaMessage(const char *, int, const char *, int, const char *, ...) {}

struct PcmClose
{
    void operator()(snd_pcm_t *pcm) const { snd_pcm_close(pcm); }
};
using Pcm = std::unique_ptr<snd_pcm_t, PcmClose>;

int millisecondsUntil(Clock::time_point moment)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(moment - Clock::now()).count();
    return int(std::clamp<decltype(left)>(left, 0, INT_MAX));
}

// The "default" device set up for 48 kHz 16-bit mono, or null when there is none or it
// refuses that format. A tone is never played at another rate: it would sound out of tune.
Pcm openSoundCard(snd_pcm_uframes_t &periodFrames)
{
    snd_pcm_t *raw = nullptr;
    // Opened without blocking, so that a device held by another program refuses at once
    // instead of holding the lecture; the tone itself is written in blocking mode.
    if (snd_pcm_open(&raw, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0)
        return {};
    Pcm pcm(raw);
    if (snd_pcm_nonblock(raw, 0) < 0)
        return {};

    snd_pcm_hw_params_t *hw = nullptr;
    snd_pcm_hw_params_alloca(&hw);
    if (snd_pcm_hw_params_any(raw, hw) < 0 || snd_pcm_hw_params_set_rate_resample(raw, hw, 1) < 0 ||
        snd_pcm_hw_params_set_access(raw, hw, SND_PCM_ACCESS_RW_INTERLEAVED) < 0 ||
        snd_pcm_hw_params_set_format(raw, hw, SND_PCM_FORMAT_S16) < 0 ||
        snd_pcm_hw_params_set_channels(raw, hw, 1) < 0 ||
        snd_pcm_hw_params_set_rate(raw, hw, sampleRate, 0) < 0)
        return {};
    // Preferences only: a device that insists on other sizes is used with its own.
    unsigned bufferTime = bufferUs;
    unsigned periodTime = periodUs;
    snd_pcm_hw_params_set_buffer_time_near(raw, hw, &bufferTime, nullptr);
    snd_pcm_hw_params_set_period_time_near(raw, hw, &periodTime, nullptr);
    snd_pcm_uframes_t period = 0;
    if (snd_pcm_hw_params(raw, hw) < 0 || snd_pcm_hw_params_get_period_size(hw, &period, nullptr) < 0 ||
        period == 0)
        return {};

    // The tone starts sounding with its first period instead of after a full buffer.
    snd_pcm_sw_params_t *sw = nullptr;
    snd_pcm_sw_params_alloca(&sw);
    if (snd_pcm_sw_params_current(raw, sw) < 0 ||
        snd_pcm_sw_params_set_start_threshold(raw, sw, period) < 0 ||
        snd_pcm_sw_params_set_avail_min(raw, sw, period) < 0 || snd_pcm_sw_params(raw, sw) < 0)
        return {};
    periodFrames = period;
    return pcm;
}

// Writes the tone and lets it play out. Every wait is bounded by giveUp: a device that stops
// taking samples, or fails again right after a recovery, is dropped and the rest of the tone
// is silence.
void playOut(snd_pcm_t *pcm, snd_pcm_uframes_t period, ToneSamples &tone, Clock::time_point giveUp)
{
    std::vector<qint16> chunk(period);
    const qint16 *pending = chunk.data();
    snd_pcm_uframes_t pendingFrames = 0;
    bool justRecovered = false;
    while (pendingFrames > 0 || tone.remaining() > 0) {
        if (Clock::now() >= giveUp) {
            snd_pcm_drop(pcm);
            return;
        }
        if (pendingFrames == 0) {
            pendingFrames = snd_pcm_uframes_t(std::min<quint64>(period, tone.remaining()));
            tone.render(chunk.data(), pendingFrames);
            pending = chunk.data();
        }
        // Waiting for room with a timeout and then writing no more than there is room for
        // keeps the blocking write from ever waiting on a device that has hung.
        snd_pcm_sframes_t result = snd_pcm_wait(pcm, millisecondsUntil(giveUp));
        if (result == 0) {
            snd_pcm_drop(pcm);
            return;
        }
        if (result > 0)
            result = snd_pcm_avail_update(pcm);
        if (result > 0)
            result = snd_pcm_writei(pcm, pending, std::min(pendingFrames, snd_pcm_uframes_t(result)));
        if (result < 0) {
            // An underrun or a suspended device is recovered from; one that fails again
            // before taking a single sample is beyond help for this tone.
            if (justRecovered || snd_pcm_recover(pcm, int(result), 1) < 0) {
                snd_pcm_drop(pcm);
                return;
            }
            justRecovered = true;
            continue;
        }
        if (result > 0)
            justRecovered = false;
        pending += result;
        pendingFrames -= snd_pcm_uframes_t(result);
    }

    // The queued samples play out on the clock while the device is seen to consume them; the
    // drain that takes the last period runs without blocking, so that a device hanging at
    // any moment of the tone is dropped at giveUp instead of holding the call.
    for (;;) {
        snd_pcm_sframes_t queued = 0;
        if (snd_pcm_state(pcm) != SND_PCM_STATE_RUNNING || snd_pcm_delay(pcm, &queued) < 0 ||
            queued <= snd_pcm_sframes_t(period))
            break;
        if (Clock::now() >= giveUp) {
            snd_pcm_drop(pcm);
            return;
        }
        const std::chrono::microseconds rest((queued - snd_pcm_sframes_t(period)) * 1000000 / sampleRate);
        std::this_thread::sleep_until(std::min(Clock::now() + rest, giveUp));
    }
    if (snd_pcm_nonblock(pcm, 1) < 0 || snd_pcm_drain(pcm) != -EAGAIN)
        return;
    while (snd_pcm_state(pcm) == SND_PCM_STATE_DRAINING) {
        if (Clock::now() >= giveUp) {
            snd_pcm_drop(pcm);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        // Some devices learn that they have run dry only when asked how much room they have.
        snd_pcm_avail_update(pcm);
    }
}

void playOnSoundCard(quint32 frequencyHz, quint32 durationMs, Clock::time_point giveUp)
{
    // ALSA writes its own complaints to stderr; a missing sound card is not the lecture's
    // business.
    static const bool silenced = (snd_lib_error_set_handler(ignoreAlsaMessage), true);
    Q_UNUSED(silenced)

    snd_pcm_uframes_t period = 0;
    const Pcm pcm = openSoundCard(period);
    if (!pcm)
        return;
    ToneSamples tone(frequencyHz, durationMs);
    playOut(pcm.get(), period, tone, giveUp);
}

} // namespace

std::vector<qint16> synthesize(quint32 frequencyHz, quint32 durationMs)
{
    ToneSamples tone(frequencyHz, durationMs);
    std::vector<qint16> samples(tone.remaining());
    tone.render(samples.data(), samples.size());
    return samples;
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
    tones::playOnSoundCard(frequencyHz, durationMs, end + tones::stalledDeviceGrace);
    // Whatever the device did, the tone ends at its appointed time and not before.
    std::this_thread::sleep_until(end);
}
