#ifndef TAVELIN_TESTS_ALSAWRITES_H
#define TAVELIN_TESTS_ALSAWRITES_H

// Every period of a tone that ALSA accepts passes through a program built with alsawrites.cpp,
// whose snd_pcm_writei stands before ALSA's own: the program learns the moment its tones reach
// the sound device, on the thread that writes them.

#include <alsa/asoundlib.h>

namespace alsawrites {

// Called on the thread that writes, right after ALSA accepted some frames written to the device.
using Observer = void (*)(snd_pcm_t *pcm, snd_pcm_sframes_t written);

// From now on every accepted write goes to this observer (none: nullptr).
void observe(Observer observer);

} // namespace alsawrites

#endif
