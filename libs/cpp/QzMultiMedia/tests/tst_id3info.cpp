#include "ID3Info.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

using QzMultiMedia::ID3Info;

class TestID3Info : public QObject
{
    Q_OBJECT

    static void picture(const QString& path, QColor colour)
    {
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(colour);
        QVERIFY(image.save(path));
    }

    static QColor colourOf(const QPixmap& pixmap)
    {
        return pixmap.toImage().pixelColor(0, 0);
    }

private slots:
    void firstLoadablePictureByNameIgnoringCase()
    {
        QTemporaryDir dir;
        const QString song = dir.filePath(QStringLiteral("song.mp3"));
        picture(dir.filePath(QStringLiteral("back.png")), Qt::red);
        picture(dir.filePath(QStringLiteral("Cover.JPG")), Qt::blue);
        QCOMPARE(colourOf(ID3Info(song).cover()), QColor(Qt::red));
    }

    void damagedPictureIsSkipped()
    {
        QTemporaryDir dir;
        QFile damaged(dir.filePath(QStringLiteral("a.png")));
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write("not a picture");
        damaged.close();
        picture(dir.filePath(QStringLiteral("FRONT.JPEG")), Qt::green);
        const ID3Info info(dir.filePath(QStringLiteral("song.mp3")));
        // JPEG is lossy: green enough is green.
        QVERIFY(colourOf(info.cover()).green() > 240 && colourOf(info.cover()).red() < 16);
        const ID3Info copy(info);
        QCOMPARE(colourOf(copy.cover()), colourOf(info.cover()));
    }

    void defaultCoverWhenNoPictureIsAtHand()
    {
        QTemporaryDir dir;
        QDir(dir.path()).mkdir(QStringLiteral("sub"));
        picture(dir.filePath(QStringLiteral("sub/cover.png")), Qt::red);
        picture(dir.filePath(QStringLiteral(".hidden.png")), Qt::red);
        const QPixmap cover = ID3Info(dir.filePath(QStringLiteral("song.mp3"))).cover();
        QVERIFY(!cover.isNull());
        QVERIFY(cover.width() >= 128);
        QVERIFY(colourOf(cover) != QColor(Qt::red));

        QVERIFY(!ID3Info(QStringLiteral("/no/such/folder/song.mp3")).cover().isNull());
    }
};

QTEST_MAIN(TestID3Info)
#include "tst_id3info.moc"
