#include "FileDialog_linux.h"

#include "OsLogging.h"

QStringList FileDialog_linux::fileTypes(const QString& filter)
{
    const QString remainder = QString(filter).remove(QStringLiteral("*."));
    return QString::fromLatin1(remainder.toLatin1()).split(QStringLiteral(";;"));
}

QString FileDialog_linux::panelFilter(const QString& filter)
{
    if (filter.isEmpty())
        return QString();
    QStringList patterns;
    for (const QString& type : fileTypes(filter))
        patterns << QStringLiteral("*.") + type;
    return patterns.join(QLatin1Char(' '));
}

QString FileDialog_linux::getOpenFileName(
    QWidget*, const QString& caption, const QString& dir, const QString& filter, QString*, QFileDialog::Options)
{
    return QFileDialog::getOpenFileName(nullptr, caption, dir, panelFilter(filter));
}

QString FileDialog_linux::getSaveFileName(
    QWidget*, const QString& caption, const QString& dir, const QString& filter, QString*, QFileDialog::Options)
{
    return QFileDialog::getSaveFileName(nullptr, caption, dir, panelFilter(filter));
}

QStringList FileDialog_linux::getOpenFileNames(
    QWidget*, const QString& caption, const QString& dir, const QString& filter, QString*, QFileDialog::Options)
{
    const QString chosen = QFileDialog::getOpenFileName(nullptr, caption, dir, panelFilter(filter));
    qCDebug(lcOs) << (chosen.isEmpty() ? "doOpen we have a Cancel button" : "doOpen we have a OK button");
    return QStringList { chosen };
}
