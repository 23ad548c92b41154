// Plays tones through playTone while reading what the sound server's sink plays, as 48 kHz
// mono 16-bit samples from two independent recordings of the sink's monitor (standard input
// and the file given with --second, a pipe), then checks every recorded tone sample by sample
// against the tone layer's own synthesis: no gap, no repeated or lost samples, the fades
// intact, nothing between the tones. A recorder may itself miss a cycle on a busy machine, so a
// fault counts only where both recordings show it at the same place in the tone.
//
//   pipewiretones --second FILE [--repeat N] [--gap MS] FREQUENCY:MS...
//
// Prints a line per faulty tone and a summary with the timing of the calls; exits with 1 when
// a tone is faulty or missing.
#include "support/alsawrites.h"
#include "tones/tone.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Samples = std::vector<qint16>;

struct Tone
{
    quint32 frequency;
    quint32 duration;
    Clock::time_point called;
    Clock::time_point firstPlays;
    Clock::time_point returned;
};

// Everything read from the monitor, and when each read ended: a sample cannot have reached
// the server later than the read that delivered it.
struct Recording
{
    std::mutex lock;
    Samples samples;
    std::vector<std::pair<size_t, Clock::time_point>> arrivals; // samples held after the read
    std::atomic<bool> ended{false};
};

void record(Recording &recording, int fd)
{
    char buffer[8192];
    std::string pending;
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got <= 0)
            break;
        const auto now = Clock::now();
        pending.append(buffer, size_t(got));
        const std::lock_guard<std::mutex> guard(recording.lock);
        const size_t whole = pending.size() / 2;
        for (size_t i = 0; i < whole; ++i)
            recording.samples.push_back(
                qint16(quint16(quint8(pending[2 * i])) | quint16(quint8(pending[2 * i + 1])) << 8));
        pending.erase(0, whole * 2);
        recording.arrivals.emplace_back(recording.samples.size(), now);
    }
    recording.ended = true;
}

double msBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// The faults found in one recorded tone, walking both waves side by side and finding the
// recording again after each mismatch: samples the server got in excess (a gap of silence, a
// repeated stretch) or that it never got.
struct Fault
{
    size_t at; // sample of the tone
    std::string what;
};

struct Comparison
{
    std::vector<Fault> faults;
    size_t end = 0; // index in the recording just after the tone
};

bool matches(const Samples &recorded, size_t at, const Samples &tone, size_t from, size_t length)
{
    if (at + length > recorded.size() || from + length > tone.size())
        return false;
    return std::equal(tone.begin() + long(from), tone.begin() + long(from + length),
                      recorded.begin() + long(at));
}

Comparison compare(const Samples &recorded, size_t start, const Samples &tone)
{
    constexpr size_t resync = 96; // two milliseconds that must agree again
    constexpr size_t maxShift = 48000;
    Comparison result;
    size_t i = 0;
    size_t j = start;
    while (i < tone.size()) {
        if (j < recorded.size() && recorded[j] == tone[i]) {
            ++i;
            ++j;
            continue;
        }
        char text[96];
        size_t shift = 1;
        for (; shift < maxShift; ++shift) {
            if (matches(recorded, j + shift, tone, i, std::min(resync, tone.size() - i))) {
                std::snprintf(text, sizeof text, "%.3f s: %zu extra samples", double(i) / tones::sampleRate,
                              shift);
                result.faults.push_back({i, text});
                j += shift;
                break;
            }
            if (i + shift < tone.size() &&
                matches(recorded, j, tone, i + shift, std::min(resync, tone.size() - i - shift))) {
                std::snprintf(text, sizeof text, "%.3f s: %zu samples lost", double(i) / tones::sampleRate,
                              shift);
                result.faults.push_back({i, text});
                i += shift;
                break;
            }
        }
        if (shift == maxShift) {
            std::snprintf(text, sizeof text, "%.3f s: never agrees again", double(i) / tones::sampleRate);
            result.faults.push_back({i, text});
            j = start + 1;
            break;
        }
    }
    result.end = j;
    return result;
}

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(p * double(values.size() - 1) + 0.5))];
}

