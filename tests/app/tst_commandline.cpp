// The program in a terminal: which arguments ask for the help or the version,
// which are left to Qt, and what the program says and how it ends where no
// platform can start.

#include "CommandLine.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using zorvane::app::TerminalRequest;

namespace {
const QString NoGraphicalSession =
    QStringLiteral("Zorvane needs a graphical session (X11 or Wayland) and could not find one.");
const QString MissingPlatform =
    QStringLiteral("Zorvane could not load the Qt platform plugin it was asked to use (-platform or QT_QPA_PLATFORM).");
}  // namespace

class tst_CommandLine : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parse_data();
    void parse();
    void terminal_data();
    void terminal();
};

void tst_CommandLine::parse_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<TerminalRequest>("request");

    // clang-format off
    QTest::newRow("nothing") << QStringList{} << TerminalRequest::Run;
    QTest::newRow("help") << QStringList{"--help"} << TerminalRequest::ShowHelp;
    QTest::newRow("help, short") << QStringList{"-h"} << TerminalRequest::ShowHelp;
    QTest::newRow("version") << QStringList{"--version"} << TerminalRequest::ShowVersion;
    QTest::newRow("version, short") << QStringList{"-v"} << TerminalRequest::ShowVersion;
    QTest::newRow("help before version") << QStringList{"--version", "--help"} << TerminalRequest::ShowHelp;
    QTest::newRow("help among Qt options") << QStringList{"-style", "fusion", "-reverse", "--help"} << TerminalRequest::ShowHelp;
    QTest::newRow("Qt flag holding the letters h and v") << QStringList{"-reverse", "-nograb", "-sync"} << TerminalRequest::Run;
    QTest::newRow("unknown option left to Qt") << QStringList{"--no-such-option"} << TerminalRequest::Run;
    QTest::newRow("window title reading --version") << QStringList{"-qwindowtitle", "--version"} << TerminalRequest::Run;
    QTest::newRow("platform named --help") << QStringList{"-platform", "--help"} << TerminalRequest::Run;
    QTest::newRow("after the end of options") << QStringList{"--", "--help"} << TerminalRequest::Run;
    QTest::newRow("version with a platform") << QStringList{"-platform", "xcb", "-v"} << TerminalRequest::ShowVersion;
    // clang-format on
}

void tst_CommandLine::parse()
{
    QFETCH(QStringList, arguments);
    QFETCH(TerminalRequest, request);
    QCOMPARE(zorvane::app::parseCommandLine(QStringList{"zorvane"} + arguments), request);
}

void tst_CommandLine::terminal_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("environment");  // NAME=value; no display is named otherwise
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output");    // what standard output begins with
    QTest::addColumn<QString>("lastLine");  // of standard error; empty: nothing on it
    QTest::addColumn<bool>("alone");        // the last line is all standard error holds

    // Rule: the help and the version answer on standard output with exit
    // code 0, with or without a display. Where no platform can start, the
    // program ends with exit code 1 (not Qt's abort): where a platform asked
    // for is not installed, saying so after Qt's warning that names it; else
    // saying that it needs a graphical session, after Qt's messages where a
    // display is named, alone where none is.
    const QString unreachableX11 = QStringLiteral("DISPLAY=") + QDir::tempPath() + QStringLiteral("/no-x-server:0");
    // clang-format off
    QTest::newRow("version") << QStringList{"--version"} << QStringList{} << 0 << "Zorvane " EXPECTED_VERSION "\n" << QString() << false;
    QTest::newRow("help") << QStringList{"--help"} << QStringList{} << 0 << "Usage: " << QString() << false;
    // clang-format on
#if !defined(Q_OS_WIN)
    // Windows has no display to name: its platform starts in every session.
    // clang-format off
    QTest::newRow("no display") << QStringList{} << QStringList{} << 1 << QString() << NoGraphicalSession << true;
    QTest::newRow("X11 display that cannot be reached") << QStringList{} << QStringList{unreachableX11} << 1 << QString() << NoGraphicalSession << false;
    QTest::newRow("Wayland display that cannot be reached") << QStringList{} << QStringList{"WAYLAND_DISPLAY=no-wayland-0"} << 1 << QString() << NoGraphicalSession << false;
    // clang-format on
#endif
    // clang-format off
    QTest::newRow("platform not installed, display named") << QStringList{"-platform", "nosuch"} << QStringList{unreachableX11} << 1 << QString() << MissingPlatform << false;
    QTest::newRow("platform not installed, no display") << QStringList{} << QStringList{"QT_QPA_PLATFORM=nosuch"} << 1 << QString() << MissingPlatform << false;
    // clang-format on
}

void tst_CommandLine::terminal()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, environment);
    QFETCH(int, exitCode);
    QFETCH(QString, output);
    QFETCH(QString, lastLine);
    QFETCH(bool, alone);

    // Nothing may be written into the home folder: no lock, no settings.
    QTemporaryDir home;
    QVERIFY(home.isValid());
    QVERIFY(QDir(home.path()).mkdir(QStringLiteral("runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "WAYLAND_SOCKET", "QT_QPA_PLATFORM", "XDG_CACHE_HOME"})
        variables.remove(QString::fromLatin1(name));
    variables.insert(QStringLiteral("HOME"), home.path());
    variables.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    variables.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.filePath(QStringLiteral("runtime")));
    for (const QString& variable : environment)
        variables.insert(variable.section(QLatin1Char('='), 0, 0), variable.section(QLatin1Char('='), 1));

    QProcess program;
    program.setProcessEnvironment(variables);
    // Lines end in "\n" as read, whatever the system ends them with.
    program.start(QStringLiteral(ZORVANE_PROGRAM), arguments, QIODevice::ReadOnly | QIODevice::Text);
    QVERIFY(program.waitForFinished());
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), exitCode);

    const QString out = QString::fromLocal8Bit(program.readAllStandardOutput());
    const QString error = QString::fromLocal8Bit(program.readAllStandardError());
    QVERIFY2(out.startsWith(output), qPrintable(out));
    QVERIFY2(output.isEmpty() || error.isEmpty(), qPrintable(error));
    if (!lastLine.isEmpty()) {
        const QStringList lines = error.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QVERIFY2(!lines.isEmpty() && lines.constLast() == lastLine, qPrintable(error));
        QCOMPARE(lines.size() == 1, alone);
    }
    const auto entries = [](const QString& folder) {
        return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    };
    QCOMPARE(entries(home.path()), QStringList{QStringLiteral("runtime")});
    QCOMPARE(entries(home.filePath(QStringLiteral("runtime"))), QStringList{});
}

QTEST_GUILESS_MAIN(tst_CommandLine)
#include "tst_commandline.moc"
