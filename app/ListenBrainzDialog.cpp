#include "ListenBrainzDialog.h"

#include "App.h"
#include "ListenBrainzClient.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

using QzWidgets::App;

ListenBrainzDialog::ListenBrainzDialog(QWidget* parent)
    : QDialog(parent)
    , m_pedtToken(new QLineEdit(this))
    , m_pedtServer(new QLineEdit(this))
{
    setWindowTitle(tr("ListenBrainz"));
    auto* hint = new QLabel(tr("Songs you listen to are sent to your ListenBrainz profile. Your token is on your "
                               "profile's settings page; without one nothing is sent."),
        this);
    hint->setTextFormat(Qt::PlainText);
    hint->setWordWrap(true);
    m_pedtToken->setEchoMode(QLineEdit::Password);
    m_pedtToken->setText(App::theApp()->settingsValue(QStringLiteral("ListenBrainzToken")).toString());
    m_pedtServer->setPlaceholderText(QLatin1String(ListenBrainzClient::PublicServer));
    m_pedtServer->setText(App::theApp()->settingsValue(QStringLiteral("ListenBrainzServer")).toString());
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &ListenBrainzDialog::slotSave);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QFormLayout(this);
    layout->addRow(hint);
    layout->addRow(tr("Token:"), m_pedtToken);
    layout->addRow(tr("Server:"), m_pedtServer);
    layout->addRow(buttons);
    m_pedtServer->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('x')) * 40);
}

void ListenBrainzDialog::slotSave()
{
    const QString token = m_pedtToken->text().trimmed();
    const QString server = m_pedtServer->text().trimmed();
    App::theApp()->setSettingsValue(QStringLiteral("ListenBrainzToken"), token);
    App::theApp()->setSettingsValue(QStringLiteral("ListenBrainzServer"), server);
    emit accountChanged(token, server);
    accept();
}
