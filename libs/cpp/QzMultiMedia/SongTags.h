#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QUrl>

namespace QzMultiMedia {

// What a song says about itself in its tags (ID3, Vorbis comments, FLAC), as the decoder reports them while it
// plays. Every field may be empty: most files a user drops carry only some of them.
struct SongTags
{
    QString title;
    QString artist;
    QString album;
    int trackNumber = 0;
    QByteArray cover; // the embedded picture's bytes, as stored in the file
    QString coverType; // its MIME type, "image/jpeg" or "image/png"
    QString coverFile; // where the picture was written for other programs to show, once it was

    static SongTags titled(const QString& title)
    {
        SongTags tags;
        tags.title = title;
        return tags;
    }

    bool operator==(const SongTags& other) const
    {
        return title == other.title && artist == other.artist && album == other.album
            && trackNumber == other.trackNumber && cover == other.cover && coverType == other.coverType;
    }
    bool operator!=(const SongTags& other) const
    {
        return !(*this == other);
    }

    // A tag as the desktop may show it: one line of printable text, of a length a title can have. Files carry
    // anything in their tags (line breaks, control characters, megabytes of text).
    static constexpr qsizetype MaxLength = 500;
    static QString oneLine(QString text)
    {
        for (QChar& c : text) {
            if (c.category() == QChar::Other_Control || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
                c = QLatin1Char(' ');
        }
        text = text.simplified();
        if (text.size() > MaxLength)
            text = text.left(MaxLength - 1) + QChar(0x2026);
        return text;
    }
};

// What play lists and CUE sheets say of their songs, by address: a title, and for a sheet's track its performer
// and the disc's title.
using ListedTags = QHash<QUrl, SongTags>;

} // namespace QzMultiMedia
