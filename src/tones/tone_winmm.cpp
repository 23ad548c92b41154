// The tone layer's sound device on Windows: WinMM's wave output on the default device, which
// Windows mixes into the loudspeakers' shared stream. The whole tone is handed over at once,
// followed by silence, and the device's own count of samples played says when the tone has
// sounded.
#include "tones/tone.h"
#include "tones/tonedevice.h"

// mmsystem.h needs windows.h before it.
#include <windows.h>

#include <mmsystem.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace tones {
namespace {

// Silence queued after the tone, so that the device never runs dry under its last samples
// while they are still on their way to the loudspeakers. It is longer than the lead of any
// device that counts samples as played before they sound.
constexpr quint32 trailingSilenceMs = 200;

// A tone handed to the device, and what it needs until the device has played it.
struct Playing
{
    HWAVEOUT device = nullptr;
    HANDLE done = nullptr;
    std::vector<qint16> samples;
    WAVEHDR tone{};
    WAVEHDR silence{};
    Clock::time_point giveUp;

    Playing() = default;
    Playing(const Playing &) = delete;
    Playing &operator=(const Playing &) = delete;

    ~Playing()
    {
        if (device) {
            // Returns the buffers still queued, so that they can be unprepared and the device
            // closed; only silence is left once the tone has sounded.
            waveOutReset(device);
            waveOutUnprepareHeader(device, &tone, sizeof tone);
            waveOutUnprepareHeader(device, &silence, sizeof silence);
            waveOutClose(device);
        }
        if (done)
            CloseHandle(done);
    }

    // The samples of this stream the device has played, or -1 when it cannot say.
    qint64 played()
    {
        MMTIME position{};
        position.wType = TIME_SAMPLES;
        if (waveOutGetPosition(device, &position, sizeof position) != MMSYSERR_NOERROR)
            return -1;
        if (position.wType == TIME_SAMPLES)
            return qint64(position.u.sample);
        if (position.wType == TIME_BYTES)
            return qint64(position.u.cb / sizeof(qint16));
        return -1;
    }

    // Waits until the device has played `count` samples of this stream, or until `until`;
    // returns whether it has. A device that cannot say where it is has played them once the
    // buffer that holds the last of them is returned.
    bool waitFor(qint64 count, const WAVEHDR &last, Clock::time_point until)
    {
        for (;;) {
            const qint64 position = played();
            if (position >= count || (position < 0 && (last.dwFlags & WHDR_DONE)))
                return true;
            const auto now = Clock::now();
            if (now >= until)
                return false;
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - now).count();
            WaitForSingleObject(done, DWORD(std::min<decltype(left)>(left, 5)));
        }
    }

    bool waitForTone(Clock::time_point until)
    {
        return waitFor(qint64(tone.dwBufferLength / sizeof(qint16)), tone, until);
    }

    // A device may count as played what it has merely passed on to the sound card's own
    // buffer (Wine's ALSA driver does): closing it as soon as the tone counts as played would
    // cut the tone's end. The silence after the tone is played too
    // before the device is closed.
    void waitForSilence(Clock::time_point until) { waitFor(qint64(samples.size()), silence, until); }
};

// Opens the default device for 48 kHz 16-bit mono and hands it the tone and the silence after
// it; null when there is no device or it refuses. A tone is never played at another rate: it
// would sound out of tune.
std::unique_ptr<Playing> startTone(quint32 frequencyHz, quint32 durationMs, Clock::time_point giveUp)
{
    auto playing = std::make_unique<Playing>();
    playing->giveUp = giveUp;
    playing->done = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!playing->done)
        return {};
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = sampleRate;
    format.wBitsPerSample = 16;
    format.nBlockAlign = format.nChannels * format.wBitsPerSample / 8;
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    HWAVEOUT device = nullptr;
    if (waveOutOpen(&device, WAVE_MAPPER, &format, DWORD_PTR(playing->done), 0, CALLBACK_EVENT) !=
        MMSYSERR_NOERROR)
        return {};
    playing->device = device;

    ToneSamples tone(frequencyHz, durationMs);
    const quint64 toneSamples = tone.remaining();
    playing->samples.assign(toneSamples + quint64(trailingSilenceMs) * sampleRate / 1000, 0);
    tone.render(playing->samples.data(), toneSamples);
    playing->tone.lpData = reinterpret_cast<LPSTR>(playing->samples.data());
    playing->tone.dwBufferLength = DWORD(toneSamples * sizeof(qint16));
    playing->silence.lpData = reinterpret_cast<LPSTR>(playing->samples.data() + toneSamples);
    playing->silence.dwBufferLength = DWORD((playing->samples.size() - toneSamples) * sizeof(qint16));
    for (WAVEHDR *header : {&playing->tone, &playing->silence}) {
        if (waveOutPrepareHeader(device, header, sizeof *header) != MMSYSERR_NOERROR ||
            waveOutWrite(device, header, sizeof *header) != MMSYSERR_NOERROR)
            return {};
    }
    return playing;
}

// Lets the tone and the silence after it sound to their end, or gives a device that has
// stopped playing up at its giveUp.
void finish(std::unique_ptr<Playing> playing)
{
    if (!playing->waitForTone(playing->giveUp))
        countCutShort();
    else
        playing->waitForSilence(playing->giveUp);
}

} // namespace

void playOnSoundCard(quint32 frequencyHz, quint32 durationMs, Clock::time_point end, Clock::time_point giveUp)
{
    static Player player;
    const std::lock_guard<std::mutex> lock(player.oneAtATime);
    // The previous tone's last samples sound out first, so that tones never overlap.
    if (player.soundingOut.joinable())
        player.soundingOut.join();

    std::unique_ptr<Playing> playing = startTone(frequencyHz, durationMs, giveUp);
    if (!playing)
        return;
    playing->waitForTone(end);
    // What is left (the tone's last samples, if the device is late, and the silence) sounds out
    // on a thread of its own, and the device is closed once it has.
    player.soundingOut = std::thread(finish, std::move(playing));
}

} // namespace tones
