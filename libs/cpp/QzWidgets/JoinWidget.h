#pragma once

#include <QFrame>
#include <QString>

class QPushButton;

namespace QzWidgets {

// Invites the user to follow the maker on the networks or by e-mail.
class JoinWidget : public QFrame
{
    Q_OBJECT

public:
    explicit JoinWidget(QWidget* parent = nullptr);
    static void applyButtonProperties(QPushButton* button, const QString& objectName);

private slots:
    void slotFaceBookClicked();
    void slotTwitterClicked();
    void slotVKontakteClicked();
    void slotEmailClicked();

private:
    void openJoinPage(const QString& social);

    QString m_strJoinTemplate;
};

} // namespace QzWidgets
