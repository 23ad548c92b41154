// Checks what a sound driver wrote to WAV files (ALSA's file device: one file per opening of
// the device, some of them empty) against the tone layer's own synthesis: the tones given, one
// per file that holds sound, in order; 48 kHz, every sample within 1 of the synthesis (a
// driver that mixes in floating point may round), and nothing but silence before and after
// each. Only a sound path that keeps the samples as made passes: a resampled, clipped,
// shortened, doubled or missing tone fails.
//
//   tonefile FREQUENCY:MS[,FREQUENCY:MS...] FILE...
//
// Exits with 0 when every tone is there, whole; prints what it found either way.
#include "tones/tone.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

quint32 little(const std::string &data, size_t at, int bytes)
{
    quint32 value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value << 8 | quint8(data[at + size_t(i)]);
    return value;
}

struct Wave
{
    quint32 rate = 0;
    std::vector<int> samples; // the first channel, as 16-bit values
};

// A WAV of 16-bit integers or 32-bit floats, any number of channels; false when it is neither.
bool readWave(const char *path, Wave &wave)
{
    std::ifstream file(path, std::ios::binary);
    const std::string data((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (data.size() < 12 || data.compare(0, 4, "RIFF") || data.compare(8, 4, "WAVE"))
        return false;
    quint32 format = 0, channels = 0, bits = 0;
    for (size_t at = 12; at + 8 <= data.size();) {
        const std::string id = data.substr(at, 4);
        size_t size = little(data, at + 4, 4);
        // ALSA's file device leaves the data chunk's size at 0 until the file is closed, and may
        // not close it at all when the program is ended: the rest of the file is the data.
        if (id == "data" && (size == 0 || at + 8 + size > data.size()))
            size = data.size() - at - 8;
        if (at + 8 + size > data.size())
            return false;
        if (id == "fmt " && size >= 16) {
            format = little(data, at + 8, 2);
            channels = little(data, at + 10, 2);
            wave.rate = little(data, at + 12, 4);
            bits = little(data, at + 22, 2);
            if (format == 0xfffe && size >= 26) // WAVE_FORMAT_EXTENSIBLE: the sub-format's first two bytes
                format = little(data, at + 32, 2);
        } else if (id == "data") {
            const size_t frameBytes = size_t(channels) * bits / 8;
            if (!frameBytes || !((format == 1 && bits == 16) || (format == 3 && bits == 32)))
                return false;
            for (size_t frame = at + 8; frame + frameBytes <= at + 8 + size; frame += frameBytes) {
                if (format == 1) {
                    wave.samples.push_back(qint16(little(data, frame, 2)));
                } else {
                    float value;
                    const quint32 raw = little(data, frame, 4);
                    std::memcpy(&value, &raw, sizeof value);
                    wave.samples.push_back(int(std::lround(double(value) * 32768)));
                }
            }
            return true;
        }
        at += 8 + size + (size & 1);
    }
    return format != 0; // a header with no data chunk yet: an opening that played nothing
}

// Whether the sound in a file is exactly the tone; says what it found.
bool holdsTone(const char *path, const Wave &wave, size_t first, quint32 frequency, quint32 duration)
{
    const std::vector<qint16> tone = tones::synthesize(frequency, duration);
    if (wave.rate != tones::sampleRate) {
        std::printf("%s: %u samples a second\n", path, wave.rate);
        return false;
    }
    // The synthesis starts with samples too small to tell from silence.
    size_t start = 0;
    while (start < tone.size() && std::abs(tone[start]) <= 1)
        ++start;
    if (first < start) {
        std::printf("%s: the tone starts at the file's beginning, cut\n", path);
        return false;
    }
    const size_t offset = first - start;
    for (size_t i = 0; i < tone.size(); ++i) {
        const size_t at = offset + i;
        if (at >= wave.samples.size() || std::abs(wave.samples[at] - tone[i]) > 1) {
            std::printf("%s: sample %zu of the %u Hz tone is %d, not %d\n", path, i, frequency,
                        at < wave.samples.size() ? wave.samples[at] : 0, tone[i]);
            return false;
        }
    }
    for (size_t at = offset + tone.size(); at < wave.samples.size(); ++at) {
        if (std::abs(wave.samples[at]) > 1) {
            std::printf("%s: sound %zu samples after the tone's end\n", path, at - offset - tone.size());
            return false;
        }
    }
    std::printf("%s: the %u Hz tone, all %zu samples, after %zu samples of silence\n", path, frequency,
                tone.size(), offset);
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    std::vector<std::pair<quint32, quint32>> expected;
    for (const char *tone = argc > 1 ? argv[1] : ""; *tone;) {
        quint32 frequency = 0, duration = 0;
        int length = 0;
        if (std::sscanf(tone, "%u:%u%n", &frequency, &duration, &length) != 2)
            break;
        expected.emplace_back(frequency, duration);
        tone += length;
        if (*tone == ',')
            ++tone;
        else if (*tone)
            expected.clear();
    }
    if (argc < 3 || expected.empty()) {
        std::fprintf(stderr, "usage: %s FREQUENCY:MS[,FREQUENCY:MS...] FILE...\n", argv[0]);
        return 2;
    }
    size_t found = 0;
    for (int a = 2; a < argc; ++a) {
        Wave wave;
        if (!readWave(argv[a], wave)) {
            std::printf("%s: not a WAV file of 16-bit or float samples\n", argv[a]);
            return 1;
        }
        size_t first = 0;
        while (first < wave.samples.size() && std::abs(wave.samples[first]) <= 1)
            ++first;
        if (first == wave.samples.size())
            continue; // silence, or an opening that played nothing
        if (found == expected.size()) {
            std::printf("%s: a tone more than the %zu played\n", argv[a], expected.size());
            return 1;
        }
        if (!holdsTone(argv[a], wave, first, expected[found].first, expected[found].second))
            return 1;
        ++found;
    }
    if (found != expected.size()) {
        std::printf("%zu tones found, not %zu\n", found, expected.size());
        return 1;
    }
    return 0;
}
