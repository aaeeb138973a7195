#pragma once

#include <QFrame>

class QButtonGroup;
class QHBoxLayout;
class QPushButton;
class QSignalMapper;
class QTimer;

namespace QzWidgets {

class HelpDisplay;

// The slide show: the display, a row of numbered buttons and a 4-second timer that moves to the next slide.
class HelpViewArea : public QFrame
{
    Q_OBJECT

public:
    explicit HelpViewArea(QWidget* parent = nullptr);
    ~HelpViewArea() override;

    void addSlide(const QString& path);
    QPushButton* applyItemButtonProperties(QPushButton* button, const QString& objectName);

    HelpDisplay* display() const;
    QTimer* timer() const;
    QButtonGroup* buttonGroup() const;

public slots:
    void slotStartSlideShow();
    void slotStopSlideShow();

private slots:
    void slotButtonClicked();
    void slotShowSlide(const QString& path);
    void slotShowNextSlide();

private:
    QTimer* m_pTimer;
    HelpDisplay* m_pDisplay;
    QHBoxLayout* m_playoutButtons;
    QButtonGroup* m_pButtonGroup;
    QSignalMapper* m_pMapper;
};

} // namespace QzWidgets
