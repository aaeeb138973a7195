#pragma once

#include <QDialog>

class QPushButton;

namespace QzWidgets {

class HelpViewArea;

// The introduction: the slide show with a close button and "Never show on start".
class HelpDialog : public QDialog
{
    Q_OBJECT

public:
    explicit HelpDialog(QWidget* parent = nullptr);

    void addSlide(const QString& path);
    static bool isShowOnStartAvailable();
    HelpViewArea* viewArea() const;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private slots:
    void slotReject();
    void slotNeverShowItAgain();

private:
    QPushButton* m_pcmdNeverShow;
    HelpViewArea* m_pViewArea;
};

} // namespace QzWidgets
