#pragma once

#include <QFrame>

class QPushButton;

namespace QzWidgets {

// One button per network and one for e-mail, each opening a page (or a mail) that tells friends about the app.
class TellWidget : public QFrame
{
    Q_OBJECT

public:
    explicit TellWidget(QWidget* parent = nullptr);
    static void applyButtonProperties(QPushButton* button, const QString& objectName);

private slots:
    void slotFaceBookClicked();
    void slotTwitterClicked();
    void slotVKontakteClicked();
    void slotEmailClicked();
};

} // namespace QzWidgets
