#include "FileDialog.h"

#include "FileDialog_linux.h"

#include <QEventLoop>

namespace QzWidgets {

namespace {

// Qt's dialog, window-modal over the parent, waited for in a local loop so that the caller gets an answer.
QStringList runDialog(QWidget* parent, const QString& caption, const QString& dir, const QString& filter,
    QFileDialog::Options options, QFileDialog::FileMode mode, QFileDialog::AcceptMode accept)
{
    QFileDialog dialog(parent, caption, dir, filter);
    dialog.setFileMode(mode);
    dialog.setAcceptMode(accept);
    dialog.setOptions(options);
    QEventLoop loop;
    QObject::connect(&dialog, &QDialog::finished, &loop, &QEventLoop::quit);
    dialog.open();
    loop.exec();
    return dialog.result() == QDialog::Accepted ? dialog.selectedFiles() : QStringList();
}

} // namespace

QString FileDialog::getOpenFileName(QWidget* parent, const QString& caption, const QString& dir, const QString& filter,
    QString* selectedFilter, QFileDialog::Options options)
{
    if (!parent)
        return FileDialog_linux::getOpenFileName(nullptr, caption, dir, filter, selectedFilter, options);
    return runDialog(parent, caption, dir, filter, options, ExistingFile, AcceptOpen).value(0);
}

QString FileDialog::getSaveFileName(QWidget* parent, const QString& caption, const QString& dir, const QString& filter,
    QString* selectedFilter, QFileDialog::Options options)
{
    if (!parent)
        return FileDialog_linux::getSaveFileName(nullptr, caption, dir, filter, selectedFilter, options);
    return runDialog(parent, caption, dir, filter, options, AnyFile, AcceptSave).value(0);
}

QStringList FileDialog::getOpenFileNames(QWidget* parent, const QString& caption, const QString& dir,
    const QString& filter, QString* selectedFilter, QFileDialog::Options options)
{
    if (!parent)
        return FileDialog_linux::getOpenFileNames(nullptr, caption, dir, filter, selectedFilter, options);
    return runDialog(parent, caption, dir, filter, options, ExistingFiles, AcceptOpen);
}

} // namespace QzWidgets
