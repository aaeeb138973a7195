#pragma once

#include <QDir>
#include <QElapsedTimer>
#include <QList>
#include <QPair>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QVector>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

// A private PulseAudio server with one null sink, started and stopped by a test: the sound the program makes
// goes to the sink, and the sink's monitor is recorded with parec to prove that it came out. With
// VIREO_TEST_SOUND_SERVER=pipewire the server is PipeWire instead, with WirePlumber and PipeWire's own PulseAudio
// server, as GNOME and KDE on Debian 12 run it; the program and the test speak to it exactly as to PulseAudio.
class PulseServer
{
public:
    static constexpr int Rate = 44100;

    ~PulseServer()
    {
        stop();
    }

    // Starts the server and points this process's PulseAudio clients at it.
    bool start()
    {
        if (!m_dir.isValid())
            return false;
        m_socket = m_dir.filePath(QStringLiteral("native"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.path());
        env.insert(QStringLiteral("HOME"), m_dir.path());
        if (qgetenv("VIREO_TEST_SOUND_SERVER") == "pipewire")
            return startPipeWire(env);
        m_server.setProcessEnvironment(env);
        m_server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_server.start(QStringLiteral("pulseaudio"),
            { QStringLiteral("-n"), QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
                QStringLiteral("--use-pid-file=no"), QStringLiteral("--log-target=stderr"),
                QStringLiteral("--log-level=error"), QStringLiteral("-L"),
                QStringLiteral("module-null-sink sink_name=vireo_test rate=44100 channels=2"), QStringLiteral("-L"),
                QStringLiteral("module-native-protocol-unix auth-anonymous=1 socket=") + m_socket });
        if (!m_server.waitForStarted(5000))
            return false;
        qputenv("PULSE_SERVER", (QStringLiteral("unix:") + m_socket).toUtf8());
        return sinkAppears();
    }

    // The process that speaks the PulseAudio protocol to the program.
    qint64 serverProcessId() const
    {
        return m_pulseServer.state() != QProcess::NotRunning ? m_pulseServer.processId() : m_server.processId();
    }

    void stop()
    {
        for (QProcess* part : { &m_pulseServer, &m_sessionManager, &m_server }) {
            if (part->state() == QProcess::NotRunning)
                continue;
            part->terminate();
            if (!part->waitForFinished(3000)) {
                part->kill();
                part->waitForFinished(3000);
            }
        }
    }

    // Starts recording the sink's monitor, mono 16-bit; takeRecording() ends it and returns the samples. Returns
    // once the first samples (silence, when nothing plays) have come: parec takes the better part of a second to
    // get going, and a sound started before that would be heard cut.
    bool startRecording(const QString& sink = QStringLiteral("vireo_test"))
    {
        m_recorder.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_recorder.start(QStringLiteral("parec"),
            { QStringLiteral("-d"), sink + QStringLiteral(".monitor"), QStringLiteral("--format=s16le"),
                QStringLiteral("--rate=44100"), QStringLiteral("--channels=1"), QStringLiteral("--latency-msec=20") });
        return m_recorder.waitForStarted(5000) && m_recorder.waitForReadyRead(5000);
    }

    // pactl on this server; what it printed (empty, not null, for nothing), a null string when it failed.
    static QString pactl(const QStringList& args)
    {
        QProcess control;
        control.start(QStringLiteral("pactl"), args);
        if (!control.waitForFinished(5000) || control.exitCode() != 0)
            return QString();
        const QString printed = QString::fromUtf8(control.readAllStandardOutput()).trimmed();
        return printed.isNull() ? QStringLiteral("") : printed;
    }

    QVector<qint16> takeRecording()
    {
        m_recorder.terminate();
        m_recorder.waitForFinished(3000);
        const QByteArray raw = m_recorder.readAllStandardOutput();
        QVector<qint16> samples(raw.size() / 2);
        memcpy(samples.data(), raw.constData(), size_t(samples.size()) * 2);
        return samples;
    }

    // Root mean square of the samples, in sample units (full scale 32768). Zero for no samples.
    static double rms(const QVector<qint16>& samples)
    {
        if (samples.isEmpty())
            return 0.0;
        double sum = 0.0;
        for (qint16 s : samples)
            sum += double(s) * s;
        return std::sqrt(sum / samples.size());
    }

    // Amplitude of one frequency in the samples (Goertzel), in sample units.
    static double toneAmplitude(const QVector<qint16>& samples, double frequency)
    {
        if (samples.isEmpty())
            return 0.0;
        const double w = 2.0 * M_PI * frequency / Rate;
        const double coefficient = 2.0 * std::cos(w);
        double s1 = 0.0, s2 = 0.0;
        for (qint16 sample : samples) {
            const double s0 = sample + coefficient * s1 - s2;
            s2 = s1;
            s1 = s0;
        }
        const double power = s1 * s1 + s2 * s2 - coefficient * s1 * s2;
        return 2.0 * std::sqrt(qMax(0.0, power)) / samples.size();
    }

    // The tones heard, in order, each with how long it lasted unbroken in milliseconds: the strongest of
    // `frequencies` in each 20 ms, every 10 ms. Silence, and the click of a sound's first moment, are left out.
    static QList<QPair<int, int>> toneRuns(const QVector<qint16>& samples, const QList<int>& frequencies)
    {
        constexpr int Window = Rate / 50;
        QList<QPair<int, int>> runs;
        for (qsizetype at = 0; at + Window <= samples.size(); at += Window / 2) {
            const QVector<qint16> piece = samples.mid(at, Window);
            const int tone = rms(piece) <= 200
                ? 0
                : *std::max_element(frequencies.cbegin(), frequencies.cend(),
                    [&](int a, int b) { return toneAmplitude(piece, a) < toneAmplitude(piece, b); });
            if (!runs.isEmpty() && runs.last().first == tone)
                runs.last().second += 10;
            else
                runs.append({ tone, 10 });
        }
        runs.removeIf([](const QPair<int, int>& run) { return run.first == 0 || run.second <= 30; });
        return runs;
    }

    // The longest silence between the first sound and the last, in samples: a sine is near zero for a sample or
    // two at most.
    static qsizetype longestBreak(const QVector<qint16>& samples)
    {
        qsizetype last = -1, longest = 0;
        for (qsizetype i = 0; i < samples.size(); ++i) {
            if (std::abs(samples.at(i)) > 200) {
                longest = last < 0 ? longest : std::max(longest, i - last - 1);
                last = i;
            }
        }
        return longest;
    }

private:
    bool startPipeWire(const QProcessEnvironment& env)
    {
        for (const auto& [part, program] : { std::pair { &m_server, "pipewire" }, { &m_sessionManager, "wireplumber" },
                 { &m_pulseServer, "pipewire-pulse" } }) {
            part->setProcessEnvironment(env);
            part->setStandardOutputFile(QProcess::nullDevice());
            part->setStandardErrorFile(QProcess::nullDevice());
            part->start(QLatin1String(program), {});
            if (!part->waitForStarted(5000))
                return false;
        }
        m_socket = m_dir.filePath(QStringLiteral("pulse/native"));
        qputenv("PULSE_SERVER", (QStringLiteral("unix:") + m_socket).toUtf8());
        QElapsedTimer clock;
        clock.start();
        // The answer names the server behind it: PipeWire's, and no PulseAudio that happened to be there.
        while (!pactl({ QStringLiteral("info") }).contains(QLatin1String("on PipeWire"))) {
            if (clock.elapsed() > 10000)
                return false;
            QThread::msleep(100);
        }
        return !pactl({ QStringLiteral("load-module"), QStringLiteral("module-null-sink"),
                          QStringLiteral("sink_name=vireo_test"), QStringLiteral("rate=44100"),
                          QStringLiteral("channels=2") })
                    .isNull()
            && sinkAppears() && !pactl({ QStringLiteral("set-default-sink"), QStringLiteral("vireo_test") }).isNull();
    }

    static bool sinkAppears()
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 10000) {
            if (pactl({ QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("sinks") })
                    .contains(QLatin1String("vireo_test")))
                return true;
            QThread::msleep(100);
        }
        return false;
    }

    QTemporaryDir m_dir;
    QString m_socket;
    QProcess m_server;
    QProcess m_sessionManager; // PipeWire's
    QProcess m_pulseServer; // PipeWire's own PulseAudio server
    QProcess m_recorder;
};
