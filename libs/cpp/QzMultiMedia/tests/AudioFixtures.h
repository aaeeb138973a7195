#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QString>

// Generates the audio files the tests play, with GStreamer's own command-line tool: nothing is downloaded.
namespace AudioFixtures {

// A sine tone of `ms` milliseconds, 44.1 kHz stereo, encoded by the format's usual encoder.
inline bool makeTone(const QString& path, int ms, int frequency = 440)
{
    QString encoder;
    if (path.endsWith(QLatin1String(".wav")))
        encoder = QStringLiteral("wavenc");
    else if (path.endsWith(QLatin1String(".mp3")))
        encoder = QStringLiteral("lamemp3enc target=bitrate cbr=true bitrate=128 ! xingmux");
    else if (path.endsWith(QLatin1String(".ogg")))
        encoder = QStringLiteral("vorbisenc ! oggmux");
    else if (path.endsWith(QLatin1String(".flac")))
        encoder = QStringLiteral("flacenc");
    else if (path.endsWith(QLatin1String(".opus")))
        encoder = QStringLiteral("audioresample ! audio/x-raw,rate=48000 ! opusenc ! oggmux");
    else
        return false;
    // 441 samples a buffer: one buffer is 10 ms.
    const QString pipeline = QStringLiteral("audiotestsrc wave=sine freq=%1 samplesperbuffer=441 num-buffers=%2 "
                                            "! audio/x-raw,rate=44100,channels=2 ! audioconvert ! %3 ! filesink")
                                 .arg(frequency)
                                 .arg(ms / 10)
                                 .arg(encoder);
    // gst-launch reads quotes and the like in a property value, so it writes to a plain name first.
    const QString plain = QDir::tempPath()
        + QStringLiteral("/vireo-fixture-%1-%2").arg(QCoreApplication::applicationPid()).arg(quintptr(&path));
    QStringList args = QProcess::splitCommand(pipeline);
    args.append(QStringLiteral("location=") + plain);
    args.prepend(QStringLiteral("-q"));
    QProcess gst;
    gst.start(QStringLiteral("gst-launch-1.0"), args);
    const bool made = gst.waitForFinished(30000) && gst.exitCode() == 0 && QFile(plain).size() > 0;
    QFile::remove(path);
    return made && QFile::rename(plain, path);
}

inline bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

inline QByteArray randomBytes(int size, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& c : bytes)
        c = char(random.bounded(256));
    return bytes;
}

} // namespace AudioFixtures
