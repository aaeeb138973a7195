#include "HelpDisplay.h"

#include <QPainter>
#include <QPixmap>

namespace QzWidgets {

HelpDisplay::HelpDisplay(QWidget* parent)
    : QFrame(parent)
{ }

void HelpDisplay::setSlide(const QString& path)
{
    m_strPath = path;
    update();
}

QString HelpDisplay::slide() const
{
    return m_strPath;
}

QRect HelpDisplay::slideRect(QSize picture, QSize area)
{
    const QSize scaled = picture.scaled(area * 2, Qt::KeepAspectRatio);
    const int w = scaled.width() / 2;
    const int h = scaled.height() / 2;
    return QRect(qAbs(area.width() - w) / 2, qAbs(area.height() - h) / 2, w, h);
}

void HelpDisplay::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    if (m_strPath.isEmpty())
        return;
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    // Read anew at every paint: a slide replaced on disk shows at once, and nothing stays in memory.
    const QPixmap picture(m_strPath);
    if (picture.isNull())
        return;
    const QPixmap scaled = picture.scaled(size() * 2, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(slideRect(picture.size(), size()), scaled);
}

} // namespace QzWidgets
