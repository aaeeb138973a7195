#pragma once

#include <QPixmap>
#include <QString>

namespace QzMultiMedia {

// The cover of an audio file: the first picture that loads from the file's folder, else the default cover.
// No tag of the file is read.
class ID3Info
{
public:
    explicit ID3Info(const QString& fileName);
    ID3Info(const ID3Info& other);
    ID3Info& operator=(const ID3Info& other) = default;
    virtual ~ID3Info();

    const QPixmap& cover() const;

private:
    QString m_strFileName;
    QPixmap m_pixCover;
};

} // namespace QzMultiMedia
