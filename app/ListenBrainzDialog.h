#pragma once

#include <QDialog>

class QLineEdit;

// "ListenBrainz...": asks for the user's token and the server (ListenBrainz's public API unless another is
// given), and keeps them as ListenBrainzToken and ListenBrainzServer. An empty token turns the sending off.
class ListenBrainzDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ListenBrainzDialog(QWidget* parent = nullptr);

signals:
    // The user saved a token and a server.
    void accountChanged(const QString& token, const QString& server);

private:
    void slotSave();

    QLineEdit* m_pedtToken;
    QLineEdit* m_pedtServer;
};
