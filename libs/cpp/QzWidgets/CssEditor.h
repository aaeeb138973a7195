#pragma once

#include <QMainWindow>

namespace QzWidgets {

class CssDoc;

// A small window for designing the application's style sheet: write, load, save, apply at once, clear.
class CssEditor : public QMainWindow
{
    Q_OBJECT

public:
    explicit CssEditor(QWidget* parent = nullptr);
    CssDoc* doc() const;

public slots:
    void slotApply();
    void slotAbout();
    void slotReset();
    void slotChangeWindowTitle(const QString& title);
    void slotApplyToolTipsInfo();

private:
    CssDoc* m_pDoc;
};

} // namespace QzWidgets
