#include "ListenBrainzClient.h"

#include "PluginLibrary.h"

#include <QFile>
#include <QJsonDocument>
#include <QSaveFile>

#include <utility>

namespace {
// The server takes up to a thousand listens at once; a hundred keeps a request small.
constexpr int Batch = 100;
constexpr int FirstRetryMs = 30 * 1000;
constexpr int LastRetryMs = 15 * 60 * 1000;

QByteArray request(const char* type, const QJsonArray& payload)
{
    return QJsonDocument(
        QJsonObject { { QStringLiteral("listen_type"), QLatin1String(type) }, { QStringLiteral("payload"), payload } })
        .toJson(QJsonDocument::Compact);
}
} // namespace

ListenBrainzClient::ListenBrainzClient(const QString& queueFile, QObject* parent)
    : QObject(parent)
    , m_strFile(queueFile)
{
    // What a damaged file holds is no listen: it is left out, quietly.
    QFile kept(queueFile);
    if (kept.open(QIODevice::ReadOnly)) {
        for (const QJsonValue& listen : QJsonDocument::fromJson(kept.readAll()).array()) {
            if (listen.isObject() && listen[QStringLiteral("track_metadata")].isObject())
                m_waiting.append(listen);
        }
    }
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &ListenBrainzClient::sendWaiting);
}

void ListenBrainzClient::setAccount(const QString& token, const QString& server)
{
    m_strToken = token.trimmed();
    QString root = server.trimmed().isEmpty() ? QLatin1String(PublicServer) : server.trimmed();
    while (root.endsWith(QLatin1Char('/')))
        root.chop(1);
    m_urlSubmit = QUrl(root + QStringLiteral("/1/submit-listens"));
    m_bRefused = false;
    m_retry.stop();
    m_nRetryMs = FirstRetryMs;
    sendWaiting();
}

bool ListenBrainzClient::isOn() const
{
    return !m_strToken.isEmpty() && m_urlSubmit.isValid();
}

int ListenBrainzClient::waiting() const
{
    return int(m_waiting.size());
}

// Without the network plugin nothing goes out: listens stay kept, as when the server does not answer.
bool ListenBrainzClient::post(const QByteArray& body, int timeoutMs, const JsonPost::Answer& answer)
{
    const auto send = QzMultiMedia::PluginLibrary::function<JsonPost::Post>(JsonPost::Plugin, JsonPost::Symbol);
    if (!send)
        return false;
    send(this, m_urlSubmit, "Token " + m_strToken.toUtf8(), body, timeoutMs, answer);
    return true;
}

void ListenBrainzClient::nowPlaying(const QJsonObject& track)
{
    if (!isOn() || m_bRefused)
        return;
    post(request("playing_now", QJsonArray { QJsonObject { { QStringLiteral("track_metadata"), track } } }), 15000,
        [](int, bool) {});
}

// Off, nothing is kept either: the user did not ask for a listening history.
void ListenBrainzClient::listen(const QJsonObject& track, qint64 listenedAt)
{
    if (!isOn())
        return;
    m_waiting.append(
        QJsonObject { { QStringLiteral("listened_at"), listenedAt }, { QStringLiteral("track_metadata"), track } });
    save();
    // A listen is a good moment to try the server again.
    m_retry.stop();
    sendWaiting();
}

void ListenBrainzClient::sendWaiting()
{
    if (!isOn() || m_bRefused || m_nSending > 0 || m_waiting.isEmpty() || m_retry.isActive())
        return;
    QJsonArray batch;
    for (qsizetype i = 0; i < m_waiting.size() && i < Batch; ++i)
        batch.append(m_waiting.at(i));
    m_nSending = int(batch.size());
    const auto answered = [this](int status, bool transferred) { batchAnswered(status, transferred); };
    if (!post(request(batch.size() == 1 ? "single" : "import", batch), 30000, answered))
        m_nSending = 0;
}

void ListenBrainzClient::batchAnswered(int status, bool transferred)
{
    const int count = std::exchange(m_nSending, 0);
    if (transferred && status == 200) {
        for (int i = 0; i < count && !m_waiting.isEmpty(); ++i)
            m_waiting.removeFirst();
        save();
        m_nRetryMs = FirstRetryMs;
        emit sent(count);
        sendWaiting();
    } else if (status == 401) {
        qWarning("vireo: the ListenBrainz server refused the token; listens are kept until it changes");
        m_bRefused = true;
    } else if (status == 400) {
        // Listens the server calls malformed would be refused for ever: they go, the others are sent on.
        qWarning("vireo: the ListenBrainz server refused %d listens as malformed", count);
        for (int i = 0; i < count && !m_waiting.isEmpty(); ++i)
            m_waiting.removeFirst();
        save();
        sendWaiting();
    } else {
        m_retry.start(m_nRetryMs);
        m_nRetryMs = qMin(m_nRetryMs * 2, LastRetryMs);
    }
}

// Whole or not at all: a crash while writing leaves the listens of before.
void ListenBrainzClient::save() const
{
    QSaveFile file(m_strFile);
    if (!file.open(QIODevice::WriteOnly)) {
        qWarning("vireo: cannot keep the listens to send: %s", qPrintable(file.errorString()));
        return;
    }
    file.write(QJsonDocument(m_waiting).toJson(QJsonDocument::Compact));
    if (!file.commit())
        qWarning("vireo: cannot keep the listens to send: %s", qPrintable(file.errorString()));
}
