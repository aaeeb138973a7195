#include "SongChooser.h"

#include "App.h"
#include "SongIntake.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

// Qt's dialog, not the framework's question, which without a parent asks for one file only.
QList<QUrl> SongChooser::choose(const QString& title)
{
    QzWidgets::App* app = QzWidgets::App::theApp();
    QString folder = app->settingsValue(QStringLiteral("OpenFolder")).toString();
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    if (!QFileInfo(folder).isDir())
        folder = QDir::homePath();
    const QString filter = QCoreApplication::translate("SongChooser", "Audio files")
        + QStringLiteral(" (%1)").arg(QzMultiMedia::SongIntake::filePatterns().join(QLatin1Char(' ')))
        + QStringLiteral(";;") + QCoreApplication::translate("SongChooser", "All files") + QStringLiteral(" (*)");
    QFileDialog dialog(nullptr, title, folder, filter);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    const bool chosen = dialog.exec() == QDialog::Accepted;
    const QStringList files = dialog.selectedFiles();
    if (!chosen || files.isEmpty())
        return {};
    // The folder of what was chosen: a portal's dialog does not tell where the user went.
    app->setSettingsValue(QStringLiteral("OpenFolder"), QFileInfo(files.constFirst()).absolutePath());
    QList<QUrl> urls;
    for (const QString& file : files)
        urls << QUrl::fromLocalFile(file);
    return urls;
}
