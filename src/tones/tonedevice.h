#ifndef TAVELIN_TONEDEVICE_H
#define TAVELIN_TONEDEVICE_H

// What the platform's sound-device backend shares with the platform-free part of the tone layer:
// the synthesis, computed a piece at a time, and the counters of what the device did.
#include <QtGlobal>

#include <chrono>
#include <mutex>
#include <thread>

namespace tones {

using Clock = std::chrono::steady_clock;

// Consecutive samples of one tone, so that a backend can compute it as the device takes it.
class ToneSamples
{
public:
    ToneSamples(quint32 frequencyHz, quint32 durationMs);

    quint64 remaining() const { return total - next; }
    void render(qint16 *out, quint64 count);

private:
    double envelope(quint64 sample) const;

    quint64 cyclesPerSecond;
    quint64 total;
    quint64 fade;
    quint64 next = 0;
};

// The sound card's tones, one at a time, and the thread that lets the last of them sound out.
struct Player
{
    std::mutex oneAtATime;
    std::thread soundingOut;

    ~Player()
    {
        if (soundingOut.joinable())
            soundingOut.join();
    }
};

void countUnderrun();
void countRecovery();
void countCutShort();

// Plays the tone on the platform's sound device, one tone at a time. It may return before `end`
// with the tone's last samples still sounding, as long as the next call waits for them; it
// never waits past `giveUp`, when a device that has stopped taking samples is abandoned. Each
// platform's backend defines it in a file of its own.
void playOnSoundCard(quint32 frequencyHz, quint32 durationMs, Clock::time_point end,
                     Clock::time_point giveUp);

} // namespace tones

#endif
