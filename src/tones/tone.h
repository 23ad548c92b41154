#ifndef TAVELIN_TONE_H
#define TAVELIN_TONE_H

#include <QtGlobal>

#include <functional>
#include <vector>

// Plays a steady sine of frequencyHz for durationMs through the sound card and returns when
// the tone has ended: never before the call's start plus its duration, even when no sound
// could be made, so that what the screen shows before the call stays exactly as long as the
// tone. What a sound server still holds of the tone at that moment (a few tens of
// milliseconds) sounds on after the return, and the next tone waits for it, so tones never
// overlap. Nothing is reported; a tone that cannot be played is silence of the same length,
// and a device that hangs in mid-tone is given up half a second after the tone's end.
void playTone(quint32 frequencyHz, quint32 durationMs);

namespace tones {

constexpr quint32 sampleRate = 48000;

// About half of full scale (-6 dBFS), the same at every frequency: the demonstration is that
// tones of equal intensity do not sound equally loud.
constexpr int amplitude = 16384;

// A sine switched on or off abruptly splashes energy over the whole audible band, heard as a
// click; a raised-cosine rise and fall of 10 ms keeps that energy within about 100 Hz of the
// tone.
constexpr quint32 fadeMs = 10;

// Tones at or above half the sample rate cannot be represented (they would alias to a lower,
// wrong pitch), so they are synthesised as silence.
constexpr quint32 silentFromHz = sampleRate / 2;

// The whole tone as it is sent to the sound card: durationMs · 48 samples, 16-bit mono.
std::vector<qint16> synthesize(quint32 frequencyHz, quint32 durationMs);

// Where playTone sends its tones. Tests install a sink that records the calls instead of
// sounding and waiting; an empty sink means the sound card. Returns the previous sink.
// A sink runs on the thread that called playTone, so that it may look at the window; callers
// that play the sound card's tones on a thread of their own ask hasSink first.
using Sink = std::function<void(quint32 frequencyHz, quint32 durationMs)>;
Sink setSink(Sink sink);
bool hasSink();

// What the sound card did to the tones played since the program started: how often it ran dry
// in mid-tone (an underrun, heard as a gap), how often it was set going again after an underrun
// or a suspend, and how many tones were cut short because it stopped taking samples. For the
// benchmark and a developer's measurements; the program itself reports nothing.
struct Counters
{
    quint64 underruns = 0;
    quint64 recoveries = 0;
    quint64 cutShort = 0;
};
Counters counters();

} // namespace tones

#endif
