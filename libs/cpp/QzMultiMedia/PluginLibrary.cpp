#include "PluginLibrary.h"

#include "QzMultiMediaLogging.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QLibrary>
#include <QMutex>

namespace QzMultiMedia {

QStringList PluginLibrary::folders()
{
    QStringList folders;
    if (QCoreApplication::instance())
        folders << QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../lib/vireo/plugins"));
    const QString built = QStringLiteral(VIREO_BUILD_PLUGIN_DIR);
    if (!folders.contains(built))
        folders << built;
    return folders;
}

QFunctionPointer PluginLibrary::resolve(const char* plugin, const char* symbol)
{
    // Readers are asked for from the intake's and the tag reader's threads alike.
    static QMutex mutex;
    static QHash<QByteArray, QFunctionPointer> functions; // nullptr kept too: a missing plugin is tried once
    const QByteArray key = QByteArray(plugin) + '/' + symbol;
    const QMutexLocker lock(&mutex);
    const auto known = functions.constFind(key);
    if (known != functions.constEnd())
        return *known;
    QFunctionPointer function = nullptr;
    const QStringList places = folders();
    QString error = QStringLiteral("not found in %1").arg(places.join(u", "));
    for (const QString& folder : places) {
        const QString path = folder + QLatin1Char('/') + QLatin1String(plugin) + QStringLiteral(".so");
        if (!QFileInfo::exists(path))
            continue;
        // The library stays loaded for the life of the process: the QLibrary object does not unload it.
        QLibrary library(path);
        function = library.resolve(symbol);
        if (function)
            break;
        error = library.errorString();
    }
    if (!function)
        qCWarning(lcMultiMedia) << "the plugin" << plugin << "cannot be used, so what needs it does without:" << error;
    functions.insert(key, function);
    return function;
}

} // namespace QzMultiMedia
