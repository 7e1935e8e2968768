#include "CommandLine.h"

#include <QByteArray>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QList>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace zorvane::app {

namespace {

// Qt's own options that take a value (QGuiApplication, QApplication, the X11
// platform). They are declared, out of the help, so that a value such as a
// window title reading "--help" is not taken for an option.
constexpr std::array qtValueOptions{"platform",
                                    "platformpluginpath",
                                    "platformtheme",
                                    "plugin",
                                    "qwindowgeometry",
                                    "qwindowicon",
                                    "qwindowtitle",
                                    "session",
                                    "display",
                                    "geometry",
                                    "title",
                                    "icon",
                                    "name",
                                    "visual",
                                    "ncols",
                                    "style",
                                    "stylesheet"};

struct ProgramOptions {
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help and end.")};
    QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                               QStringLiteral("Show the version number and end.")};

    explicit ProgramOptions(QCommandLineParser& parser)
    {
        // Single-dash words are whole options, as Qt's own are: -reverse is
        // one option, not -r -e -v -e -r -s -e, which would ask for the
        // version.
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        parser.setApplicationDescription(
            QStringLiteral("Zorvane gives a Firdaria reading: pick a date of birth and Day or Night, and it\n"
                           "shows the start dates of the periods and sub-periods of the time lords of a life.\n"
                           "It opens its window in a graphical session (X11 or Wayland). Qt's own options,\n"
                           "such as -platform or -style, are accepted too. See the manual page zorvane(1)."));
        parser.addOption(help);
        parser.addOption(version);
        for (const char* name : qtValueOptions) {
            QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
            option.setFlags(QCommandLineOption::HiddenFromHelp);
            parser.addOption(option);
        }
    }
};

struct HeldMessage {
    QtMsgType type;
    QByteArray category;  // null where the message had none
    QString text;
};

// What PlatformStartGuard holds back; Qt may log from its platform's threads.
struct HeldMessages {
    std::mutex mutex;
    QList<HeldMessage> messages;
    QtMessageHandler qtHandler = nullptr;
};

HeldMessages& held()
{
    static HeldMessages messages;
    return messages;
}

// Called with the mutex locked.
void writeHeldMessages()
{
    for (const HeldMessage& message : std::as_const(held().messages)) {
        const char* category = message.category.isNull() ? nullptr : message.category.constData();
        held().qtHandler(message.type, QMessageLogContext(nullptr, 0, nullptr, category), message.text);
    }
    held().messages.clear();
}

// Qt's words for a platform asked for that is not installed; of one that is
// but cannot start, it says that it "could not load" it.
bool namesMissingPlatform(const HeldMessage& message)
{
    return message.category == "qt.qpa.plugin"
           && message.text.startsWith(QLatin1String("Could not find the Qt platform plugin"));
}

bool displayNamed()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
           || !qEnvironmentVariableIsEmpty("WAYLAND_SOCKET");
}

void holdOrEnd(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    const std::lock_guard lock(held().mutex);
    if (type != QtFatalMsg) {
        held().messages.append({type, QByteArray(context.category), text});
        return;
    }
    const bool platformMissing = std::any_of(held().messages.cbegin(), held().messages.cend(), namesMissingPlatform);
    // Without a display named, Qt's messages say only that an unnamed one
    // could not be reached.
    if (platformMissing || displayNamed())
        writeHeldMessages();
    std::fprintf(stderr, "%s\n", qPrintable(platformMissing ? missingPlatformText() : noGraphicalSessionText()));
    std::fflush(stderr);
    // Half-built as QApplication is, nothing may run on the way out.
    std::_Exit(EXIT_FAILURE);
}

}  // namespace

TerminalRequest parseCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    const ProgramOptions options(parser);
    // Unknown options make parse() return false after reading everything;
    // they are Qt's or nobody's, and QApplication deals with them.
    parser.parse(arguments);
    if (parser.isSet(options.help))
        return TerminalRequest::ShowHelp;
    if (parser.isSet(options.version))
        return TerminalRequest::ShowVersion;
    return TerminalRequest::Run;
}

QString helpText()
{
    QCommandLineParser parser;
    const ProgramOptions options(parser);
    return parser.helpText();
}

QString versionText()
{
    return QStringLiteral("Zorvane " ZORVANE_VERSION "\n");
}

QString noGraphicalSessionText()
{
    return QStringLiteral("Zorvane needs a graphical session (X11 or Wayland) and could not find one.");
}

QString missingPlatformText()
{
    return QStringLiteral("Zorvane could not load the Qt platform plugin it was asked to use "
                          "(-platform or QT_QPA_PLATFORM).");
}

std::optional<int> answerInTerminal(int argc, char* argv[])
{
    QStringList arguments;
    arguments.reserve(argc);
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const TerminalRequest request = parseCommandLine(arguments);
    if (request == TerminalRequest::Run)
        return std::nullopt;

    // Needs no display; it gives the help the program's name as started.
    const QCoreApplication terminal(argc, argv);
    const QString text = request == TerminalRequest::ShowHelp ? helpText() : versionText();
    std::fputs(text.toLocal8Bit().constData(), stdout);
    // A full disk or a closed pipe is a failure, as in any terminal tool.
    return std::fflush(stdout) == 0 ? EXIT_SUCCESS : EXIT_FAILURE;
}

PlatformStartGuard::PlatformStartGuard()
{
    held().qtHandler = qInstallMessageHandler(holdOrEnd);
}

PlatformStartGuard::~PlatformStartGuard()
{
    release();
}

void PlatformStartGuard::release()
{
    if (!held_)
        return;
    held_ = false;
    const std::lock_guard lock(held().mutex);
    qInstallMessageHandler(held().qtHandler);
    writeHeldMessages();
}

}  // namespace zorvane::app
