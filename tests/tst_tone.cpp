// The tones the lecture hall hears: their pitch, their strength, their clean edges, the
// samples that really reach ALSA's "default" device, and the time each tone takes even when
// there is no sound card at all.

#include "tones/tone.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <csignal>

namespace {

using Clock = std::chrono::steady_clock;
using Samples = std::vector<qint16>;

constexpr double fullStrengthRms = tones::amplitude / M_SQRT2;
// The tone at full strength lies between the two fades.
constexpr size_t fadeSamples = tones::fadeMs * tones::sampleRate / 1000;
// How much later than its duration a tone may end: a loose bound against hanging, well below
// the half second that a hung device is waited for.
constexpr qint64 slackMs = 250;

// The pitch from where the wave crosses zero, each crossing placed between its two samples
// by linear interpolation: half-cycles between the first and the last crossing over the time
// between them. Unlike a spectrum peak this stays exact for the highest tones, which have
// barely four samples per cycle.
double crossingFrequency(const Samples &samples)
{
    double first = 0;
    double last = 0;
    int crossings = 0;
    for (size_t i = fadeSamples + 1; i + fadeSamples < samples.size(); ++i) {
        const double before = samples[i - 1];
        const double after = samples[i];
        if ((before >= 0) != (after >= 0)) {
            last = double(i - 1) + before / (before - after);
            first = crossings++ ? first : last;
        }
    }
    return crossings < 2 ? 0 : (crossings - 1) / 2.0 * tones::sampleRate / (last - first);
}

double rms(const Samples &samples, size_t begin, size_t end)
{
    double sum = 0;
    for (size_t i = begin; i < end; ++i)
        sum += double(samples[i]) * samples[i];
    return std::sqrt(sum / double(end - begin));
}

int peak(const Samples &samples, size_t begin, size_t end)
{
    int loudest = 0;
    for (size_t i = begin; i < end; ++i)
        loudest = std::max(loudest, std::abs(int(samples[i])));
    return loudest;
}

bool near(double measured, double expected, double tolerance)
{
    return std::abs(measured / expected - 1) < tolerance;
}

// The samples of a WAV file as ALSA's file device writes it: the canonical 44-byte header of
// 16-bit mono PCM at 48 kHz, its sizes agreeing with the file's length (ALSA fills them in
// when the device is closed).
Samples readWav(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    const QByteArray bytes = file.readAll();
    const quint32 dataBytes = quint32(std::max<qint64>(0, bytes.size() - 44));
    QByteArray header;
    QDataStream out(&header, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("RIFF", 4);
    out << 36 + dataBytes;
    out.writeRawData("WAVEfmt ", 8);
    const quint16 pcm = 1, mono = 1, bytesPerSample = 2, bitsPerSample = 16;
    out << quint32(16) << pcm << mono << tones::sampleRate << tones::sampleRate * bytesPerSample
        << bytesPerSample << bitsPerSample;
    out.writeRawData("data", 4);
    out << dataBytes;
    if (bytes.left(44) != header) {
        QTest::qFail(qPrintable(path + ": not the expected WAV header: " + bytes.left(44).toHex()), __FILE__,
                     __LINE__);
        return {};
    }
    Samples samples(dataBytes / 2);
    qFromLittleEndian<qint16>(bytes.constData() + 44, qsizetype(samples.size()), samples.data());
    return samples;
}

// Plays a tone and returns how long the call took and what was written to stderr meanwhile.
qint64 timedTone(quint32 frequency, quint32 duration, QByteArray *stderrText = nullptr)
{
    QTemporaryFile capture;
    capture.open();
    fflush(stderr);
    const int savedStderr = dup(STDERR_FILENO);
    dup2(capture.handle(), STDERR_FILENO);
    const auto start = Clock::now();
    playTone(frequency, duration);
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    fflush(stderr);
    dup2(savedStderr, STDERR_FILENO);
    close(savedStderr);
    if (stderrText) {
        capture.seek(0);
        *stderrText = capture.readAll();
    }
    return elapsed.count();
}

} // namespace

class Tone : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void synthesisedTone_data();
    void synthesisedTone();
    void sampleCountMatchesTheDuration_data();
    void sampleCountMatchesTheDuration();
    void pitchesAboveHalfTheSampleRateAreSilent_data();
    void pitchesAboveHalfTheSampleRateAreSilent();

