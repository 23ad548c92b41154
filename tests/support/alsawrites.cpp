#include "alsawrites.h"

#include <dlfcn.h>

#include <atomic>

namespace {

std::atomic<alsawrites::Observer> current{nullptr};

} // namespace

void alsawrites::observe(Observer observer)
{
    current = observer;
}

// Found before ALSA's own by the tone layer, which calls it by name.
extern "C" snd_pcm_sframes_t snd_pcm_writei(snd_pcm_t *pcm, const void *buffer, snd_pcm_uframes_t size)
{
    using Write = snd_pcm_sframes_t (*)(snd_pcm_t *, const void *, snd_pcm_uframes_t);
    static const auto alsaWrite = reinterpret_cast<Write>(dlsym(RTLD_NEXT, "snd_pcm_writei"));
    const snd_pcm_sframes_t written = alsaWrite(pcm, buffer, size);
    if (written > 0) {
        if (const alsawrites::Observer observer = current)
            observer(pcm, written);
    }
    return written;
}
