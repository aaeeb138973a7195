#pragma once

#include <QList>
#include <QString>

// Commands for the player that runs in this session, sent from a start of the program that ends at once.
class RemoteCommands
{
public:
    // One command: an MPRIS Player method ("Next", "PlayPause", ...), or "Seek" by `amount` seconds, or "Volume"
    // changed by `amount` percent of full (+5 louder, -5 quieter).
    struct Command
    {
        QString method;
        double amount = 0;
    };

    // Sends the commands, in order. Empty when all went through; otherwise what went wrong, as a user reads it.
    // Never starts a player.
    static QString send(const QList<Command>& commands);
};