    void soundCardReceivesTheTone_data();
    void soundCardReceivesTheTone();
    void successiveTonesReachTheCardOneAfterAnother();
    void unusableSoundCardStillTakesTheToneLength_data();
    void unusableSoundCardStillTakesTheToneLength();
    void cardFailingMidToneStillTakesTheToneLength_data();
    void cardFailingMidToneStillTakesTheToneLength();
    void sinkTakesThePlaceOfTheSoundCard();

private:
    void useAlsaConfiguration(const QString &path);
    // The files the capture device wrote, in the order the tones were played.
    QStringList capturedFiles() const;

    QScopedPointer<QTemporaryDir> dir;
    QString capture;
};

void Tone::initTestCase()
{
    // The process must never reach a real sound card: ALSA reads its configuration at the
    // first opening of a device, and again whenever this path changes.
    useAlsaConfiguration(QStringLiteral(TAVELIN_ALSA_DIR "/capture.conf"));
}

void Tone::init()
{
    dir.reset(new QTemporaryDir);
    QVERIFY(dir->isValid());
    capture = dir->filePath(QStringLiteral("tone.wav"));
    qputenv("TAVELIN_TONE_CAPTURE", QFile::encodeName(capture));
}

void Tone::cleanup()
{
    useAlsaConfiguration(QStringLiteral(TAVELIN_ALSA_DIR "/capture.conf"));
    qunsetenv("TAVELIN_TONE_CAPTURE");
    dir.reset();
}

void Tone::useAlsaConfiguration(const QString &path)
{
    qputenv("ALSA_CONFIG_PATH", QFile::encodeName(path));
}

QStringList Tone::capturedFiles() const
{
    // ALSA writes the first tone to the name given and each later one to NAME.0001, NAME.0002...
    const QString name = QFileInfo(capture).fileName();
    QStringList files = QDir(dir->path()).entryList({name + '*'}, QDir::Files);
    const auto order = [&](const QString &file) {
        return file == name ? 0 : file.mid(name.size() + 1).toInt();
    };
    std::sort(files.begin(), files.end(),
              [&](const QString &a, const QString &b) { return order(a) < order(b); });
    for (QString &file : files)
        file = dir->filePath(file);
    return files;
}

void Tone::synthesisedTone_data()
{
    QTest::addColumn<quint32>("frequency");
    QTest::addColumn<quint32>("duration");
    // The slider's ends, the eight tones of the sequence, and pitches whose cycle is no whole
    // number of samples, at the slider's and the sequence's durations.
    for (quint32 duration : {1500u, 3000u}) {
        for (quint32 hertz :
             {40u, 41u, 42u, 70u, 130u, 560u, 997u, 1000u, 1850u, 4300u, 12345u, 13499u, 13500u})
            QTest::addRow("%u Hz, %u ms", hertz, duration) << hertz << duration;
    }
}

