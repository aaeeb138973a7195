#pragma once

#include <QFileDialog>
#include <QStringList>

// The framework's open and save panels (Qt's own dialogs).
// Like the panels elsewhere, they pick one file at most and know file types, not Qt's filter text.
class FileDialog_linux
{
public:
    static QString getOpenFileName(QWidget* parent, const QString& caption, const QString& dir, const QString& filter,
        QString* selectedFilter, QFileDialog::Options options);
    static QString getSaveFileName(QWidget* parent, const QString& caption, const QString& dir, const QString& filter,
        QString* selectedFilter, QFileDialog::Options options);
    static QStringList getOpenFileNames(QWidget* parent, const QString& caption, const QString& dir,
        const QString& filter, QString* selectedFilter, QFileDialog::Options options);

    // "*.css;;*.txt" gives css and txt.
    static QStringList fileTypes(const QString& filter);
    // The types as a filter the panels understand: css and txt give "*.css *.txt".
    static QString panelFilter(const QString& filter);
};
