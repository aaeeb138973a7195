#include "SongIntake.h"

#include "AudioFixtures.h"
#include "AudioFormats.h"
#include "MediaCommon.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

using namespace QzMultiMedia;

// What each way in makes of the files and folders it is handed. Paths are relative to a fresh folder; a name
// ending in "/" is a folder, "link -> target" a symbolic link, "name = text" a file holding the text (ROOT in it
// the fresh folder), an entry with "://" an address taken as it is.
class TestSongIntake : public QObject
{
    Q_OBJECT

private slots:
    void songs_data()
    {
        QTest::addColumn<QStringList>("tree");
        QTest::addColumn<QStringList>("handed");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("numbers in natural order, case ignored")
            << QStringList { "d/track10.mp3", "d/track9.mp3", "d/Track1.mp3", "d/track02.mp3" } << QStringList { "d" }
            << QStringList { "d/Track1.mp3", "d/track02.mp3", "d/track9.mp3", "d/track10.mp3" };
        QTest::newRow("sub-folders, deep, in natural order")
            << QStringList { "d/Disc 10/1.mp3", "d/Disc 2/1.mp3", "d/Disc 1/10.mp3", "d/Disc 1/2.mp3",
                   "d/Disc 1 Bonus/1.mp3", "d/intro.mp3", "d/Disc 2/x/y/deep.ogg" }
            << QStringList { "d" }
            << QStringList { "d/Disc 1/2.mp3", "d/Disc 1/10.mp3", "d/Disc 1 Bonus/1.mp3", "d/Disc 2/1.mp3",
                   "d/Disc 2/x/y/deep.ogg", "d/Disc 10/1.mp3", "d/intro.mp3" };
        QTest::newRow("only what decodes, hidden files left out")
            << QStringList { "d/a.flac", "d/b.opus", "d/c.m4a", "d/d.wma", "d/e.ogg", "d/f.wav", "d/g.3ga",
                   "d/cover.jpg", "d/notes.txt", "d/list.m3u", "d/list.pls", "d/.hidden.mp3", "d/video.mkv",
                   "d/no-suffix" }
            << QStringList { "d" }
            << QStringList { "d/a.flac", "d/b.opus", "d/c.m4a", "d/d.wma", "d/e.ogg", "d/f.wav", "d/g.3ga" };
        QTest::newRow("files named one by one are kept as given, less pictures, texts and documents")
            << QStringList { "notes.txt", "cover.jpg", "b.mp3", "a.mp3", "odd.xyz", "booklet.pdf" }
            << QStringList { "notes.txt", "b.mp3", "cover.jpg", "missing.mp3", "a.mp3", "odd.xyz", "booklet.pdf" }
            << QStringList { "b.mp3", "missing.mp3", "a.mp3", "odd.xyz" };
        QTest::newRow("a folder's songs take its place among the files")
            << QStringList { "x.mp3", "d/b.mp3", "d/a.mp3", "y.ogg" } << QStringList { "x.mp3", "d", "y.ogg", "d" }
            << QStringList { "x.mp3", "d/a.mp3", "d/b.mp3", "y.ogg", "d/a.mp3", "d/b.mp3" };
        QTest::newRow("folders without songs give nothing")
            << QStringList { "empty/", "pictures/a.jpg" } << QStringList { "empty", "pictures" } << QStringList {};
        QTest::newRow("a link back up does not make the walk endless")
            << QStringList { "d/sub/a.mp3", "d/sub/up -> d" } << QStringList { "d" } << QStringList { "d/sub/a.mp3" };
        QTest::newRow("an M3U stands for its entries: relative, absolute, missing, streams, folders")
            << QStringList { "music/a.mp3", "music/b.ogg",
                   "lists/mix.m3u = #EXTM3U\n#EXTINF:12,Title B\n../music/b.ogg\nROOT/music/a.mp3\ngone.mp3\n"
                   "http://example.invalid/stream\n../music\n" }
            << QStringList { "lists/mix.m3u" }
            << QStringList { "music/b.ogg", "music/a.mp3", "lists/gone.mp3", "http://example.invalid/stream",
                   "music/a.mp3", "music/b.ogg" };
        QTest::newRow("PLS, XSPF, and a play list inside a play list")
            << QStringList { "a.mp3", "b.mp3", "c.mp3",
                   "l.pls = [playlist]\nFile1=b.mp3\nTitle1=B\nFile2=a.mp3\nNumberOfEntries=2\nVersion=2\n",
                   "l.xspf = <?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<playlist version=\"1\" "
                   "xmlns=\"http://xspf.org/ns/0/\"><trackList><track><location>file://ROOT/c.mp3</location></track>"
                   "<track><location>file://ROOT/a.mp3</location></track></trackList></playlist>\n",
                   "outer.m3u8 = inner.m3u\nc.mp3\n", "inner.m3u = b.mp3\n" }
            << QStringList { "l.pls", "l.xspf", "outer.m3u8" }
            << QStringList { "b.mp3", "a.mp3", "c.mp3", "a.mp3", "b.mp3", "c.mp3" };
        QTest::newRow("play lists that are empty, missing or not play lists give nothing")
            << QStringList { "empty.m3u = ", "photo.pls = \x89PNG\r\n\x1a\n\x01\x02\x03" }
            << QStringList { "empty.m3u", "missing.m3u", "photo.pls" } << QStringList {};
        const QString sheet = QStringLiteral("FILE \"album.flac\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                                             "  TRACK 02 AUDIO\n    INDEX 01 00:10:00\n");
        QTest::newRow("an image with its CUE sheet in a folder stands for the sheet's tracks")
            << QStringList { "d/01 intro.mp3", "d/album.flac", "d/album.cue = " + sheet, "d/album.log", "d/zz.mp3" }
            << QStringList { "d" }
            << QStringList { "d/01 intro.mp3", "d/album.flac#t=0,10", "d/album.flac#t=10", "d/zz.mp3" };
        QTest::newRow("a second sheet for the same image, or one without its image, changes nothing")
            << QStringList { "d/album.flac", "d/album.cue = " + sheet, "d/album (UTF-8).cue = " + sheet,
                   "d/other.cue = FILE \"gone.flac\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n" }
            << QStringList { "d" } << QStringList { "d/album.flac#t=0,10", "d/album.flac#t=10" };
        QTest::newRow("streams are kept, never opened; other addresses are left out")
            << QStringList { "a.mp3" }
            << QStringList { "http://example.invalid/a.mp3", "ftp://example.invalid/b.mp3", "smb://host/c.mp3",
                   "data:audio/mpeg;base64,SUQz", "file://other-host/a.mp3", "file://localhostROOT/a.mp3" }
            << QStringList { "http://example.invalid/a.mp3", "a.mp3" };
        QTest::newRow("lists that name each other are each read once, folders too")
            << QStringList { "d/a.mp3", "one.m3u = two.m3u\none.m3u\nd\n", "two.m3u = one.m3u\nd\nb.mp3\n" }
            << QStringList { "one.m3u", "two.m3u" }
            << QStringList { "d/a.mp3", "b.mp3", "d/a.mp3", "d/a.mp3", "b.mp3" };
    }

    void songs()
    {
        QFETCH(QStringList, tree);
        QFETCH(QStringList, handed);
        QFETCH(QStringList, expected);
        QTemporaryDir root;
        for (const QString& entry : tree) {
            const QStringList link = entry.split(QStringLiteral(" -> "));
            QVERIFY(QDir(root.path()).mkpath(QFileInfo(root.filePath(link[0])).path()));
            if (link.size() == 2) {
                QVERIFY(QFile::link(root.filePath(link[1]), root.filePath(link[0])));
                continue;
            }
            if (entry.endsWith(QLatin1Char('/')))
                continue;
            const qsizetype split = entry.indexOf(QLatin1String(" = "));
            QFile file(root.filePath(split < 0 ? entry : entry.left(split)));
            QVERIFY(file.open(QIODevice::WriteOnly));
            if (split >= 0)
                file.write(entry.mid(split + 3).replace(QLatin1String("ROOT"), root.path()).toUtf8());
        }
        const auto urls = [&](const QStringList& entries) {
            QList<QUrl> list;
            for (const QString& entry : entries) {
                if (entry.contains(QLatin1Char(':'))) {
                    list << QUrl(QString(entry).replace(QLatin1String("ROOT"), root.path()));
                    continue;
                }
                list << QUrl::fromLocalFile(root.filePath(entry.section(QLatin1Char('#'), 0, 0)));
                if (entry.contains(QLatin1Char('#')))
                    list.last().setFragment(entry.section(QLatin1Char('#'), 1));
            }
            return list;
        };
        QCOMPARE(SongIntake::songs(urls(handed)), urls(expected));
    }

    // The titles play lists give their entries come along with them, each on one line.
    void titlesFromPlayLists_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("M3U") << "x.m3u" << QByteArray("#EXTM3U\n#EXTINF:2,Evening late\na.mp3\n");
        QTest::newRow("PLS") << "x.pls"
                             << QByteArray(
                                    "[playlist]\nFile1=a.mp3\nTitle1=Evening late\nNumberOfEntries=1\nVersion=2\n");
        QTest::newRow("XSPF") << "x.xspf"
                              << QByteArray(
                                     "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<playlist version=\"1\" "
                                     "xmlns=\"http://xspf.org/ns/0/\"><trackList><track><location>a.mp3</location>"
                                     "<title>Evening\nlate</title></track></trackList></playlist>\n");
    }