void Tone::synthesisedTone()
{
    QFETCH(quint32, frequency);
    QFETCH(quint32, duration);
    const Samples tone = tones::synthesize(frequency, duration);
    const size_t millisecond = tones::sampleRate / 1000;

    const double pitch = crossingFrequency(tone);
    QVERIFY2(near(pitch, frequency, 0.001), qPrintable(QString::number(pitch, 'f', 3)));

    // Equal intensity at every pitch: the same strength as the 1000 Hz tone, and the
    // intended one between the fades.
    const Samples reference = tones::synthesize(1000, duration);
    const double strength = rms(tone, 0, tone.size());
    QVERIFY2(near(strength, rms(reference, 0, reference.size()), 0.002),
             qPrintable(QString::number(strength)));
    const double steady = rms(tone, fadeSamples, tone.size() - fadeSamples);
    QVERIFY2(near(steady, fullStrengthRms, 0.002), qPrintable(QString::number(steady)));
    QVERIFY(peak(tone, 0, tone.size()) <= tones::amplitude);

    // No click: the first and the last millisecond stay 30 dB below the crest, and the wave
    // starts and ends at rest.
    const int nearSilence = int(tones::amplitude * std::pow(10.0, -30.0 / 20));
    QCOMPARE(tone.front(), qint16(0));
    QCOMPARE(tone.back(), qint16(0));
    QVERIFY2(peak(tone, 0, millisecond) < nearSilence,
             qPrintable(QString::number(peak(tone, 0, millisecond))));
    const int lastPeak = peak(tone, tone.size() - millisecond, tone.size());
    QVERIFY2(lastPeak < nearSilence, qPrintable(QString::number(lastPeak)));
}

void Tone::sampleCountMatchesTheDuration_data()
{
    QTest::addColumn<quint32>("duration");
    QTest::addColumn<int>("samples");
    QTest::newRow("nothing") << 0u << 0;
    QTest::newRow("one millisecond") << 1u << 48;
    QTest::newRow("shorter than the fades") << 7u << 336;
    QTest::newRow("the slider's tone") << 1500u << 72000;
    QTest::newRow("a tone of the sequence") << 3000u << 144000;
}

void Tone::sampleCountMatchesTheDuration()
{
    QFETCH(quint32, duration);
    QFETCH(int, samples);
    QCOMPARE(int(tones::synthesize(1000, duration).size()), samples);
}

void Tone::pitchesAboveHalfTheSampleRateAreSilent_data()
{
    QTest::addColumn<quint32>("frequency");
    QTest::newRow("no pitch at all") << 0u;
    QTest::newRow("half the sample rate") << 24000u;
    QTest::newRow("would alias to 16 kHz") << 32000u;
    QTest::newRow("the largest frequency") << 0xffffffffu;
}

void Tone::pitchesAboveHalfTheSampleRateAreSilent()
{
    QFETCH(quint32, frequency);
    const Samples tone = tones::synthesize(frequency, 100);
    QCOMPARE(int(tone.size()), 4800);
    QCOMPARE(peak(tone, 0, tone.size()), 0);
}

void Tone::soundCardReceivesTheTone_data()
{
    QTest::addColumn<quint32>("frequency");
    QTest::addColumn<quint32>("duration");
    QTest::newRow("the slider's default") << 1000u << 1500u;
    QTest::newRow("lowest, a sequence tone") << 40u << 3000u;
    QTest::newRow("highest") << 13500u << 300u;
    QTest::newRow("the sixth of the sequence") << 1850u << 500u;
    QTest::newRow("shorter than a period") << 440u << 7u;
}

void Tone::soundCardReceivesTheTone()
{
    QFETCH(quint32, frequency);
    QFETCH(quint32, duration);
    QByteArray stderrText;
    const qint64 elapsed = timedTone(frequency, duration, &stderrText);
    QVERIFY2(elapsed >= duration && elapsed < duration + slackMs, qPrintable(QString::number(elapsed)));
    QVERIFY2(stderrText.isEmpty(), stderrText.constData());

    const QStringList files = capturedFiles();
    QCOMPARE(files, QStringList{capture});
    const Samples played = readWav(capture);
    QCOMPARE(int(played.size()), int(duration * tones::sampleRate / 1000));
    if (duration >= 100) {
        const double pitch = crossingFrequency(played);
        QVERIFY2(near(pitch, frequency, 0.001), qPrintable(QString::number(pitch, 'f', 3)));
        const double strength = rms(played, fadeSamples, played.size() - fadeSamples);
        QVERIFY2(near(strength, fullStrengthRms, 0.002), qPrintable(QString::number(strength)));
    }
    // Written period by period, the tone must still be one seamless wave.
    QVERIFY(played == tones::synthesize(frequency, duration));
}

