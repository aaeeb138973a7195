#pragma once

#include <QByteArray>
#include <QObject>
#include <QUrl>

#include <functional>

// The one thing the program asks of the network: a JSON body posted with an Authorization header. It lives in the
// plugin "network" (plugins/network), so that Qt's network library and its Kerberos and proxy libraries are mapped
// only once the user has turned listens on, never for a song played on its own. Built with the program and against
// the same Qt; the function keeps a C name so that it is found by name.
namespace JsonPost {

// How the server answered: its HTTP status (0 without one), and whether the exchange went through.
using Answer = std::function<void(int status, bool transferred)>;

// Posts `body` to `url`; `answer` is called once, on `context`'s thread, unless `context` is gone by then. Given up
// after `timeoutMs` without progress.
using Post = void (*)(QObject* context, const QUrl& url, const QByteArray& authorization, const QByteArray& body,
    int timeoutMs, const Answer& answer);

constexpr const char* Plugin = "network";
constexpr const char* Symbol = "vireoPostJson";

} // namespace JsonPost