    void titlesFromPlayLists()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, text);
        QTemporaryDir root;
        QVERIFY(AudioFixtures::writeBytes(root.filePath(name), text));
        ListedTags titles;
        const QList<QUrl> songs = SongIntake::songs({ QUrl::fromLocalFile(root.filePath(name)) }, &titles);
        QCOMPARE(songs, QList<QUrl> { QUrl::fromLocalFile(root.filePath(QStringLiteral("a.mp3"))) });
        QCOMPARE(titles.value(songs.first()).title, QStringLiteral("Evening late"));
    }

    // A CUE sheet stands for its audio tracks: stretches of its image, or whole files, with their titles and
    // performers (the disc's where a track names none) and the disc's title as their album.
    void cueSheets()
    {
        QTemporaryDir root;
        const auto write = [&](const QString& name, const QByteArray& text) {
            return AudioFixtures::writeBytes(root.filePath(name), text);
        };
        const auto song = [&](const char* name) { return QUrl::fromLocalFile(root.filePath(QLatin1String(name))); };
        for (const char* file : { "image.flac", "image.log", "one.ogg", "two.ogg" })
            QVERIFY(write(QLatin1String(file), {}));
        // Written for the WAV image before it was compressed, in the ripper's Windows code page, with a pregap and
        // a data track; the track without a title is numbered.
        QVERIFY(write(QStringLiteral("image.cue"),
            "PERFORMER \"Band\"\r\nTITLE \"Album\"\r\nFILE \"image.wav\" WAVE\r\n"
            "  TRACK 01 AUDIO\r\n    TITLE \"Caf\xe9\"\r\n    INDEX 01 00:00:00\r\n"
            "  TRACK 02 AUDIO\r\n    INDEX 00 01:00:00\r\n    INDEX 01 01:02:37\r\n"
            "  TRACK 03 AUDIO\r\n    TITLE \"Last\"\r\n    PERFORMER \"Guest\"\r\n    INDEX 01 02:00:00\r\n"
            "FILE \"data.bin\" BINARY\r\n  TRACK 04 MODE1/2352\r\n    INDEX 01 00:00:00\r\n"));
        QVERIFY(write(QStringLiteral("files.cue"),
            "FILE \"one.ogg\" WAVE\n  TRACK 01 AUDIO\n    TITLE \"One\"\n    INDEX 01 00:00:00\n"
            "FILE \"gone.ogg\" WAVE\n  TRACK 02 AUDIO\n    INDEX 01 00:00:00\n"
            "FILE \"two.ogg\" WAVE\n  TRACK 03 AUDIO\n    TITLE \"Two\"\n    INDEX 01 00:00:00\n"));
        QVERIFY(write(QStringLiteral("garbage.cue"), "TRACK \x01\x02 nonsense\n\"unclosed"));
        // A Russian rip's sheet in Windows-1251.
        QStringEncoder cp1251("windows-1251");
        QVERIFY(cp1251.isValid());
        const QByteArray russian = cp1251(QString::fromUtf8(
            "PERFORMER \"Кино\"\nTITLE \"Группа крови\"\nFILE \"image.flac\" WAVE\n"
            "  TRACK 01 AUDIO\n    TITLE \"Группа крови\"\n    INDEX 01 00:00:00\n"
            "  TRACK 02 AUDIO\n    TITLE \"Закрой за мной дверь, я ухожу\"\n    INDEX 01 04:45:00\n"));
        QVERIFY(write(QStringLiteral("ru.cue"), russian));
        ListedTags titles;
        const QList<QUrl> songs
            = SongIntake::songs({ song("image.cue"), song("files.cue"), song("garbage.cue"), song("ru.cue") }, &titles);
        const QUrl image = song("image.flac");
        const QList<QUrl> tracks { MediaCommon::withRange(image, 0, 62493),
            MediaCommon::withRange(image, 62493, 120000), MediaCommon::withRange(image, 120000, -1) };
        const QList<QUrl> russianTracks { MediaCommon::withRange(image, 0, 285000),
            MediaCommon::withRange(image, 285000, -1) };
        QCOMPARE(songs, (tracks + QList<QUrl> { song("one.ogg"), song("gone.ogg"), song("two.ogg") } + russianTracks));
        QCOMPARE(tracks.at(1).fragment(), QStringLiteral("t=62.493,120"));
        const auto said = [&titles](const QUrl& track) {
            const SongTags tags = titles.value(track);
            return QStringList { tags.title, tags.artist, tags.album };
        };
        QCOMPARE(said(tracks.at(0)), (QStringList { QString::fromUtf8("Café"), "Band", "Album" }));
        QCOMPARE(said(tracks.at(1)), (QStringList { "image 02", "Band", "Album" }));
        QCOMPARE(said(tracks.at(2)), (QStringList { "Last", "Guest", "Album" }));
        QCOMPARE(titles.value(song("one.ogg")).title, QStringLiteral("One"));
        QCOMPARE(said(russianTracks.at(1)),
            (QStringList { QString::fromUtf8("Закрой за мной дверь, я ухожу"), QString::fromUtf8("Кино"),
                QString::fromUtf8("Группа крови") }));

        // The stretch travels in the name the engine opens the song by, and nowhere else.
        qint64 start = 0, end = 0;
        QVERIFY(MediaCommon::range(MediaCommon::localName(tracks.at(1)), &start, &end));
        QCOMPARE(start, 62493);
        QCOMPARE(end, 120000);
        QVERIFY(MediaCommon::range(QUrl(QStringLiteral("file:///a.flac#t=npt:1:02.5")), &start, &end) && end == -1);
        QCOMPARE(start, 62500);
        for (const char* fragment : { "#t=5,2", "#t=x", "#xywh=1,2,3,4", "#t=-1,2" })
            QVERIFY2(!MediaCommon::range(QUrl(QLatin1String("file:///a.flac") + QLatin1String(fragment)), &start, &end),
                fragment);
    }

    // A sheet in the code page of the ripper's machine reads as it was written, whatever the country.
    void cueSheetsInTheirEncodings_data()
    {
        QTest::addColumn<QByteArray>("encoding");
        QTest::addColumn<QString>("performer");
        QTest::addColumn<QString>("title");
        const auto row = [](const char* encoding, const char* performer, const char* title) {
            QTest::newRow(encoding) << QByteArray(encoding) << QString::fromUtf8(performer) << QString::fromUtf8(title);
        };
        row("Shift_JIS", "宇多田ヒカル", "オートマチック");
        row("EUC-JP", "宇多田ヒカル", "オートマチック");
        row("ISO-2022-JP", "宇多田ヒカル", "オートマチック");
        row("EUC-KR", "아이유", "좋은 날 그리고 이런 엔딩");
        row("Big5", "周杰倫", "七里香與晴天的故事");
        row("KOI8-R", "Кино", "Закрой за мной дверь, я ухожу");
        row("UTF-16LE", "Björk", "Jóga");
    }

    void cueSheetsInTheirEncodings()
    {
        QFETCH(QByteArray, encoding);
        QFETCH(QString, performer);
        QFETCH(QString, title);
        QTemporaryDir root;
        QVERIFY(AudioFixtures::writeBytes(root.filePath(QStringLiteral("image.flac")), {}));
        QStringEncoder encoder(encoding.constData());
        QVERIFY2(encoder.isValid(), encoding.constData());
        QByteArray sheet = encoder(QStringLiteral("PERFORMER \"%1\"\r\nTITLE \"%2\"\r\nFILE \"image.wav\" WAVE\r\n"
                                                  "  TRACK 01 AUDIO\r\n    TITLE \"%2\"\r\n    INDEX 01 00:00:00\r\n")
                                       .arg(performer, title));
        if (encoding == "UTF-16LE")
            sheet.prepend("\xff\xfe");
        QVERIFY(AudioFixtures::writeBytes(root.filePath(QStringLiteral("disc.cue")), sheet));
        ListedTags titles;
        const QList<QUrl> songs
            = SongIntake::songs({ QUrl::fromLocalFile(root.filePath(QStringLiteral("disc.cue"))) }, &titles);
        QCOMPARE(songs.size(), 1);
        const SongTags tags = titles.value(songs.first());
        QCOMPARE(tags.title, title);
        QCOMPARE(tags.artist, performer);
        QCOMPARE(tags.album, title);
    }

    // The fixed table: its endings, case-blind, the first match deciding, and nothing else.
    void mediaType_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("type");
        QTest::newRow("upper case") << "SONG.MP3" << int(Audio);
        QTest::newRow("non-latin upper case") << QString::fromUtf8("ПЕСНЯ.AIFF") << int(Audio);
        QTest::newRow("full path") << "/home/a/Music/song.wav" << int(Audio);
        QTest::newRow("only the ending") << ".mp3" << int(Audio);
        QTest::newRow("suffix then more") << "song.mp3.zip" << int(Unrecognized);
        QTest::newRow("no dot") << "mp3" << int(Unrecognized);
        QTest::newRow("empty") << "" << int(Unrecognized);
        QTest::newRow("trailing slash") << "/music/song.mp3/" << int(Unrecognized);
        QTest::newRow("FLAC is not in the table") << "track.flac" << int(Unrecognized);
        QTest::newRow("nor AIF") << "track.aif" << int(Unrecognized);
        QTest::newRow("nor MPEG") << "movie.mpeg" << int(Unrecognized);
        QTest::newRow("a 3GPP recording") << "memo.3ga" << int(Audio);
        QTest::newRow("3GPP video before it") << "memo.3gp" << int(Video);
        QTest::newRow("video") << "film.MKV" << int(Video);
        QTest::newRow("cover") << "Folder.JPG" << int(Image);
        QTest::newRow("TIFF, the longer ending") << "scan.tiff" << int(Image);
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

    // What the intake takes by name: every sound type the player decodes, not play lists, not pictures.
    void decodableByName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("decodable");
        QTest::addColumn<bool>("knownNotSound");
        QTest::newRow("MP3") << "SONG.MP3" << true << false;
        QTest::newRow("FLAC") << "track.flac" << true << false;
        QTest::newRow("Opus") << "Track.OPUS" << true << false;
        QTest::newRow("Matroska audio") << "live.mka" << true << false;
        QTest::newRow("a 3GPP recording") << "memo.3ga" << true << false;
        QTest::newRow("a hidden file, no ending") << ".mp3" << false << false;
        QTest::newRow("a play list of audio type") << "radio.m3u" << false << false;
        QTest::newRow("a video may hold sound") << "clip.mp4" << false << false;
        QTest::newRow("a picture") << "cover.jpg" << false << true;
        QTest::newRow("a text") << "notes.txt" << false << true;
        QTest::newRow("a document") << "booklet.pdf" << false << true;
        QTest::newRow("no ending") << "README" << false << false;
    }

    void decodableByName()
    {
        QFETCH(QString, name);
        QFETCH(bool, decodable);
        QFETCH(bool, knownNotSound);
        QCOMPARE(AudioFormats::isDecodable(name), decodable);
        QCOMPARE(AudioFormats::isKnownNotSound(name), knownNotSound);
    }

    // The open dialog offers what a drop takes, and nothing else: one test decides both.
    void theDialogOffersWhatADropTakes()
    {
        const QStringList patterns = AudioFormats::filePatterns();
        QVERIFY(patterns.contains(QStringLiteral("*.flac")) && patterns.contains(QStringLiteral("*.opus")));
        for (const QString& pattern : patterns) {
            if (pattern.startsWith(QLatin1String("*.")))
                QVERIFY2(AudioFormats::isDecodable(QStringLiteral("song") + pattern.mid(1)), qPrintable(pattern));
        }
        QVERIFY(!patterns.contains(QStringLiteral("*.m3u")));
    }
};

QTEST_GUILESS_MAIN(TestSongIntake)
#include "tst_songintake.moc"
