#pragma once

#include <QFileDialog>

namespace QzWidgets {

// Asks for files to open or a name to save under: Qt's dialog over a given parent, else the desktop's own.
class FileDialog : public QFileDialog
{
    Q_OBJECT

public:
    static QString getOpenFileName(QWidget* parent = nullptr, const QString& caption = QString(),
        const QString& dir = QString(), const QString& filter = QString(), QString* selectedFilter = nullptr,
        QFileDialog::Options options = {});
    static QString getSaveFileName(QWidget* parent = nullptr, const QString& caption = QString(),
        const QString& dir = QString(), const QString& filter = QString(), QString* selectedFilter = nullptr,
        QFileDialog::Options options = {});
    static QStringList getOpenFileNames(QWidget* parent = nullptr, const QString& caption = QString(),
        const QString& dir = QString(), const QString& filter = QString(), QString* selectedFilter = nullptr,
        QFileDialog::Options options = {});
};

} // namespace QzWidgets
