#pragma once

#include <QFileDialog>
#include <QStringList>

// The desktop's own open and save panels (through Qt's platform theme or the desktop portal when there is one).
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

    // Qt shows the desktop's own file dialog only through a platform theme: none of Qt 6's is the desktop's on
    // Debian 12, and the portal's is chosen by Qt only inside a sandbox. Called before the application object is
    // made, this asks Qt for the portal's theme (the dialog of the desktop's portal where one answers, Qt's own
    // elsewhere; everything else stays the desktop's theme) unless the user chose a theme; `keepToThisProcess()`
    // after it was made leaves programs started from here to choose for themselves.
    static void preferPortalDialogs();
    static void keepToThisProcess();

    // "*.css;;*.txt" gives css and txt.
    static QStringList fileTypes(const QString& filter);
    // The types as a filter the panels understand: css and txt give "*.css *.txt".
    static QString panelFilter(const QString& filter);

private:
    static bool s_bPortalAsked;
};