// When the device expects to play the first sample of the tone being played: at its first
// write, the frames it then holds unplayed, its server's queue included, less those written.
Clock::time_point firstSamplePlays;

void noteFirstSamplePlays(snd_pcm_t *pcm, snd_pcm_sframes_t written)
{
    snd_pcm_sframes_t delay = 0;
    if (firstSamplePlays == Clock::time_point() && snd_pcm_delay(pcm, &delay) == 0)
        firstSamplePlays =
            Clock::now() + std::chrono::microseconds((delay - written) * 1000000 / tones::sampleRate);
}

// What one recording shows of the tones played.
struct Heard
{
    std::vector<bool> recorded;             // per tone: found at all
    std::vector<std::vector<Fault>> faults; // per tone
    std::vector<double> firstSample;        // call -> first sample read, per tone found
    bool soundAfter = false;                // anything after the last tone
};

Heard listen(Recording &recording, const std::vector<Tone> &played)
{
    const std::lock_guard<std::mutex> guard(recording.lock);
    const Samples &recorded = recording.samples;
    Heard heard;
    size_t cursor = 0;
    size_t arrival = 0;
    for (const Tone &tone : played) {
        const Samples expected = tones::synthesize(tone.frequency, tone.duration);
        const auto audible = std::find_if(expected.begin(), expected.end(), [](qint16 s) { return s != 0; });
        // No tone starts before its call: what had arrived by then is older.
        while (arrival < recording.arrivals.size() && recording.arrivals[arrival].second < tone.called)
            cursor = std::max(cursor, recording.arrivals[arrival++].first);
        const auto first =
            std::find_if(recorded.begin() + long(cursor), recorded.end(), [](qint16 s) { return s != 0; });
        if (audible == expected.end() || first == recorded.end() ||
            size_t(first - recorded.begin()) < size_t(audible - expected.begin())) {
            heard.recorded.push_back(false);
            heard.faults.emplace_back();
            continue;
        }
        const size_t start = size_t(first - recorded.begin()) - size_t(audible - expected.begin());
        while (arrival < recording.arrivals.size() && recording.arrivals[arrival].first <= start)
            ++arrival;
        if (arrival < recording.arrivals.size())
            heard.firstSample.push_back(msBetween(tone.called, recording.arrivals[arrival].second));
        Comparison c = compare(recorded, start, expected);
        heard.recorded.push_back(true);
        heard.faults.push_back(std::move(c.faults));
        cursor = c.end;
    }
    heard.soundAfter = std::any_of(recorded.begin() + long(std::min(cursor, recorded.size())), recorded.end(),
                                   [](qint16 s) { return s != 0; });
    return heard;
}

// Whether the other recording has a fault within a server cycle of this one.
bool alsoIn(const Fault &fault, const std::vector<Fault> &other)
{
    constexpr size_t cycle = 2048;
    return std::any_of(other.begin(), other.end(), [&](const Fault &f) {
        return (f.at > fault.at ? f.at - fault.at : fault.at - f.at) <= cycle;
    });
}

} // namespace

