#pragma once

#include "RemoteCommands.h"

#include <QCommandLineParser>
#include <QList>
#include <QStringList>
#include <QUrl>

// What a start of the program asks for: files to play or to add to the list, or something answered without a
// player of its own: --help, --version, a mistake, or commands for the player that runs (--next, --pause, --seek +10, ...).
// Read before anything else is made, so an answer needs no display and no sound.
class CommandLine
{
public:
    CommandLine(int argc, char** argv);
    Q_DISABLE_COPY(CommandLine)

    // This start answers and ends (answer()); it makes no player.
    bool answersAlone() const;
    // Prints help, the version or what is wrong, or sends the commands to the running player; the exit status.
    // Needs a QCoreApplication.
    int answer();

    // The files and folders named, as local-file URLs; names that exist nowhere were reported and left out.
    QList<QUrl> files() const;
    // The files go to the end of the list instead of replacing it.
    bool appends() const;
    // The window that finds a song of the list opens (-j): in the running player, or in this one.
    bool jumps() const;

private:
    bool wantsHelp() const;

    QCommandLineParser m_parser;
    QString m_strError;
    QList<RemoteCommands::Command> m_listCommands; // in the order the options came
    QList<QUrl> m_listFiles;
    bool m_bAppend = false;
    bool m_bJump = false;
};
