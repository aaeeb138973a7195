#pragma once

#include <QMenu>

// The "Songs" submenu: one column that scrolls, and stays on the screen whatever happens to its entries.
class SongsMenu : public QMenu
{
    Q_OBJECT

public:
    explicit SongsMenu(const QString& title, QWidget* parent = nullptr);

protected:
    void actionEvent(QActionEvent* event) override;
};