int main(int argc, char **argv)
{
    alsawrites::observe(noteFirstSamplePlays);
    int repeat = 1;
    int gapMs = 100;
    const char *second = nullptr;
    std::vector<Tone> plan;
    for (int a = 1; a < argc; ++a) {
        if (!std::strcmp(argv[a], "--repeat") && a + 1 < argc)
            repeat = std::atoi(argv[++a]);
        else if (!std::strcmp(argv[a], "--gap") && a + 1 < argc)
            gapMs = std::atoi(argv[++a]);
        else if (!std::strcmp(argv[a], "--second") && a + 1 < argc)
            second = argv[++a];
        else {
            Tone tone{};
            if (std::sscanf(argv[a], "%u:%u", &tone.frequency, &tone.duration) != 2) {
                std::fprintf(stderr, "usage: %s --second FILE [--repeat N] [--gap MS] FREQUENCY:MS...\n",
                             argv[0]);
                return 2;
            }
            plan.push_back(tone);
        }
    }
    const int secondFd = second ? open(second, O_RDONLY) : -1;
    if (secondFd < 0) {
        std::fprintf(stderr, "%s: no second recording to read\n", argv[0]);
        return 2;
    }

    Recording recordings[2];
    std::thread(record, std::ref(recordings[0]), STDIN_FILENO).detach();
    std::thread(record, std::ref(recordings[1]), secondFd).detach();
    // The monitor is linked and running once samples arrive.
    for (Recording &recording : recordings) {
        for (int tenth = 0; tenth < 100 && !recording.ended; ++tenth) {
            {
                const std::lock_guard<std::mutex> guard(recording.lock);
                if (recording.samples.size() > tones::sampleRate / 10)
                    break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }

    std::vector<Tone> played;
    for (int r = 0; r < repeat; ++r) {
        for (Tone tone : plan) {
            firstSamplePlays = Clock::time_point();
            tone.called = Clock::now();
            playTone(tone.frequency, tone.duration);
            tone.returned = Clock::now();
            tone.firstPlays = firstSamplePlays;
            played.push_back(tone);
            std::this_thread::sleep_for(std::chrono::milliseconds(gapMs));
        }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));

    const Heard heard[2] = {listen(recordings[0], played), listen(recordings[1], played)};
    int faultyTones = 0;
    int faults = 0;
    int recorderFaults = 0;
    std::vector<double> firstPlayed;
    std::vector<double> lateReturn;
    for (size_t k = 0; k < played.size(); ++k) {
        const Tone &tone = played[k];
        if (tone.firstPlays != Clock::time_point())
            firstPlayed.push_back(msBetween(tone.called, tone.firstPlays));
        lateReturn.push_back(msBetween(tone.called, tone.returned) - tone.duration);
        if (!heard[0].recorded[k] && !heard[1].recorded[k]) {
            std::printf("tone %zu, %u Hz %u ms: not recorded\n", k + 1, tone.frequency, tone.duration);
            ++faultyTones;
            ++faults;
            continue;
        }
        std::string where;
        int found = 0;
        for (int r = 0; r < 2; ++r) {
            const Heard &other = heard[1 - r];
            for (const Fault &fault : heard[r].faults[k]) {
                if (!other.recorded[k] || alsoIn(fault, other.faults[k])) {
                    // Seen by both: count it once, from the first recording.
                    if (r == 0 || !other.recorded[k]) {
                        where += " " + fault.what + ";";
                        ++found;
                    }
                } else {
                    std::printf("tone %zu, %u Hz %u ms: recorder %d alone: %s\n", k + 1, tone.frequency,
                                tone.duration, r + 1, fault.what.c_str());
                    ++recorderFaults;
                }
            }
        }
        if (found) {
            std::printf("tone %zu, %u Hz %u ms: %d faults:%s\n", k + 1, tone.frequency, tone.duration, found,
                        where.c_str());
            ++faultyTones;
            faults += found;
        }
    }
    if (heard[0].soundAfter && heard[1].soundAfter) {
        std::printf("sound after the last tone\n");
        ++faults;
    }
    const tones::Counters counters = tones::counters();
    std::printf("%zu tones, %d faulty, %d faults (and %d seen by one recorder only); ALSA underruns %llu, "
                "recoveries %llu, tones cut short %llu\n",
                played.size(), faultyTones, faults, recorderFaults, (unsigned long long)counters.underruns,
                (unsigned long long)counters.recoveries, (unsigned long long)counters.cutShort);
    std::printf("call -> first sample played, as the device expects at its first write: median %.1f ms, p95 "
                "%.1f ms, max %.1f ms\n",
                percentile(firstPlayed, 0.5), percentile(firstPlayed, 0.95), percentile(firstPlayed, 1));
    const std::vector<double> &firstSample = heard[0].firstSample;
    std::printf("call -> first sample read from the monitor: median %.1f ms, p95 %.1f ms, max %.1f ms\n",
                percentile(firstSample, 0.5), percentile(firstSample, 0.95), percentile(firstSample, 1));
    std::printf("return after the duration: min %.1f ms, median %.1f ms, max %.1f ms\n",
                percentile(lateReturn, 0), percentile(lateReturn, 0.5), percentile(lateReturn, 1));
    std::fflush(stdout);
    std::_Exit(faults ? 1 : 0);
}
