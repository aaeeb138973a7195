#pragma once

#include <QObject>

class Vireo;

// Lets the desktop drive the player from outside the tray: media keys, sound applets, command-line tools.
class MediaRemote : public QObject
{
    Q_OBJECT

public:
    explicit MediaRemote(Vireo* vireo, QObject* parent = nullptr);
};
