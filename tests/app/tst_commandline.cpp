// The program in a terminal: which arguments ask for the help or the version,
// which are left to Qt, and when there is no graphical session to start in.

#include "CommandLine.h"

#include <QTest>

using zorvane::app::CommandLine;
using zorvane::app::WindowSystem;
using Request = CommandLine::Request;

class tst_CommandLine : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parse_data();
    void parse();
    void graphicalSession_data();
    void graphicalSession();
};

void tst_CommandLine::parse_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<Request>("request");
    QTest::addColumn<QString>("platform");
    QTest::addColumn<QString>("display");

    // clang-format off
    QTest::newRow("nothing") << QStringList{} << Request::Run << QString() << QString();
    QTest::newRow("help") << QStringList{"--help"} << Request::ShowHelp << QString() << QString();
    QTest::newRow("help, short") << QStringList{"-h"} << Request::ShowHelp << QString() << QString();
    QTest::newRow("version") << QStringList{"--version"} << Request::ShowVersion << QString() << QString();
    QTest::newRow("version, short") << QStringList{"-v"} << Request::ShowVersion << QString() << QString();
    QTest::newRow("help before version") << QStringList{"--version", "--help"} << Request::ShowHelp << QString() << QString();
    QTest::newRow("help among Qt options") << QStringList{"-style", "fusion", "-reverse", "--help"} << Request::ShowHelp << QString() << QString();
    QTest::newRow("Qt flag holding the letters h and v") << QStringList{"-reverse", "-nograb", "-sync"} << Request::Run << QString() << QString();
    QTest::newRow("unknown option left to Qt") << QStringList{"--no-such-option"} << Request::Run << QString() << QString();
    QTest::newRow("window title reading --version") << QStringList{"-qwindowtitle", "--version"} << Request::Run << QString() << QString();
    QTest::newRow("after the end of options") << QStringList{"--", "--help"} << Request::Run << QString() << QString();
    QTest::newRow("platform") << QStringList{"-platform", "offscreen"} << Request::Run << "offscreen" << QString();
    QTest::newRow("platform, double dash") << QStringList{"--platform", "offscreen"} << Request::Run << "offscreen" << QString();
    QTest::newRow("platform given twice") << QStringList{"-platform", "xcb", "-platform", "vnc"} << Request::Run << "vnc" << QString();
    QTest::newRow("X11 display") << QStringList{"-display", ":3"} << Request::Run << QString() << ":3";
    QTest::newRow("version with a platform") << QStringList{"-platform", "xcb", "-v"} << Request::ShowVersion << "xcb" << QString();
    // clang-format on
}

void tst_CommandLine::parse()
{
    QFETCH(QStringList, arguments);
    QFETCH(Request, request);
    QFETCH(QString, platform);
    QFETCH(QString, display);

    const CommandLine commandLine = zorvane::app::parseCommandLine(QStringList{"zorvane"} + arguments);
    QCOMPARE(commandLine.request, request);
    QCOMPARE(commandLine.platform, platform);
    QCOMPARE(commandLine.display, display);
}

void tst_CommandLine::graphicalSession_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("environment");
    // Where a display server shows the windows (X11, Wayland).
    QTest::addColumn<bool>("found");

    // clang-format off
    QTest::newRow("none") << QStringList{} << QStringList{} << false;
    QTest::newRow("X11") << QStringList{} << QStringList{"DISPLAY=:0"} << true;
    QTest::newRow("Wayland") << QStringList{} << QStringList{"WAYLAND_DISPLAY=wayland-0"} << true;
    QTest::newRow("Wayland socket handed over") << QStringList{} << QStringList{"WAYLAND_SOCKET=3"} << true;
    QTest::newRow("empty DISPLAY") << QStringList{} << QStringList{"DISPLAY=", "WAYLAND_DISPLAY="} << false;
    QTest::newRow("X11 display by option") << QStringList{"-display", ":0"} << QStringList{} << true;
    QTest::newRow("offscreen") << QStringList{} << QStringList{"QT_QPA_PLATFORM=offscreen"} << true;
    QTest::newRow("offscreen with options") << QStringList{} << QStringList{"QT_QPA_PLATFORM=offscreen:configfile=/tmp/screens.json"} << true;
    QTest::newRow("offscreen by option") << QStringList{"-platform", "offscreen"} << QStringList{} << true;
    QTest::newRow("vnc") << QStringList{} << QStringList{"QT_QPA_PLATFORM=vnc"} << true;
    QTest::newRow("X11 asked, none there") << QStringList{} << QStringList{"QT_QPA_PLATFORM=xcb"} << false;
    QTest::newRow("Wayland asked, none there") << QStringList{} << QStringList{"QT_QPA_PLATFORM=wayland"} << false;
    QTest::newRow("Wayland EGL asked, none there") << QStringList{} << QStringList{"QT_QPA_PLATFORM=wayland-egl"} << false;
    QTest::newRow("Wayland then X11, none there") << QStringList{} << QStringList{"QT_QPA_PLATFORM=wayland;xcb"} << false;
    QTest::newRow("Wayland then offscreen") << QStringList{} << QStringList{"QT_QPA_PLATFORM=wayland;offscreen"} << true;
    QTest::newRow("X11 asked, Wayland there") << QStringList{} << QStringList{"QT_QPA_PLATFORM=xcb", "WAYLAND_DISPLAY=wayland-0"} << true;
    QTest::newRow("option over environment") << QStringList{"-platform", "xcb"} << QStringList{"QT_QPA_PLATFORM=offscreen"} << false;
    QTest::newRow("option over environment, offscreen") << QStringList{"-platform", "offscreen"} << QStringList{"QT_QPA_PLATFORM=xcb"} << true;
    // clang-format on
}

void tst_CommandLine::graphicalSession()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, environment);
    QFETCH(bool, found);

    QProcessEnvironment variables;
    for (const QString& variable : environment)
        variables.insert(variable.section(QLatin1Char('='), 0, 0), variable.section(QLatin1Char('='), 1));
    const CommandLine commandLine = zorvane::app::parseCommandLine(QStringList{"zorvane"} + arguments);
    QCOMPARE(zorvane::app::hasGraphicalSession(commandLine, variables, WindowSystem::DisplayServer), found);
    // Windows, macOS and Android show windows without DISPLAY or
    // WAYLAND_DISPLAY: there the program always starts.
    QVERIFY(zorvane::app::hasGraphicalSession(commandLine, variables, WindowSystem::Native));
}

QTEST_GUILESS_MAIN(tst_CommandLine)
#include "tst_commandline.moc"
