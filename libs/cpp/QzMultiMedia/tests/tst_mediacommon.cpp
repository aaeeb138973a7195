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
        QTest::newRow("audio") << "song.ogg" << int(Audio);
        QTest::newRow("video") << "clip.mkv" << int(Video);
        QTest::newRow("image") << "scan.jpeg" << int(Image);
        QTest::newRow("upper case") << "SONG.MP3" << int(Audio);
        QTest::newRow("non-latin upper case") << QString::fromUtf8("ПЕСНЯ.MP3") << int(Audio);
        QTest::newRow("full path") << "/home/a/Music/song.mp3" << int(Audio);
        QTest::newRow("video with sound only") << "movie.mp4" << int(Video);
        QTest::newRow("suffix then more") << "song.mp3.zip" << int(Unrecognized);
        QTest::newRow("no dot") << "mp3" << int(Unrecognized);
        QTest::newRow("only the suffix") << ".mp3" << int(Audio);
        QTest::newRow("empty") << "" << int(Unrecognized);
        QTest::newRow("trailing slash") << "/music/song.mp3/" << int(Unrecognized);
        QTest::newRow("not in the classic list") << "track.flac" << int(Unrecognized);
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
};

QTEST_GUILESS_MAIN(TestMediaCommon)
#include "tst_mediacommon.moc"
