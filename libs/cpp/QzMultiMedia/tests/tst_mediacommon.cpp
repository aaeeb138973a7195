#include "MediaCommon.h"

#include <QTest>

using namespace QzMultiMedia;

class TestMediaCommon : public QObject
{
    Q_OBJECT

private slots:
    void mediaType_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("type");
        const char* video[] = { ".avi", ".mp4", ".mov", ".wmv", ".3gp", ".3g2", ".m4v", ".mpg", ".flv", ".swf", ".mkv",
            ".asf", ".vob" };
        const char* audio[] = { ".wav", ".mp3", ".m4a", ".wma", ".ac3", ".aac", ".ogg", ".3ga", ".aiff" };
        const char* image[] = { ".jpg", ".png", ".bmp", ".tif", ".tiff", ".jpeg", ".gif" };
        for (const char* s : video)
            QTest::addRow("video %s", s) << QStringLiteral("clip") + QLatin1String(s) << int(Video);
        for (const char* s : audio)
            QTest::addRow("audio %s", s) << QStringLiteral("song") + QLatin1String(s) << int(Audio);
        for (const char* s : image)
            QTest::addRow("image %s", s) << QStringLiteral("scan") + QLatin1String(s) << int(Image);

        QTest::newRow("upper case") << "SONG.MP3" << int(Audio);
        QTest::newRow("mixed case") << "Song.Mp3" << int(Audio);
        QTest::newRow("full path") << "/home/a/Music/song.mp3" << int(Audio);
        QTest::newRow("video with sound only") << "movie.mp4" << int(Video);
        QTest::newRow("TIFF") << "scan.TIFF" << int(Image);
        QTest::newRow("suffix then more") << "song.mp3.zip" << int(Unrecognized);
        QTest::newRow("no dot") << "mp3" << int(Unrecognized);
        QTest::newRow("only the suffix") << ".mp3" << int(Audio);
        QTest::newRow("empty") << "" << int(Unrecognized);
        QTest::newRow("trailing slash") << "/music/song.mp3/" << int(Unrecognized);
        QTest::newRow("aif") << "track.aif" << int(Unrecognized);
        QTest::newRow("flac") << "track.flac" << int(Unrecognized);
        QTest::newRow("mpeg") << "clip.mpeg" << int(Unrecognized);
        QTest::newRow("non-latin upper case") << QString::fromUtf8("ПЕСНЯ.MP3") << int(Audio);
    }

    void mediaType()
    {
        QFETCH(QString, name);
        QFETCH(int, type);
        QCOMPARE(int(MediaCommon::mediaType(name)), type);
        // Exactly one predicate holds for a recognised name, none otherwise.
        QCOMPARE(MediaCommon::isAudio(name), type == Audio);
        QCOMPARE(MediaCommon::isVideo(name), type == Video);
        QCOMPARE(MediaCommon::isImage(name), type == Image);
    }

    void enumValues()
    {
        QCOMPARE(int(Audio), 0);
        QCOMPARE(int(Video), 1);
        QCOMPARE(int(Image), 2);
        QCOMPARE(int(Unrecognized), 4);
    }
};

QTEST_GUILESS_MAIN(TestMediaCommon)
#include "tst_mediacommon.moc"
