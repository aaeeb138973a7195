#pragma once

#include <QDialog>

class QHBoxLayout;
class QLabel;
class QPushButton;

namespace QzWidgets {

// The base of the three reminders: logo, message, a row for the derived dialog's content and the answer
// buttons. The answer is read with state() after exec(); the caller acts on it.
class ReminderDialog : public QDialog
{
    Q_OBJECT

public:
    enum State { NoAnswer = 0, Now = 1, MaybeLater = 2, NeverAskAgain = 3 };

    explicit ReminderDialog(QWidget* parent = nullptr);
    int state() const;

protected:
    void focusInEvent(QFocusEvent* event) override;
    // The closing tags of the heading the message was opened with.
    QString closingTags() const;

    QLabel* m_plblMessage;
    int m_nState = NoAnswer;
    QPushButton* m_pcmdNow;
    QPushButton* m_pcmdMaybeLater1;
    QPushButton* m_pcmdMaybeLater2;
    QPushButton* m_pcmdNever;
    QHBoxLayout* m_playoutContent;
    QLabel* m_plblLogo;

private slots:
    void slotNow();
    void slotMaybeLater();
    void slotNeverAskMeAgain();
};

} // namespace QzWidgets
