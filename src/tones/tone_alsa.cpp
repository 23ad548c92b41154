// The tone layer's sound device on Linux: the sine computed a period at a time while ALSA's
// "default" device plays the previous periods. On a desktop "default" reaches PipeWire or
// PulseAudio; on a bare machine it is the first sound card.
#include "tones/tone.h"
#include "tones/tonedevice.h"

#include <alsa/asoundlib.h>
#include <dlfcn.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace tones {
namespace {

// The sizes asked of the device. Through a sound server the period becomes the server's cycle,
// and a cycle that passes without this stream's samples is a gap of silence in the tone: a
// click, and a pitch that wavers. 2048 frames (42.7 ms) leave each cycle room for a late
// wake-up, and the stream still starts with its first period. The buffer holds four periods, so
// that this process's writer, which is not a real-time thread, may be kept from the CPU for
// three of them before the device runs dry.
constexpr snd_pcm_uframes_t periodFrames = 2048;
constexpr snd_pcm_uframes_t bufferFrames = 4 * periodFrames;

// PipeWire's version, as its library says, or nothing on a machine without PipeWire.
std::string pipewireVersion()
{
    void *library = dlopen("libpipewire-0.3.so.0", RTLD_LAZY | RTLD_LOCAL);
    if (!library)
        return {};
    std::string version;
    using Version = const char *(*)();
    if (const auto get = reinterpret_cast<Version>(dlsym(library, "pw_get_library_version")))
        version = get();
    dlclose(library);
    return version;
}

// PipeWire's ALSA device hands the server one cycle of the tone per graph cycle from a thread of
// this process, whatever the buffer holds, so a cycle that thread misses is a gap in the tone;
// cycles of a few milliseconds, as other programs ask for, are missed now and then on a busy or
// virtual machine. So a tone's stream asks PipeWire to hold the graph at the tone's period while
// it sounds, unless the user has a PipeWire ALSA setting of their own. PipeWire 1.x drops what a
// stream has queued when the stream changes the graph's pace, up to a period soon after it
// starts; there the stream starts with two periods of silence, so that only silence is dropped
// (the measurements behind this: docs/sound-servers.md).
// Returns the silence a stream starts with. Set before main, while the process has one thread:
// setting the environment is unsafe beside other threads reading it.
snd_pcm_uframes_t holdGraphAtTonePeriod()
{
    const std::string version = pipewireVersion();
    if (version.empty())
        return 0;
    const std::string pace = "{ node.force-quantum = " + std::to_string(periodFrames) + " }";
    if (setenv("PIPEWIRE_ALSA", pace.c_str(), 0) != 0 || version.rfind("0.", 0) == 0)
        return 0;
    return 2 * periodFrames;
}
const snd_pcm_uframes_t leadingSilence = holdGraphAtTonePeriod();

// Gives the device up for the rest of the tone, which is then silence.
void cutShort(snd_pcm_t *pcm)
{
    snd_pcm_drop(pcm);
    countCutShort();
}

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
Pcm openSoundCard(snd_pcm_uframes_t &periodSize)
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
    snd_pcm_uframes_t buffer = bufferFrames;
    snd_pcm_uframes_t periodNear = periodFrames;
    snd_pcm_hw_params_set_buffer_size_near(raw, hw, &buffer);
    snd_pcm_hw_params_set_period_size_near(raw, hw, &periodNear, nullptr);
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
    periodSize = period;
    return pcm;
}

// Writes the tone. Every wait is bounded by giveUp: a device that stops taking samples, or
// fails again right after a recovery, is dropped and the rest of the tone is silence. Returns
// whether the whole tone was written.
bool writeTone(snd_pcm_t *pcm, snd_pcm_uframes_t period, ToneSamples &tone, Clock::time_point giveUp)
{
    std::vector<qint16> chunk(period);
    const qint16 *pending = chunk.data();
    snd_pcm_uframes_t pendingFrames = 0;
    bool justRecovered = false;
    while (pendingFrames > 0 || tone.remaining() > 0) {
        if (Clock::now() >= giveUp) {
            cutShort(pcm);
            return false;
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
            cutShort(pcm);
            return false;
        }
        if (result > 0)
            result = snd_pcm_avail_update(pcm);
        if (result > 0)
            result = snd_pcm_writei(pcm, pending, std::min(pendingFrames, snd_pcm_uframes_t(result)));
        if (result < 0) {
            // An underrun or a suspended device is recovered from; one that fails again
            // before taking a single sample is beyond help for this tone.
            if (result == -EPIPE)
                countUnderrun();
            if (justRecovered || snd_pcm_recover(pcm, int(result), 1) < 0) {
                cutShort(pcm);
                return false;
            }
            countRecovery();
            justRecovered = true;
            continue;
        }
        if (result > 0)
            justRecovered = false;
        pending += result;
        pendingFrames -= snd_pcm_uframes_t(result);
    }
    return true;
}

// Whether the tone's samples have all sounded, for a device that has been given `silence`
// frames of silence after them. The device's delay counts the frames written and not yet
// played, a sound server's queue included, so the tone has sounded once no more than the
// silence is left; but under load PipeWire's ALSA device reports a period it has handed to
// the server as played while the server has yet to take it, so a period more of the silence
// must be seen to go. A device that has run dry or failed, or has nothing left at all (a file
// that takes samples at once), has nothing of the tone left either.
bool toneHasSounded(snd_pcm_t *pcm, snd_pcm_uframes_t silence, snd_pcm_uframes_t period)
{
    const snd_pcm_state_t state = snd_pcm_state(pcm);
    if (state != SND_PCM_STATE_RUNNING && state != SND_PCM_STATE_PREPARED)
        return true;
    snd_pcm_sframes_t delay = 0;
    return snd_pcm_delay(pcm, &delay) < 0 || delay <= 0 ||
           delay + snd_pcm_sframes_t(period) <= snd_pcm_sframes_t(silence);
}

