#include "ID3Info.h"

#include "MediaCommon.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace QzMultiMedia {

ID3Info::ID3Info(const QString& fileName)
    : m_strFileName(fileName)
{
    const QDir folder(QFileInfo(fileName).absolutePath());
    // Name order ignoring case, as a folder listing shows it to the user.
    const QStringList names = folder.entryList({ QStringLiteral("*") }, QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QString& name : names) {
        if (!MediaCommon::isImage(name))
            continue;
        m_pixCover.load(folder.absolutePath() + QLatin1Char('/') + name);
        if (!m_pixCover.isNull())
            break;
    }
    if (m_pixCover.isNull())
        m_pixCover.load(QStringLiteral(":/QzMultiMedia/DefaultCover.png"));
}

ID3Info::ID3Info(const ID3Info& other) = default;

ID3Info::~ID3Info() = default;

const QPixmap& ID3Info::cover() const
{
    return m_pixCover;
}

} // namespace QzMultiMedia