void Tone::successiveTonesReachTheCardOneAfterAnother()
{
    const quint32 sequence[] = {42, 1850, 13500};
    qint64 elapsed = 0;
    for (quint32 frequency : sequence)
        elapsed += timedTone(frequency, 200);
    QVERIFY2(elapsed >= 600 && elapsed < 600 + slackMs, qPrintable(QString::number(elapsed)));

    const QStringList files = capturedFiles();
    QCOMPARE(files.size(), 3);
    for (int i = 0; i < 3; ++i) {
        const Samples played = readWav(files[i]);
        QCOMPARE(int(played.size()), 9600);
        const double pitch = crossingFrequency(played);
        QVERIFY2(near(pitch, sequence[i], 0.001), qPrintable(files[i] + ": " + QString::number(pitch)));
    }
}

void Tone::unusableSoundCardStillTakesTheToneLength_data()
{
    QTest::addColumn<QByteArray>("configuration");
    QTest::newRow("no default device") << QByteArray("# a machine without sound\n");
    QTest::newRow("sound card absent") << QByteArray("pcm.!default { type hw card 7 }\n");
    QTest::newRow("capture file unset") << QByteArray();
    QTest::newRow("every write fails")
        << QByteArray("pcm.!default { type file slave.pcm { type null } file \"/nonexistent/tone.wav\" }\n");
}

void Tone::unusableSoundCardStillTakesTheToneLength()
{
    QFETCH(QByteArray, configuration);
    if (configuration.isNull()) {
        qunsetenv("TAVELIN_TONE_CAPTURE");
    } else {
        QFile file(dir->filePath(QStringLiteral("asound.conf")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(configuration);
        file.close();
        useAlsaConfiguration(file.fileName());
    }
    QByteArray stderrText;
    const qint64 elapsed = timedTone(1000, 300, &stderrText);
    QVERIFY2(elapsed >= 300 && elapsed < 300 + slackMs, qPrintable(QString::number(elapsed)));
    QVERIFY2(stderrText.isEmpty(), stderrText.constData());
}

void Tone::cardFailingMidToneStillTakesTheToneLength_data()
{
    // How much of the half-second tone (48 000 bytes after the 44-byte header) the device
    // takes before every further write fails.
    QTest::addColumn<qint64>("bytes");
    QTest::newRow("after its first period") << qint64(44 + 960);
    QTest::newRow("a tenth into the tone") << qint64(9600);
    QTest::newRow("halfway through") << qint64(44 + 24000);
}

void Tone::cardFailingMidToneStillTakesTheToneLength()
{
    QFETCH(qint64, bytes);
    // The capture file may not grow past the given size, so the device fails in mid-tone.
    // Nothing else writes to a file meanwhile.
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = rlim_t(bytes);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
    const auto start = Clock::now();
    playTone(1000, 500);
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    QVERIFY2(elapsed >= 500 && elapsed < 500 + slackMs, qPrintable(QString::number(elapsed)));
    const qint64 written = QFileInfo(capture).size();
    QVERIFY2(written > 44 && written <= bytes, qPrintable(QString::number(written)));
}

void Tone::sinkTakesThePlaceOfTheSoundCard()
{
    QList<QPair<quint32, quint32>> heard;
    const tones::Sink recorder = [&](quint32 frequency, quint32 duration) {
        heard.append({frequency, duration});
    };
    QVERIFY(!tones::setSink(recorder));

    QVERIFY(timedTone(1850, 3000) + timedTone(42, 3000) < slackMs);
    QCOMPARE(heard, (QList<QPair<quint32, quint32>>{{1850, 3000}, {42, 3000}}));
    QVERIFY(capturedFiles().isEmpty());

    // Handing back the previous sink restores the sound card.
    const tones::Sink previous = tones::setSink({});
    previous(1, 2);
    QCOMPARE(heard.size(), 3);
    timedTone(1000, 50);
    QCOMPARE(heard.size(), 3);
    QCOMPARE(capturedFiles().size(), 1);
}

QTEST_GUILESS_MAIN(Tone)
#include "tst_tone.moc"
