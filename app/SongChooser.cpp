#include "SongChooser.h"

#include "App.h"
#include "PortalFileChooser_linux.h"
#include "SongIntake.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

// The desktop's dialog through its portal where one shows it, else Qt's: not the framework's question, which
// without a parent asks for one file only.
QList<QUrl> SongChooser::choose(const QString& title)
{
    QzWidgets::App* app = QzWidgets::App::theApp();
    QString folder = app->settingsValue(QStringLiteral("OpenFolder")).toString();
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    if (!QFileInfo(folder).isDir())
        folder = QDir::homePath();
    const QString audio = QCoreApplication::translate("SongChooser", "Audio files");
    const QString all = QCoreApplication::translate("SongChooser", "All files");
    const QStringList patterns = QzMultiMedia::SongIntake::filePatterns();
    QStringList files;
    if (const auto chosen = PortalFileChooser_linux::openFiles(
            title, folder, { { audio, patterns }, { all, { QStringLiteral("*") } } }, true)) {
        for (const QUrl& url : *chosen) {
            if (url.isLocalFile())
                files << url.toLocalFile();
        }
    } else {
        QFileDialog dialog(nullptr, title, folder,
            audio + QStringLiteral(" (%1);;").arg(patterns.join(QLatin1Char(' '))) + all + QStringLiteral(" (*)"));
        dialog.setFileMode(QFileDialog::ExistingFiles);
        if (dialog.exec() == QDialog::Accepted)
            files = dialog.selectedFiles();
    }
    if (files.isEmpty())
        return {};
    // The folder of what was chosen: a portal's dialog does not tell where the user went.
    app->setSettingsValue(QStringLiteral("OpenFolder"), QFileInfo(files.constFirst()).absolutePath());
    QList<QUrl> urls;
    for (const QString& file : files)
        urls << QUrl::fromLocalFile(file);
    return urls;
}
