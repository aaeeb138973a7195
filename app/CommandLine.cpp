#include "CommandLine.h"

#include "MediaCommon.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <cstdio>

#include <unistd.h>

namespace {
// The player's commands as options, each named by the MPRIS method that carries it to the running player.
struct Command
{
    const char* option;
    const char* method;
    const char* description;
};
constexpr Command commands[] = {
    { "play-pause", "PlayPause", "Pause the running player if it plays, play otherwise." },
    { "play", "Play", "Play the running player's current song." },
    { "pause", "Pause", "Pause the running player." },
    { "stop", "Stop", "Stop the running player." },
    { "next", "Next", "Go to the next song." },
    { "previous", "Previous", "Go to the previous song." },
};

void print(FILE* stream, const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}
} // namespace

CommandLine::CommandLine(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    // A file name need not be UTF-8 (a file made on another system): its bytes are kept, which a QString cannot.
    // The names are the arguments that are not options, in order (a value of --seek or --volume comes with
    // commands, which take no names).
    QList<QByteArray> nameBytes;
    bool optionsEnd = false;
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (optionsEnd || !argument.startsWith('-') || argument == "-")
            nameBytes << argument;
        optionsEnd = optionsEnd || argument == "--";
    }

    m_parser.setApplicationDescription(QStringLiteral("Vireo plays audio files from the system tray."));
    m_parser.addHelpOption();
    m_parser.addVersionOption();
    m_parser.addOption({ { QStringLiteral("e"), QStringLiteral("enqueue") },
        QStringLiteral("Add the files to the end of the running player's list instead of replacing it.") });
    m_parser.addOption({ { QStringLiteral("j"), QStringLiteral("jump") },
        QStringLiteral("Open the window that finds a song of the list as you type.") });
    for (const Command& command : commands)
        m_parser.addOption({ QLatin1String(command.option), QLatin1String(command.description) });
    // For a desktop's keyboard shortcuts.
    m_parser.addOption({ QStringLiteral("seek"),
        QStringLiteral("Move within the running player's song by this many seconds: +10 ahead, -10 back."),
        QStringLiteral("seconds") });
    m_parser.addOption({ QStringLiteral("volume"),
        QStringLiteral("Turn the running player's volume up or down by this many percent: +5, -5."),
        QStringLiteral("percent") });
    m_parser.addPositionalArgument(
        QStringLiteral("files"), QStringLiteral("Audio files or folders to play."), QStringLiteral("[files...]"));

    if (!m_parser.parse(arguments)) {
        m_strError = m_parser.errorText();
        return;
    }
    // In the order given: "--pause --next" pauses, then moves on.
    QHash<QString, int> valuesTaken;
    for (const QString& name : m_parser.optionNames()) {
        for (const Command& command : commands) {
            if (name == QLatin1String(command.option))
                m_listCommands << RemoteCommands::Command { QLatin1String(command.method) };
        }
        const bool seek = name == QLatin1String("seek");
        if (!seek && name != QLatin1String("volume"))
            continue;
        bool number = false;
        const double amount = m_parser.values(name).value(valuesTaken[name]++).toDouble(&number);
        if (!number || !qIsFinite(amount) || qAbs(amount) > (seek ? 86400.0 : 100.0)) {
            m_strError = seek ? QStringLiteral("--seek takes seconds, as +10 or -10.")
                              : QStringLiteral("--volume takes percent, from -100 to +100, as +5 or -5.");
            return;
        }
        m_listCommands << RemoteCommands::Command { seek ? QStringLiteral("Seek") : QStringLiteral("Volume"), amount };
    }
    m_bAppend = m_parser.isSet(QStringLiteral("enqueue"));
    m_bJump = m_parser.isSet(QStringLiteral("jump"));
    const QStringList names = m_parser.positionalArguments();
    if (!m_listCommands.isEmpty() && (m_bAppend || m_bJump || !names.isEmpty())) {
        m_strError = QStringLiteral("the player's commands take no files.");
        return;
    }
    for (int i = 0; i < names.size(); ++i) {
        const QString& name = names.at(i);
        const QByteArray bytes = nameBytes.size() == names.size() ? nameBytes.at(i) : QFile::encodeName(name);
        if (QFile::encodeName(name) != bytes) {
            const QByteArray path = bytes.startsWith('/') ? bytes : QFile::encodeName(QDir::currentPath()) + '/' + bytes;
            if (::access(path.constData(), F_OK) == 0)
                m_listFiles << QzMultiMedia::MediaCommon::urlFromBytes(path);
            else
                print(stderr, QStringLiteral("vireo: %1: no such file or folder\n").arg(name));
            continue;
        }
        const QUrl url(name);
        if (QzMultiMedia::MediaCommon::isStream(url)) {
            m_listFiles << url;
            continue;
        }
        const QFileInfo file(url.isLocalFile() ? url.toLocalFile() : name);
        if (file.exists())
            m_listFiles << QUrl::fromLocalFile(file.absoluteFilePath());
        else
            print(stderr, QStringLiteral("vireo: %1: no such file or folder\n").arg(name));
    }
    if (m_bAppend && names.isEmpty())
        m_strError = QStringLiteral("--enqueue needs the files to add.");
}

bool CommandLine::answersAlone() const
{
    return !m_strError.isEmpty() || !m_listCommands.isEmpty() || wantsHelp()
        || m_parser.isSet(QStringLiteral("version"));
}

int CommandLine::answer()
{
    QCoreApplication::setApplicationName(QStringLiteral("vireo"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VIREO_VERSION));
    if (!m_strError.isEmpty()) {
        print(stderr, QStringLiteral("vireo: %1\nTry 'vireo --help' for the options.\n").arg(m_strError));
        return 2;
    }
    if (wantsHelp()) {
        print(stdout, m_parser.helpText());
        return 0;
    }
    if (m_parser.isSet(QStringLiteral("version"))) {
        print(stdout, QStringLiteral("vireo %1\n").arg(QCoreApplication::applicationVersion()));
        return 0;
    }
    const QString failure = RemoteCommands::send(m_listCommands);
    if (failure.isEmpty())
        return 0;
    print(stderr, QStringLiteral("vireo: %1\n").arg(failure));
    return 1;
}

// Qt's own options are not offered: they are read before the display is opened, which this program does only
// once it plays, so --help-all says what --help does.
bool CommandLine::wantsHelp() const
{
    return m_parser.isSet(QStringLiteral("help")) || m_parser.isSet(QStringLiteral("help-all"));
}

QList<QUrl> CommandLine::files() const
{
    return m_listFiles;
}

bool CommandLine::appends() const
{
    return m_bAppend;
}

bool CommandLine::jumps() const
{
    return m_bJump;
}
