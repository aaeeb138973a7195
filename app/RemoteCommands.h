#pragma once

#include <QString>
#include <QStringList>

// Commands for the player that runs in this session, sent from a start of the program that ends at once.
class RemoteCommands
{
public:
    // Sends the MPRIS Player methods named, in order. Empty when all went through; otherwise what went wrong,
    // as a user reads it. Never starts a player.
    static QString send(const QStringList& methods);
};