// A tone whose last samples were still on their way when its call returned.
struct Ending
{
    Pcm pcm;
    snd_pcm_uframes_t silence = 0;
    snd_pcm_uframes_t period = 0;
    Clock::time_point giveUp;
};

// Feeds the device a period of silence if it has room for it, without waiting; returns the
// frames written.
snd_pcm_uframes_t feedSilence(snd_pcm_t *pcm, snd_pcm_uframes_t period)
{
    // Plain zeros, never destroyed: a tone may still be sounding out while the program exits.
    static const qint16 silence[8192] = {};
    const snd_pcm_sframes_t room = snd_pcm_avail_update(pcm);
    if (room <= 0)
        return 0;
    const snd_pcm_uframes_t frames =
        std::min({period, snd_pcm_uframes_t(room), snd_pcm_uframes_t(std::size(silence))});
    const snd_pcm_sframes_t written = snd_pcm_writei(pcm, silence, frames);
    return written > 0 ? snd_pcm_uframes_t(written) : 0;
}

// Waits until the ending tone has sounded and closes its device, dropping the silence after it;
// a device that hangs is given up at the tone's giveUp. Silence is fed only when the device
// holds less than two periods, enough that it never runs dry: a device kept full would hold
// the tone's end back by a whole buffer.
void finishEnding(Ending tone)
{
    while (!toneHasSounded(tone.pcm.get(), tone.silence, tone.period)) {
        if (Clock::now() >= tone.giveUp) {
            cutShort(tone.pcm.get());
            break;
        }
        snd_pcm_sframes_t delay = 0;
        if (snd_pcm_delay(tone.pcm.get(), &delay) == 0 && delay < 2 * snd_pcm_sframes_t(tone.period))
            tone.silence += feedSilence(tone.pcm.get(), tone.period);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    snd_pcm_drop(tone.pcm.get());
}

// Lets the written tone sound to its end. Through a sound server its last samples still wait
// in the server's queue when ALSA's buffer is empty, and a device closed or drained then may
// lose them, cutting off the fade with a click. So the device is fed silence until its delay
// shows the tone's last sample played, and then dropped: only silence is ever cut. At `end`
// the call returns in any case with the device still fed a buffer ahead, and what is left is
// returned to be sounded out meanwhile. A device with nothing queued beyond what it has taken
// (a file) is drained, so that it keeps exactly the tone's samples.
Ending playOut(Pcm pcm, snd_pcm_uframes_t period, Clock::time_point end, Clock::time_point giveUp)
{
    snd_pcm_t *raw = pcm.get();
    snd_pcm_uframes_t silenceWritten = 0;
    while (!toneHasSounded(raw, silenceWritten, period)) {
        const auto now = Clock::now();
        if (now >= giveUp) {
            cutShort(raw);
            return {};
        }
        if (now >= end)
            return {std::move(pcm), silenceWritten, period, giveUp};
        if (snd_pcm_wait(raw, millisecondsUntil(std::min(end, giveUp))) > 0)
            silenceWritten += feedSilence(raw, period);
    }
    if (silenceWritten > 0) {
        snd_pcm_drop(raw);
        return {};
    }
    // The drain runs without blocking, so that a device hanging at any moment is dropped at
    // giveUp instead of holding the call.
    if (snd_pcm_nonblock(raw, 1) < 0 || snd_pcm_drain(raw) != -EAGAIN)
        return {};
    while (snd_pcm_state(raw) == SND_PCM_STATE_DRAINING) {
        if (Clock::now() >= giveUp) {
            cutShort(raw);
            return {};
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        // Some devices learn that they have run dry only when asked how much room they have.
        snd_pcm_avail_update(raw);
    }
    return {};
}

} // namespace

void playOnSoundCard(quint32 frequencyHz, quint32 durationMs, Clock::time_point end, Clock::time_point giveUp)
{
    // ALSA writes its own complaints to stderr; a missing sound card is not the lecture's
    // business.
    static const bool silenced = (snd_lib_error_set_handler(ignoreAlsaMessage), true);
    Q_UNUSED(silenced)

    static Player player;
    const std::lock_guard<std::mutex> lock(player.oneAtATime);
    // The previous tone's last samples sound out first, so that tones never overlap.
    if (player.soundingOut.joinable())
        player.soundingOut.join();

    snd_pcm_uframes_t period = 0;
    Pcm pcm = openSoundCard(period);
    if (!pcm)
        return;
    // The silence a change of the sound server's pace may drop instead of the tone; only a
    // sound server's device (an ALSA plugin of its own) is given it.
    if (snd_pcm_type(pcm.get()) == SND_PCM_TYPE_IOPLUG) {
        for (snd_pcm_uframes_t lead = 0, fed = 1; lead < leadingSilence && fed > 0; lead += fed)
            fed = feedSilence(pcm.get(), leadingSilence - lead);
    }
    ToneSamples tone(frequencyHz, durationMs);
    if (!writeTone(pcm.get(), period, tone, giveUp))
        return;
    // What is left sounds out on a thread of its own, so that the device, and the pace it asks
    // of the sound server, goes as soon as the tone has sounded rather than at the next tone.
    Ending rest = playOut(std::move(pcm), period, end, giveUp);
    if (rest.pcm)
        player.soundingOut = std::thread(finishEnding, std::move(rest));
}

} // namespace tones
