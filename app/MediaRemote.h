#pragma once

#include <QObject>

// Lets the desktop drive the player from outside the tray, with or without an icon: media keys, sound applets,
// command-line tools.
class MediaRemote : public QObject
{
    Q_OBJECT

public:
    explicit MediaRemote(QObject* parent = nullptr);
};
