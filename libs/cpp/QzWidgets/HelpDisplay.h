#pragma once

#include <QFrame>
#include <QString>

namespace QzWidgets {

// Draws the current slide centred on black, at half of its size scaled to twice the area.
class HelpDisplay : public QFrame
{
    Q_OBJECT

public:
    explicit HelpDisplay(QWidget* parent = nullptr);
    void setSlide(const QString& path);
    QString slide() const;

    // Where a picture of `picture` size lands in an area of `area` size.
    static QRect slideRect(QSize picture, QSize area);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_strPath;
};

} // namespace QzWidgets
