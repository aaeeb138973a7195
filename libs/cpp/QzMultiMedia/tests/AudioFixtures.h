#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QString>

// Generates the audio files the tests play, with GStreamer's own command-line tool: nothing is downloaded.
namespace AudioFixtures {

// A sine tone of `ms` milliseconds, 44.1 kHz stereo, encoded by `encoder` (a gst-launch description); `tags`
// are written as the encoder takes them ("title=Song,artist=Band", no spaces).
inline bool makeToneWith(const QString& path, int ms, int frequency, const QString& encoder, const QString& tags = {})
{
    const QString tagger = tags.isEmpty() ? QString() : QStringLiteral("taginject tags=%1 ! ").arg(tags);
    // 441 samples a buffer: one buffer is 10 ms.
    const QString pipeline = QStringLiteral("audiotestsrc wave=sine freq=%1 samplesperbuffer=441 num-buffers=%2 "
                                            "! audio/x-raw,rate=44100,channels=2 ! audioconvert ! %3%4 ! filesink")
                                 .arg(frequency)
                                 .arg(ms / 10)
                                 .arg(tagger, encoder);
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

// The same tone, encoded by the format's usual encoder.
inline bool makeTone(const QString& path, int ms, int frequency = 440, const QString& tags = {})
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
    return makeToneWith(path, ms, frequency, encoder, tags);
}

// One continuous tone cut into consecutive songs of `ms` milliseconds each, encoded by the lame program, which
// records the encoder's delay and padding in its header: played one after the other without a gap, the songs
// sound as the uncut tone.
inline bool makeCutTone(const QStringList& paths, int ms, int frequency = 440)
{
    const QString whole
        = QDir::tempPath() + QStringLiteral("/vireo-cut-%1.wav").arg(QCoreApplication::applicationPid());
    const auto run = [](const QString& program, const QStringList& args) {
        QProcess process;
        process.start(program, args);
        return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit
            && process.exitCode() == 0;
    };
    bool made = run(QStringLiteral("sox"),
        { QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("44100"), QStringLiteral("-c"),
            QStringLiteral("2"), QStringLiteral("-b"), QStringLiteral("16"), whole, QStringLiteral("synth"),
            QString::number(ms * paths.size() / 1000.0), QStringLiteral("sine"), QString::number(frequency),
            QStringLiteral("vol"), QStringLiteral("0.5") });
    for (int i = 0; made && i < paths.size(); ++i) {
        const QString piece = paths.at(i) + QStringLiteral(".wav");
        made = run(QStringLiteral("sox"),
                   { whole, piece, QStringLiteral("trim"), QStringLiteral("%1s").arg(qint64(i) * ms * 441 / 10),
                       QStringLiteral("%1s").arg(qint64(ms) * 441 / 10) })
            && run(QStringLiteral("lame"),
                { QStringLiteral("--quiet"), QStringLiteral("-b"), QStringLiteral("128"), piece, paths.at(i) });
        QFile::remove(piece);
    }
    QFile::remove(whole);
    return made;
}

inline bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

inline QByteArray bigEndian(quint32 value, int bytes = 4)
{
    QByteArray out;
    for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8)
        out += char((value >> shift) & 0xff);
    return out;
}

// Puts an ID3v2.3 tag in front of an MP3 file: title, artist, album, track number and a front cover.
inline bool tagMp3(const QString& path, const QString& title, const QString& artist, const QString& album, int track,
    const QByteArray& png)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray audio = file.readAll();
    file.close();
    auto frame = [](const char* id, const QByteArray& data) {
        return QByteArray(id) + bigEndian(data.size()) + QByteArray(2, 0) + data;
    };
    auto text = [&](const char* id, const QString& value) { return frame(id, '\x03' + value.toUtf8()); };
    const QByteArray body = text("TIT2", title) + text("TPE1", artist) + text("TALB", album)
        + text("TRCK", QString::number(track)) + frame("APIC", QByteArray("\0image/png\0\x03\0", 13) + png);
    const int n = int(body.size());
    QByteArray header("ID3\x03\0\0", 6);
    for (int shift : { 21, 14, 7, 0 })
        header += char((n >> shift) & 0x7f); // "synchsafe": seven bits a byte
    return writeBytes(path, header + body + audio);
}

// Adds a front cover to a FLAC file, as a picture block right after the stream information.
inline bool addFlacCover(const QString& path, const QByteArray& png)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray flac = file.readAll();
    file.close();
    if (!flac.startsWith("fLaC") || flac.size() < 42 || (flac.at(4) & 0x80)) // stream information must not be last
        return false;
    const QByteArray mime("image/png");
    const QByteArray picture = bigEndian(3) + bigEndian(mime.size()) + mime + bigEndian(0) + bigEndian(1) + bigEndian(1)
        + bigEndian(24) + bigEndian(0) + bigEndian(png.size()) + png;
    const QByteArray block = char(6) + bigEndian(picture.size(), 3) + picture;
    return writeBytes(path, flac.left(42) + block + flac.mid(42));
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
