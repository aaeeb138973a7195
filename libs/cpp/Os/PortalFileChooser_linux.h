#pragma once

#include <QList>
#include <QObject>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>

#include <optional>

class QEventLoop;

// The desktop portal's open dialog (org.freedesktop.portal.FileChooser), asked for over the session bus when the
// user opens it. Nothing is asked of the portal before that: a portal the bus still has to start, or one that
// hangs, costs the start nothing, and the desktop's own dialog needs no platform theme chosen before the
// application object is made.
class PortalFileChooser_linux : public QObject
{
    Q_OBJECT

public:
    struct Filter
    {
        QString name;
        QStringList patterns; // "*.mp3"
    };

    // The files chosen in the portal's dialog, opened on `folder` where the portal can (none for a cancelled
    // dialog, or one asked for while the portal's dialog already shows); no answer at all where no portal shows
    // one within a few seconds (none on the bus, none with a file chooser, one that hangs). The event loop runs
    // meanwhile, as it does for any dialog.
    static std::optional<QList<QUrl>> openFiles(
        const QString& title, const QString& folder, const QList<Filter>& filters, bool multiple);

    // How long a portal has to show its dialog (the bus may have to start it first).
    static constexpr int ShowWithinMs = 5000;

private slots:
    void slotResponse(uint code, const QVariantMap& results);

private:
    explicit PortalFileChooser_linux(QEventLoop* loop);

    static bool s_bOpen;
    QEventLoop* m_pLoop;
    std::optional<QList<QUrl>> m_chosen;
};
