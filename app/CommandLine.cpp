#include "CommandLine.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>

#include <array>
#include <cstdio>
#include <cstdlib>

namespace zorvane::app {

namespace {

// Qt's own options that take a value (QGuiApplication, QApplication, the X11
// platform). They are declared, out of the help, so that a value such as a
// window title reading "--help" is not taken for an option, and so that
// -platform and -display can be read.
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

// Qt's platforms that connect to a display server: X11, and Wayland with its
// variants (wayland-egl, wayland-brcm ...).
bool needsDisplayServer(const QString& platformName)
{
    return platformName == QLatin1String("xcb") || platformName.startsWith(QLatin1String("wayland"));
}

bool isSet(const QProcessEnvironment& environment, const char* name)
{
    return !environment.value(QString::fromLatin1(name)).isEmpty();
}

QtMessageHandler qtMessageHandler = nullptr;

void endOnPlatformFailure(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type != QtFatalMsg) {
        // Qt's warnings before the failure name its cause (the display that
        // could not be reached): they are written as usual.
        if (qtMessageHandler)
            qtMessageHandler(type, context, message);
        else
            std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
        return;
    }
    std::fprintf(stderr, "%s\n", qPrintable(noGraphicalSessionText()));
    std::fflush(stderr);
    // Half-built as QApplication is, nothing may run on the way out.
    std::_Exit(EXIT_FAILURE);
}

}  // namespace

CommandLine parseCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    const ProgramOptions options(parser);
    // Unknown options make parse() return false after reading everything;
    // they are Qt's or nobody's, and QApplication deals with them.
    parser.parse(arguments);

    CommandLine commandLine;
    if (parser.isSet(options.help))
        commandLine.request = CommandLine::Request::ShowHelp;
    else if (parser.isSet(options.version))
        commandLine.request = CommandLine::Request::ShowVersion;
    // Qt, too, takes the last one given.
    commandLine.platform = parser.value(QStringLiteral("platform"));
    commandLine.display = parser.value(QStringLiteral("display"));
    return commandLine;
}

bool hasGraphicalSession(const CommandLine& commandLine, const QProcessEnvironment& environment, WindowSystem system)
{
    if (system == WindowSystem::Native)
        return true;
    // -platform overrides QT_QPA_PLATFORM. Either may list platforms to try
    // in turn, separated by ';', each with options after ':'
    // (offscreen:configfile=...).
    const QString requested =
        commandLine.platform.isEmpty() ? environment.value(QStringLiteral("QT_QPA_PLATFORM")) : commandLine.platform;
    for (const QString& platform : requested.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        if (!needsDisplayServer(platform.section(QLatin1Char(':'), 0, 0).trimmed()))
            return true;
    }
    return !commandLine.display.isEmpty() || isSet(environment, "DISPLAY") || isSet(environment, "WAYLAND_DISPLAY")
           || isSet(environment, "WAYLAND_SOCKET");
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

std::optional<int> answerInTerminal(int argc, char* argv[])
{
    QStringList arguments;
    arguments.reserve(argc);
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const CommandLine commandLine = parseCommandLine(arguments);

    if (commandLine.request != CommandLine::Request::Run) {
        // Needs no display; it gives the help the program's name as started.
        const QCoreApplication terminal(argc, argv);
        const QString text = commandLine.request == CommandLine::Request::ShowHelp ? helpText() : versionText();
        std::fputs(text.toLocal8Bit().constData(), stdout);
        // A full disk or a closed pipe is a failure, as in any terminal tool.
        return std::fflush(stdout) == 0 ? EXIT_SUCCESS : EXIT_FAILURE;
    }
    if (!hasGraphicalSession(commandLine, QProcessEnvironment::systemEnvironment())) {
        std::fprintf(stderr, "%s\n", qPrintable(noGraphicalSessionText()));
        return EXIT_FAILURE;
    }
    return std::nullopt;
}

PlatformStartGuard::PlatformStartGuard()
{
    qtMessageHandler = qInstallMessageHandler(endOnPlatformFailure);
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
    qInstallMessageHandler(qtMessageHandler);
    qtMessageHandler = nullptr;
}

}  // namespace zorvane::app
