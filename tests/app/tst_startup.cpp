// Start-up and ending: the single-instance lock, the update reminder, the
// offer label drawn at random, the missing converter, and CloseAllAndEnd.

#include "AppTestSupport.h"
#include "FakeDialogs.h"
#include "FileSizeSignal.h"
#include "FilesAndPictures.h"
#include "OpenWindows.h"
#include "OtherUser.h"
#include "StartUp.h"
#include "UpdateReminder.h"
#include "modHelp.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QRandomGenerator>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <csignal>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#if defined(Q_OS_UNIX)
#  include <fcntl.h>
#  include <sys/stat.h>
#  include <unistd.h>
#endif

using namespace zorvane::app;
using namespace zorvane::test;
using zorvane::ui::MessageAnswer;
using zorvane::ui::MessageButtons;
using zorvane::ui::MessageIcon;

namespace {
const QString UpdateQuestion =
    QStringLiteral("There maybe an update to this software available\rDo you want to check for an update?");
const QString MissingConverter = QStringLiteral("Required File Is Missing\rPlease Reinstall Software");
const QString AlreadyRunning = QStringLiteral("Application is already running");

// A window that records its closing and, as the main window does, tries to
// end the program from its close handler. A stubborn one refuses to close.
class RecordingWindow : public QWidget {
public:
    RecordingWindow(const QString& name, QStringList& closed, bool stubborn = false)
        : closed_(closed)
        , stubborn_(stubborn)
    {
        setObjectName(name);
        setAttribute(Qt::WA_DeleteOnClose);
        zorvane::ui::addOpenWindow(this);
    }
    QPointer<QWidget> destroyOnClose;

protected:
    void closeEvent(QCloseEvent* event) override
    {
        closed_ << objectName();
        delete destroyOnClose.data();
        CloseAllAndEnd();
        event->setAccepted(!stubborn_);
    }

private:
    QStringList& closed_;
    bool stubborn_;
};

// Ended, or ends within 30 s. waitForFinished() alone says false for a
// process whose end an earlier wait already saw (a quick death under Windows).
bool ended(QProcess& process)
{
    return process.state() == QProcess::NotRunning || process.waitForFinished();
}

// Another copy of the program as far as the lock sees it (lock_holder), of
// this user or of another with its own environment, started at once. It
// holds the lock it took until it is destroyed; the lock path "-" is a real
// start's.
class OtherCopy {
public:
    OtherCopy(const QString& lockPath, const char* mode, const OtherUser* user = nullptr,
              const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
    {
        const QStringList arguments{lockPath, QString::fromLatin1(mode)};
        if (user) {
#if defined(Q_OS_UNIX)
            user->prepare(process, QStringLiteral(LOCK_HOLDER), arguments);
#endif
        } else {
            process.setProgram(QStringLiteral(LOCK_HOLDER));
            process.setArguments(arguments);
        }
        process.setProcessEnvironment(environment);
        process.start();
    }
    ~OtherCopy()
    {
        process.closeWriteChannel();
        if (!ended(process))
            process.kill();
    }
    OtherCopy(const OtherCopy&) = delete;
    OtherCopy& operator=(const OtherCopy&) = delete;

    // "locked", "refused" (another copy holds the lock), "unavailable"; or,
    // asked "where", the lock path. Waited for when first asked.
    QByteArray answer()
    {
        if (!answered_ && process.waitForStarted() && process.waitForReadyRead()) {
            answer_ = process.readLine().trimmed();
            answered_ = true;
        }
        return answer_;
    }

    QProcess process;

private:
    QByteArray answer_;
    bool answered_ = false;
};

#if defined(Q_OS_UNIX)
// Where a real start of the user, in the environment, puts its lock.
QString lockPathOf(const OtherUser& user, const QProcessEnvironment& environment)
{
    return QString::fromLocal8Bit(OtherCopy(QStringLiteral("-"), "where", &user, environment).answer());
}
#endif

// Warnings and worse of the program's logging category while it lives; the
// rest goes where it went before.
class ProgramLog {
public:
    ProgramLog()
    {
        current_ = this;
        previous_ = qInstallMessageHandler(&ProgramLog::handle);
    }
    ~ProgramLog()
    {
        qInstallMessageHandler(previous_);
        current_ = nullptr;
    }
    ProgramLog(const ProgramLog&) = delete;
    ProgramLog& operator=(const ProgramLog&) = delete;

    QStringList warnings;

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& text)
    {
        if (current_ && type != QtDebugMsg && type != QtInfoMsg && qstrcmp(context.category, "zorvane") == 0)
            current_->warnings << text;
        else
            current_->previous_(type, context, text);
    }
    static inline ProgramLog* current_ = nullptr;
    QtMessageHandler previous_ = nullptr;
};

// What may stand at the lock's name when no copy runs; named by
// leftoverName() in this order.
enum class Leftover {
    None,
    CrashedCopysLock,
    EmptyFile,
    RandomBytes,
    Folder,
    FolderWithFiles,
    DanglingLink,
    LinkToFile,
    Pipe,
    OtherUsersFile
};

// Links, named pipes and other users' files at a file's name are Unix's
// (QFile::link makes a shortcut file on Windows).
bool leftoverExistsHere(Leftover leftover)
{
#if defined(Q_OS_UNIX)
    Q_UNUSED(leftover);
    return true;
#else
    return leftover != Leftover::DanglingLink && leftover != Leftover::LinkToFile && leftover != Leftover::Pipe
           && leftover != Leftover::OtherUsersFile;
#endif
}

const char* leftoverName(Leftover leftover)
{
    constexpr std::array names{"nothing",         "the lock of a copy that crashed",
                               "an empty file",   "random bytes",
                               "a folder",        "a folder with files",
                               "a dangling link", "a link to a file",
                               "a named pipe",    "another user's file, unreadable"};
    return names.at(static_cast<std::size_t>(leftover));
}

// Puts the leftover at the lock's name; a link to a file leads to `linked`.
// A crashed copy is `user`'s; another user's file is `intruder`'s.
bool leaveAtLockName(const QString& path, Leftover leftover, const QString& linked, const OtherUser* user,
                     const OtherUser* intruder)
{
    switch (leftover) {
    case Leftover::None:
        return !QFile::exists(path);
    case Leftover::CrashedCopysLock: {
        OtherCopy crashed(path, "crash", user);
        return crashed.answer() == "locked" && ended(crashed.process)
               && crashed.process.exitStatus() == QProcess::CrashExit && QFile::exists(path);
    }
    case Leftover::EmptyFile:
        return writeFile(path, {});
    case Leftover::RandomBytes: {
        QByteArray bytes(300, Qt::Uninitialized);
        QRandomGenerator generator(17);
        for (char& byte : bytes)
            byte = static_cast<char>(generator.bounded(256));
        return writeFile(path, bytes);
    }
    case Leftover::Folder:
        return QDir().mkdir(path);
    case Leftover::FolderWithFiles:
        return QDir().mkpath(path + QStringLiteral("/inner")) && writeFile(path + QStringLiteral("/inner/a"), "a")
               && writeFile(path + QStringLiteral("/b"), "b");
    case Leftover::DanglingLink:
        return QFile::link(path + QStringLiteral(".gone"), path);
    case Leftover::LinkToFile:
        return QFile::link(linked, path);
#if defined(Q_OS_UNIX)
    case Leftover::Pipe:
        return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
    case Leftover::OtherUsersFile:
        return writeFile(path, "12345\n") && intruder->take(path)
               && QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
#else
    case Leftover::Pipe:
    case Leftover::OtherUsersFile:
        Q_UNUSED(intruder);
        break;
#endif
    }
    return false;
}

// What stands at the name of the settings file, or on the way to it.
enum class Planted { Nothing, File, ReadOnlyFile, OwnLink, OtherUsersLink, Pipe, HugeFile };

// What stands at path, a link not followed: its kind, size, device and target.
QString entryAt(const QString& path)
{
#if defined(Q_OS_UNIX)
    struct stat info {};
    ::lstat(QFile::encodeName(path).constData(), &info);
    return QStringLiteral("%1 %2 %3 %4")
        .arg(info.st_mode)
        .arg(info.st_size)
        .arg(info.st_rdev)
        .arg(QFileInfo(path).symLinkTarget());
#else
    const QFileInfo entry(path);
    return QStringLiteral("%1 %2 %3").arg(entry.isDir()).arg(entry.size()).arg(entry.lastModified().toString());
#endif
}
}  // namespace

// What keeps a start from the lock.
enum class Obstacle { RunningCopy, RunningCopyEmptiedLock, RunningCopyGarbledLock, FileAtLockFolder };
// The runtime folder ($XDG_RUNTIME_DIR) when it cannot hold the lock.
enum class RuntimeFolder { Unset, Missing, OtherUsers, OpenToOthers, ReadOnly };
// What another user has put, before the user's first start, at the name of
// the folder that stands in for the user's runtime folder.
enum class Intrusion { None, Folder, Link, File };

Q_DECLARE_METATYPE(Leftover)
Q_DECLARE_METATYPE(Planted)
Q_DECLARE_METATYPE(Obstacle)
Q_DECLARE_METATYPE(RuntimeFolder)
Q_DECLARE_METATYPE(Intrusion)

class tst_StartUp : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void drawnOffer_data();
    void drawnOffer();
    void normalStart_data();
    void normalStart();

    void reminder_data();
    void reminder();
    void reminderStoredForm();
    void settingsFile_data();
    void settingsFile();

    void startWithoutLockEnds_data();
    void startWithoutLockEnds();
    void oneOfTwoCopiesRuns_data();
    void oneOfTwoCopiesRuns();
    void lockFolderPerUser_data();
    void lockFolderPerUser();

    void fileSizeLimit();

    void missingConverter_data();
    void missingConverter();

    void closeAllInCreationOrder();
    void endLeavesEventLoopsWithCodeZero();

private:
    StartUpOptions options(const QString& programFolder, double fraction = 0.99) const;

    FakeDialogs* fake_ = nullptr;
    std::unique_ptr<UrlCatcher> urls_;
    std::unique_ptr<EndCounter> ends_;
    std::unique_ptr<QTemporaryDir> scratch_;
    std::unique_ptr<ProgramFolder> folder_;
    QDate today_{2026, 3, 1};
};

void tst_StartUp::initTestCase()
{
    urls_ = std::make_unique<UrlCatcher>();
    folder_ = std::make_unique<ProgramFolder>();
}

void tst_StartUp::init()
{
    fake_ = &FakeDialogs::install();
    ends_ = std::make_unique<EndCounter>();
    scratch_ = std::make_unique<QTemporaryDir>();
    urls_->opened.clear();
}

void tst_StartUp::cleanup()
{
    ends_.reset();
    scratch_.reset();
    FakeDialogs::restore();
    QTRY_COMPARE(zorvane::ui::openWindows().size(), 0);
}

StartUpOptions tst_StartUp::options(const QString& programFolder, double fraction) const
{
    return startUpOptions(programFolder, scratch_->path(), today_, fraction);
}

// --- A normal start and its offer label ---------------------------------------

void tst_StartUp::drawnOffer_data()
{
    QTest::addColumn<double>("fraction");
    QTest::addColumn<int>("draw");

    // Rule: draw = fraction × 6 + 1 rounded half to even; the rows off a
    // boundary lie further off than the rounding of × 6 + 1 can hide.
    const double off = 1e-9;
    QTest::newRow("0 draws 1") << 0.0 << 1;
    QTest::newRow("nearly 1 draws 7") << std::nextafter(1.0, 0.0) << 7;
    for (int whole = 1; whole <= 6; ++whole) {
        const double boundary = (whole - 0.5) / 6;  // fraction × 6 + 1 is exactly whole + 0.5
        const int even = whole + whole % 2;
        QTest::addRow("%d.5 draws %d", whole, even) << boundary << even;
        QTest::addRow("below %d.5 draws %d", whole, whole) << boundary - off << whole;
        QTest::addRow("above %d.5 draws %d", whole, whole + 1) << boundary + off << whole + 1;
    }
}

// Odd draws 1 to 5 bring the co-branding offer to the front; even draws and
// 7 the full-branding offer.
void tst_StartUp::drawnOffer()
{
    QFETCH(double, fraction);
    QFETCH(int, draw);

    QCOMPARE(offerDraw(fraction), draw);
    QCOMPARE(offerForDraw(draw), draw % 2 == 1 && draw < 7 ? frmMain::Offer::CoBrand : frmMain::Offer::FullBrand);
}

void tst_StartUp::normalStart_data()
{
    QTest::addColumn<double>("fraction");
    QTest::addColumn<QString>("inFront");
    QTest::addColumn<bool>("settingsUsed");

    // One draw of each kind: an offer brought to the front of either label,
    // and the design's kept.
    // clang-format off
    QTest::newRow("draw 1, first start") << 0.0 << "lblCobrand" << true;
    QTest::newRow("draw 2, first start") << 1.0 / 6 << "lblFullBrand" << true;
    QTest::newRow("draw 7, settings not to be used") << std::nextafter(1.0, 0.0) << "lblFullBrand" << false;
    // clang-format on
}

// A start with nothing in its way shows the main window alone, asks nothing,
// holds the lock while it runs, brings its draw's offer to the front, and has
// stored today in the settings by the time it returns.
void tst_StartUp::normalStart()
{
    QFETCH(double, fraction);
    QFETCH(QString, inFront);
    QFETCH(bool, settingsUsed);

    StartUpOptions o = options(folder_->path(), fraction);
    if (!settingsUsed)
        o.openSettings = [] { return std::unique_ptr<QSettings>(); };
    StartUp startUp(o);
    QVERIFY(startUp.run());
    frmMain* window = startUp.mainWindow();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QCOMPARE(fake_->messages.size(), 0);
    QCOMPARE(ends_->ends, 0);
    QCOMPARE(zorvane::ui::openWindows(), QList<QWidget*>{window});
    SingleInstance second(o.lockPath);
    QCOMPARE(second.acquire(), SingleInstance::Outcome::RunningElsewhere);
    if (settingsUsed) {
        QSettings settings(scratch_->filePath(QStringLiteral("settings.conf")), QSettings::IniFormat);
        QCOMPARE(readReminderDate(settings).date, today_);
    }

    // The label a click in the strip reaches is the one in front.
    QWidget* strip = window->findChild<QWidget*>(QStringLiteral("Frame5"));
    const QWidget* hit = strip->childAt(strip->rect().center());
    QVERIFY(hit);
    QCOMPARE(hit->objectName(), inFront);
}

// --- The update reminder -------------------------------------------------------

void tst_StartUp::reminder_data()
{
    QTest::addColumn<QString>("stored");  // "none", a day offset, or a raw value
    QTest::addColumn<MessageAnswer>("answer");
    QTest::addColumn<bool>("asks");
    QTest::addColumn<QString>("storedAfter");  // "today", "unchanged" or "none"
    QTest::addColumn<bool>("opensDownload");

    // clang-format off
    QTest::newRow("first start") << "none" << MessageAnswer::No << false << "today" << false;
    // Rule: within 14 days either way nothing happens; 15 or more asks and
    // stores today, Yes opening the download page.
    for (const int days : {-14, -1, 0, 1, 14})
        QTest::addRow("%+d days, quiet", days) << QString::number(days) << MessageAnswer::Yes << false << "unchanged"
                                               << false;
    for (const int days : {-15, 15, -400, 3650}) {
        QTest::addRow("%+d days, No", days) << QString::number(days) << MessageAnswer::No << true << "today" << false;
        QTest::addRow("%+d days, Yes", days) << QString::number(days) << MessageAnswer::Yes << true << "today" << true;
    }
    QTest::newRow("unreadable: not scrambled") << "raw:2026-01-01" << MessageAnswer::Yes << false << "unchanged"
                                               << false;
    QTest::newRow("unreadable: odd length") << "raw:ABC" << MessageAnswer::Yes << false << "unchanged" << false;
    QTest::newRow("unreadable: not hexadecimal") << "raw:ZZ" << MessageAnswer::Yes << false << "unchanged" << false;
    QTest::newRow("unreadable: regional form") << "scrambled:01/01/2025" << MessageAnswer::Yes << false
                                               << "unchanged" << false;
    QTest::newRow("unreadable: impossible date") << "scrambled:2025-02-30" << MessageAnswer::Yes << false
                                                 << "unchanged" << false;
    // clang-format on
}

void tst_StartUp::reminder()
{
    QFETCH(QString, stored);
    QFETCH(MessageAnswer, answer);
    QFETCH(bool, asks);
    QFETCH(QString, storedAfter);
    QFETCH(bool, opensDownload);

    QSettings settings(scratch_->filePath(QStringLiteral("reminder.conf")), QSettings::IniFormat);
    if (stored.startsWith(QLatin1String("raw:")))
        settings.setValue(reminderSettingsKey(), stored.mid(4));
    else if (stored.startsWith(QLatin1String("scrambled:")))
        settings.setValue(reminderSettingsKey(), scramble(stored.mid(10)));
    else if (stored != QLatin1String("none"))
        storeReminderDate(settings, today_.addDays(stored.toInt()));
    const QVariant before = settings.value(reminderSettingsKey());
    fake_->answers.push_back(answer);

    UpdateReminder(settings, today_);

    if (asks) {
        const zorvane::ui::Message question{QStringLiteral("Zorvane"), UpdateQuestion, MessageIcon::Information,
                                            MessageButtons::YesNo};
        QCOMPARE(fake_->messages, QList{question});
    } else {
        QCOMPARE(fake_->messages.size(), 0);
    }
    if (storedAfter == QLatin1String("today")) {
        const StoredReminder now = readReminderDate(settings);
        QCOMPARE(now.state, StoredReminder::State::Date);
        QCOMPARE(now.date, today_);
    } else {
        QCOMPARE(settings.value(reminderSettingsKey()), before);
    }
    QCOMPARE(urls_->opened, opensDownload ? QStringList{modHelp::PageAddresses().downloadPage} : QStringList{});
}

// Pinned to the letter: what one version stores, the next must read. The
// date is in ISO 8601 form under the scramble, whatever the regional format,
// and neither the key ("Duration") nor the date shows in plain text.
void tst_StartUp::reminderStoredForm()
{
    const QString path = scratch_->filePath(QStringLiteral("form.conf"));
    {
        QSettings settings(path, QSettings::IniFormat);
        storeReminderDate(settings, QDate(2031, 12, 24));
    }
    // Lines end in "\r\n" on Windows.
    QCOMPARE(contentOf(path).replace("\r\n", "\n"), QByteArray("[Settings]\n1E0AD6A89A7A5733=684F97F8C3220A70B093\n"));
}

void tst_StartUp::settingsFile_data()
{
    QTest::addColumn<Planted>("planted");
    QTest::addColumn<QString>("stored");  // in the user's own settings: "none" or a day offset
    QTest::addColumn<bool>("asks");
    QTest::addColumn<QString>("logged");  // words of the one warning logged; empty: none
    QTest::addColumn<bool>("storesToday");

    // Rule: the settings file is used when it is a regular file of at most
    // 1 MB reached by no link that another user may place; the date the
    // reminder stores is written there, through the user's own link, and
    // into a new file and its folders on a first start. A file not used, and
    // a date that cannot be stored, are logged with the reason, and nothing
    // there changes; a store with nothing to write logs nothing. The links on
    // the way to the file are the file layer's, tested with the converter.
    // clang-format off
    QTest::newRow("no file yet") << Planted::Nothing << "none" << false << QString() << true;
    QTest::newRow("question due") << Planted::File << "-30" << true << QString() << true;
    QTest::newRow("read-only, question due") << Planted::ReadOnlyFile << "-30" << true << "marked read-only" << false;
    QTest::newRow("read-only, within the quiet days") << Planted::ReadOnlyFile << "-3" << false << QString() << false;
    QTest::newRow("200 MB") << Planted::HugeFile << "-30" << false << "more than the 1048576" << false;
    // clang-format on
    // Links and named pipes at a file's name are Unix's.
#if defined(Q_OS_UNIX)
    // clang-format off
    QTest::newRow("own link to own file") << Planted::OwnLink << "-30" << true << QString() << true;
    QTest::newRow("other user's link at the name") << Planted::OtherUsersLink << "-30" << false << "belongs to another user" << false;
    QTest::newRow("a named pipe") << Planted::Pipe << "-30" << false << "no regular file" << false;
    // clang-format on
#endif
}

void tst_StartUp::settingsFile()
{
    QFETCH(Planted, planted);
    QFETCH(QString, stored);
    QFETCH(bool, asks);
    QFETCH(QString, logged);
    QFETCH(bool, storesToday);
#if defined(Q_OS_UNIX)
    if (const QString reason = OtherUser::unavailable(); planted == Planted::OtherUsersLink && !reason.isEmpty())
        QSKIP(qPrintable(reason));
    const OtherUser other;
#endif

    // Below home/: the settings file in config/; the user's own settings at
    // its name, or in victim/, where a link leads and which nothing else uses.
    QVERIFY(QFile::setPermissions(scratch_->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                        | QFile::ReadOther | QFile::ExeOther));
    const QDir home(scratch_->filePath(QStringLiteral("home")));
    const QString victim = home.filePath(QStringLiteral("victim/Zorvane/Zorvane.conf"));
    const QString path = home.filePath(QStringLiteral("config/Zorvane/Zorvane.conf"));
    const bool atName = planted == Planted::Nothing || planted == Planted::File || planted == Planted::ReadOnlyFile;
    const QString own = atName ? path : victim;
    QVERIFY(QDir().mkpath(QFileInfo(victim).path()));
    if (planted != Planted::Nothing) {
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QSettings settings(own, QSettings::IniFormat);
        if (stored != QLatin1String("none"))
            storeReminderDate(settings, today_.addDays(stored.toInt()));
        settings.setValue(QStringLiteral("Other/kept"), 1);  // so that the file exists
    }
    const QByteArray name = QFile::encodeName(path);
    QFile huge(path);
    switch (planted) {
    case Planted::Nothing:
    case Planted::File:
        break;
    case Planted::ReadOnlyFile:
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadOther));
        break;
#if defined(Q_OS_UNIX)
    case Planted::OwnLink:
        QVERIFY(QFile::link(victim, path));
        break;
    case Planted::OtherUsersLink:
        QCOMPARE(::chmod(QFile::encodeName(QFileInfo(path).path()).constData(), 01777), 0);
        QVERIFY(other.makeLink(victim, path));
        break;
    case Planted::Pipe:
        QCOMPARE(::mkfifo(name.constData(), 0600), 0);
        break;
#else
    case Planted::OwnLink:
    case Planted::OtherUsersLink:
    case Planted::Pipe:
        QFAIL("not a row on this system");
#endif
    case Planted::HugeFile:
        QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(qint64(200) << 20));
        break;
    }
    const QString before = entryAt(path);
    const QByteArray ownBefore = contentOf(own);
    const QStringList filesBefore = filesUnder(home.path());

    // A reading that waits at the named pipe is freed by a writer after 5 s.
    std::atomic<bool> waited = false;
#if defined(Q_OS_UNIX)
    std::jthread rescue([&](std::stop_token stop) {
        std::mutex mutex;
        std::condition_variable_any woken;
        std::unique_lock lock(mutex);
        while (!woken.wait_for(lock, stop, std::chrono::seconds(5), [] { return false; }) && !stop.stop_requested()) {
            waited = true;
            ::close(::open(name.constData(), O_WRONLY | O_NONBLOCK));
        }
    });
#else
    Q_UNUSED(name);
#endif
    // Opened, reminded and written back as a start does.
    fake_->answers.push_back(MessageAnswer::No);
    ProgramLog log;
    if (const std::unique_ptr<QSettings> settings = openSettingsFile(path)) {
        UpdateReminder(*settings, today_);
        writeSettings(*settings);
    }
#if defined(Q_OS_UNIX)
    rescue.request_stop();
    rescue.join();
#endif
    QVERIFY2(!waited, "the settings were read from a named pipe");

    const zorvane::ui::Message question{QStringLiteral("Zorvane"), UpdateQuestion, MessageIcon::Information,
                                        MessageButtons::YesNo};
    QCOMPARE(fake_->messages, asks ? QList{question} : QList<zorvane::ui::Message>{});
    if (logged.isEmpty()) {
        QCOMPARE(log.warnings, QStringList{});
    } else {
        QCOMPARE(log.warnings.size(), 1);
        QVERIFY2(log.warnings.constFirst().contains(QDir::toNativeSeparators(path))
                     && log.warnings.constFirst().contains(logged),
                 qPrintable(log.warnings.constFirst()));
    }
    if (storesToday) {
        QSettings settings(own, QSettings::IniFormat);
        QCOMPARE(readReminderDate(settings).date, today_);
    } else {
        QCOMPARE(entryAt(path), before);
        QCOMPARE(contentOf(own), ownBefore);
        QCOMPARE(filesUnder(home.path()), filesBefore);
    }
}

// --- One copy per user ---------------------------------------------------------

void tst_StartUp::startWithoutLockEnds_data()
{
    QTest::addColumn<Obstacle>("obstacle");

    // Rule: a start that cannot hold the lock says why and ends; it runs no
    // further step. A lock a running copy holds refuses it whatever its file
    // says, and stays as it is until that copy has ended; a lock that cannot
    // be made is logged.
    QTest::newRow("a running copy's lock") << Obstacle::RunningCopy;
    // Windows lets nobody write a lock file that its copy holds.
#if defined(Q_OS_UNIX)
    QTest::newRow("a running copy's lock, emptied") << Obstacle::RunningCopyEmptiedLock;
    QTest::newRow("a running copy's lock, garbled") << Obstacle::RunningCopyGarbledLock;
#endif
    QTest::newRow("a file where the folder should be") << Obstacle::FileAtLockFolder;
}

void tst_StartUp::startWithoutLockEnds()
{
    QFETCH(Obstacle, obstacle);
    StartUpOptions o = options(folder_->path());
    std::optional<OtherCopy> first;
    switch (obstacle) {
    case Obstacle::FileAtLockFolder:
        QVERIFY(writeFile(scratch_->filePath(QStringLiteral("file")), "a file"));
        o.lockPath = QDir(scratch_->filePath(QStringLiteral("file"))).filePath(QStringLiteral("zorvane.lock"));
        break;
    case Obstacle::RunningCopy:
    case Obstacle::RunningCopyEmptiedLock:
    case Obstacle::RunningCopyGarbledLock:
        first.emplace(o.lockPath, "hold");
        QCOMPARE(first->answer(), QByteArray("locked"));
        if (obstacle != Obstacle::RunningCopy)
            QVERIFY(writeFile(o.lockPath, obstacle == Obstacle::RunningCopyEmptiedLock ? QByteArray()
                                                                                       : "\x01\xfe not a process\n"));
        break;
    }
    const QByteArray lockBefore = first ? contentOf(o.lockPath) : QByteArray();

    ProgramLog log;
    StartUp startUp(o);
    QVERIFY(!startUp.run());
    QCOMPARE(ends_->ends, 1);
    QVERIFY(!startUp.mainWindow());
    QVERIFY(zorvane::ui::openWindows().isEmpty());
    QVERIFY(!QFile::exists(scratch_->filePath(QStringLiteral("settings.conf"))));
    if (first) {
        const zorvane::ui::Message refusal{QStringLiteral("Zorvane"), AlreadyRunning, MessageIcon::Information,
                                           MessageButtons::Ok};
        QCOMPARE(fake_->messages, QList{refusal});
        QCOMPARE(first->process.state(), QProcess::Running);
        QCOMPARE(contentOf(o.lockPath), lockBefore);
        first.reset();
        SingleInstance afterwards(o.lockPath);
        QCOMPARE(afterwards.acquire(), SingleInstance::Outcome::Held);
        return;
    }
    QCOMPARE(fake_->messages.size(), 1);
    const zorvane::ui::Message& message = fake_->messages.constFirst();
    QCOMPARE(message.icon, MessageIcon::Critical);
    QCOMPARE(message.caption, QStringLiteral("Zorvane"));
    QVERIFY2(message.text.endsWith(QStringLiteral("\rZorvane cannot make sure that it runs only once, and ends."))
                 && message.text.contains(QDir::toNativeSeparators(o.lockPath)),
             qPrintable(message.text));
    QCOMPARE(log.warnings.size(), 1);
}

void tst_StartUp::oneOfTwoCopiesRuns_data()
{
    QTest::addColumn<Leftover>("leftover");

    // Rule: of two copies started together exactly one runs, and holds the
    // lock, whatever stands at the lock's name while no running copy holds
    // it; what a link leads to is never touched. Ten starts of each, as the
    // two race.
    for (int leftover = int(Leftover::None); leftover <= int(Leftover::OtherUsersFile); ++leftover) {
        for (int start = 1; start <= 10 && leftoverExistsHere(Leftover(leftover)); ++start)
            QTest::addRow("%s, start %d", leftoverName(Leftover(leftover)), start) << Leftover(leftover);
    }
}

void tst_StartUp::oneOfTwoCopiesRuns()
{
    QFETCH(Leftover, leftover);
    // Root may read any file: another user's file is met by a user of the
    // test's own, in a folder of theirs.
#if defined(Q_OS_UNIX)
    std::optional<OtherUser> user;
    std::optional<OtherUser> intruder;
    if (leftover == Leftover::OtherUsersFile) {
        if (const QString reason = OtherUser::unavailable(); !reason.isEmpty())
            QSKIP(qPrintable(reason));
        user.emplace(1);
        intruder.emplace(0);
    }
    const OtherUser* const asUser = user ? &*user : nullptr;
    const OtherUser* const intruding = intruder ? &*intruder : nullptr;
#else
    // No other user to act as.
    const OtherUser* const asUser = nullptr;
    const OtherUser* const intruding = nullptr;
#endif
    const QString folder = scratch_->filePath(QStringLiteral("runtime"));
    QVERIFY(QDir().mkdir(folder));
#if defined(Q_OS_UNIX)
    if (asUser) {
        QVERIFY(QFile::setPermissions(scratch_->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                            | QFile::ExeGroup | QFile::ExeOther));
        QVERIFY(asUser->take(folder));
    }
#endif
    const QString path = QDir(folder).filePath(QStringLiteral("zorvane.lock"));
    const QString linked = scratch_->filePath(QStringLiteral("notes.txt"));
    const QByteArray notes = QByteArrayLiteral("a file of the user's that a link at the lock's name leads to");
    QVERIFY(writeFile(linked, notes));
    QVERIFY(leaveAtLockName(path, leftover, linked, asUser, intruding));

    {
        OtherCopy one(path, "hold", asUser);
        OtherCopy other(path, "hold", asUser);
        QStringList answers{QString::fromLatin1(one.answer()), QString::fromLatin1(other.answer())};
        answers.sort();
        QCOMPARE(answers, (QStringList{QStringLiteral("locked"), QStringLiteral("refused")}));
        QVERIFY(QFileInfo(path).isFile());
        QVERIFY(!QFileInfo(path).isSymLink());
        for (OtherCopy* copy : {&one, &other}) {
            copy->process.closeWriteChannel();
            QVERIFY(ended(copy->process));
            QCOMPARE(copy->process.exitStatus(), QProcess::NormalExit);
        }
    }
    QFile file(linked);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), notes);
    // The lock goes with its copy.
    QVERIFY(!QFileInfo::exists(path) && !QFileInfo(path).isSymLink());
}

void tst_StartUp::lockFolderPerUser_data()
{
    QTest::addColumn<RuntimeFolder>("runtime");
    QTest::addColumn<Intrusion>("intrusion");
    QTest::addColumn<bool>("homeReadOnly");
#if !defined(Q_OS_UNIX)
    QSKIP("The runtime folder, its stand-ins in shared folders and other users are Unix's");
#endif

    // Rule: without a usable runtime folder the lock lies in a folder of the
    // user's alone, so that another user holding the shared name, or taking
    // a stand-in folder's name, can neither keep them from starting nor let
    // two of their copies run; with no such folder at all, none runs.
    // clang-format off
    QTest::newRow("runtime folder unset") << RuntimeFolder::Unset << Intrusion::None << false;
    QTest::newRow("runtime folder missing") << RuntimeFolder::Missing << Intrusion::None << false;
    QTest::newRow("runtime folder of another user") << RuntimeFolder::OtherUsers << Intrusion::None << false;
    QTest::newRow("runtime folder open to others") << RuntimeFolder::OpenToOthers << Intrusion::None << false;
    QTest::newRow("runtime folder the user may not write to") << RuntimeFolder::ReadOnly << Intrusion::None << false;
    QTest::newRow("another user's folder at the stand-in's name") << RuntimeFolder::Unset << Intrusion::Folder << false;
    QTest::newRow("another user's link at the stand-in's name") << RuntimeFolder::Unset << Intrusion::Link << false;
    QTest::newRow("another user's file at the stand-in's name") << RuntimeFolder::Missing << Intrusion::File << false;
    QTest::newRow("runtime folder and stand-in of another user") << RuntimeFolder::OtherUsers << Intrusion::Folder << false;
    QTest::newRow("no private place: stand-in taken, home read-only") << RuntimeFolder::Unset << Intrusion::Folder << true;
    // clang-format on
}

void tst_StartUp::lockFolderPerUser()
{
#if defined(Q_OS_UNIX)
    QFETCH(RuntimeFolder, runtime);
    QFETCH(Intrusion, intrusion);
    QFETCH(bool, homeReadOnly);
    if (const QString reason = OtherUser::unavailable(); !reason.isEmpty())
        QSKIP(qPrintable(reason));
    const OtherUser intruder(0);
    const OtherUser user(1);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QDir dir(root.path());
    const auto makeFolder = [&dir](const QString& name, mode_t mode, const OtherUser* owner) {
        const QString path = dir.filePath(name);
        return dir.mkdir(name) && (!owner || owner->take(path))
               && ::chmod(QFile::encodeName(path).constData(), mode) == 0;
    };
    QCOMPARE(::chmod(QFile::encodeName(root.path()).constData(), 0755), 0);
    // The temporary folder everyone shares, and the user's home.
    QVERIFY(makeFolder(QStringLiteral("tmp"), 01777, nullptr));
    QVERIFY(makeFolder(QStringLiteral("home"), homeReadOnly ? 0500 : 0700, &user));
    QVERIFY(homeReadOnly || makeFolder(QStringLiteral("home/private"), 0700, &user));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TMPDIR"), dir.filePath(QStringLiteral("tmp")));
    environment.insert(QStringLiteral("HOME"), dir.filePath(QStringLiteral("home")));
    environment.remove(QStringLiteral("XDG_CACHE_HOME"));
    environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    if (runtime != RuntimeFolder::Unset) {
        // A missing one cannot be made either: its parent is not the user's.
        const bool missing = runtime == RuntimeFolder::Missing;
        const mode_t mode = runtime == RuntimeFolder::OpenToOthers ? 0755
                            : runtime == RuntimeFolder::ReadOnly   ? 0500
                                                                   : 0700;
        const OtherUser* owner = runtime == RuntimeFolder::OtherUsers ? &intruder : &user;
        QVERIFY(missing ? makeFolder(QStringLiteral("sealed"), 0755, nullptr)
                        : makeFolder(QStringLiteral("runtime"), mode, owner));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"),
                           dir.filePath(missing ? QStringLiteral("sealed/runtime") : QStringLiteral("runtime")));
    }

    if (intrusion != Intrusion::None) {
        // The stand-in's name, as the user's first start would make it.
        const QString standIn = QFileInfo(lockPathOf(user, environment)).path();
        QVERIFY2(QFileInfo(standIn).isDir(), qPrintable(standIn));
        QVERIFY(QDir(standIn).removeRecursively());
        if (intrusion == Intrusion::Folder)
            QVERIFY(intruder.run(QStringLiteral("mkdir"), {QStringLiteral("-m"), QStringLiteral("777"), standIn}));
        else if (intrusion == Intrusion::Link)
            QVERIFY(intruder.makeLink(dir.filePath(QStringLiteral("home/private")), standIn));
        else
            QVERIFY(intruder.run(QStringLiteral("touch"), {standIn}));
    }
    // The one name all users once shared, held by the other user.
    OtherCopy intruderCopy(dir.filePath(QStringLiteral("tmp/zorvane.lock")), "hold", &intruder, environment);
    QCOMPARE(intruderCopy.answer(), QByteArray("locked"));

    OtherCopy first(QStringLiteral("-"), "hold", &user, environment);
    QCOMPARE(intruderCopy.process.state(), QProcess::Running);
    if (homeReadOnly) {
        QCOMPARE(first.answer(), QByteArray("unavailable"));
        QVERIFY(lockPathOf(user, environment).isEmpty());
        return;
    }
    QCOMPARE(first.answer(), QByteArray("locked"));
    // Still one copy per user.
    OtherCopy second(QStringLiteral("-"), "hold", &user, environment);
    QCOMPARE(second.answer(), QByteArray("refused"));

    const QString lockPath = lockPathOf(user, environment);
    QVERIFY(QFileInfo(lockPath).isFile());
    struct stat folder {};
    QCOMPARE(::lstat(QFile::encodeName(QFileInfo(lockPath).path()).constData(), &folder), 0);
    QVERIFY2(S_ISDIR(folder.st_mode), qPrintable(lockPath));
    QCOMPARE(folder.st_uid, user.uid());
    QCOMPARE(folder.st_mode & 077, 0u);
#endif
}

// --- The missing converter -----------------------------------------------------

void tst_StartUp::missingConverter_data()
{
    QTest::addColumn<int>("reminderDaysAway");  // 0: none stored
    QTest::addColumn<QStringList>("messages");

    // clang-format off
    QTest::newRow("first start") << 0 << QStringList{MissingConverter};
    QTest::newRow("update question due first") << -30 << QStringList{UpdateQuestion, MissingConverter};
    // clang-format on
}

void tst_StartUp::missingConverter()
{
    QFETCH(int, reminderDaysAway);
    QFETCH(QStringList, messages);

    const ProgramFolder empty(false);
    const StartUpOptions o = options(empty.path());
    if (reminderDaysAway != 0) {
        QSettings settings(scratch_->filePath(QStringLiteral("settings.conf")), QSettings::IniFormat);
        storeReminderDate(settings, today_.addDays(reminderDaysAway));
    }

    // Any window shown at any time is recorded.
    struct ShowWatcher : QObject {
        QStringList shown;
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if (event->type() == QEvent::Show && watched->isWidgetType() && static_cast<QWidget*>(watched)->isWindow())
                shown << watched->objectName();
            return false;
        }
    } watcher;
    qApp->installEventFilter(&watcher);
    StartUp startUp(o);
    const bool running = startUp.run();
    qApp->removeEventFilter(&watcher);

    QVERIFY(!running);
    QStringList texts;
    for (const auto& m : fake_->messages)
        texts << m.text;
    QCOMPARE(texts, messages);
    QCOMPARE(fake_->messages.last().icon, MessageIcon::Critical);
    QCOMPARE(fake_->messages.last().buttons, MessageButtons::Ok);
    QCOMPARE(fake_->messages.last().caption, QStringLiteral("Zorvane"));
    QCOMPARE(ends_->ends, 1);
    QCOMPARE(watcher.shown, QStringList{});
    QVERIFY(startUp.mainWindow());
    QVERIFY(!startUp.mainWindow()->isVisible());
}

void tst_StartUp::fileSizeLimit()
{
#if !defined(Q_OS_UNIX)
    QSKIP("The file size limit and its signal are Unix's");
#else
    zorvane::app::keepRunningAtFileSizeLimit();

    // A program started from this one has the signal's default disposition:
    // its ignored set (SigIgn, a hexadecimal mask of bit signal - 1) lacks it.
    QProcess shell;
    shell.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("grep ^SigIgn: /proc/self/status")});
    QVERIFY(shell.waitForFinished());
    const QByteArray ignored = shell.readAllStandardOutput().split(':').value(1).trimmed();
    bool ok = false;
    const qulonglong mask = ignored.toULongLong(&ok, 16);
    QVERIFY2(ok, ignored.constData());
    QCOMPARE(mask & (1ULL << (SIGXFSZ - 1)), 0ULL);
#endif
}

// --- CloseAllAndEnd -------------------------------------------------------------

void tst_StartUp::closeAllInCreationOrder()
{
    QStringList closed;
    auto* first = new RecordingWindow(QStringLiteral("first"), closed);
    auto* hidden = new RecordingWindow(QStringLiteral("hidden"), closed);
    std::unique_ptr<QWidget> stubborn(new RecordingWindow(QStringLiteral("refuses to close"), closed, true));
    stubborn->setAttribute(Qt::WA_DeleteOnClose, false);
    auto* hiddenLater = new RecordingWindow(QStringLiteral("shown then hidden"), closed);
    auto* child = new RecordingWindow(QStringLiteral("destroyed by first"), closed);
    auto* last = new RecordingWindow(QStringLiteral("last"), closed);
    first->destroyOnClose = child;
    first->show();
    stubborn->show();
    hiddenLater->show();
    hiddenLater->hide();
    last->show();
    QPointer<QWidget> firstAlive(first), hiddenAlive(hidden), lastAlive(last);

    CloseAllAndEnd();

    // The window destroyed by another's close handler is skipped, not closed;
    // one that will not close stops neither the others nor the end.
    QCOMPARE(closed, (QStringList{QStringLiteral("first"), QStringLiteral("hidden"), QStringLiteral("refuses to close"),
                                  QStringLiteral("shown then hidden"), QStringLiteral("last")}));
    QCOMPARE(ends_->ends, 1);
    QVERIFY(isEnding());

    // Called again, as a late close handler would: nothing more happens.
    CloseAllAndEnd();
    QCOMPARE(ends_->ends, 1);
    QCOMPARE(closed.size(), 5);
    QTRY_VERIFY(firstAlive.isNull() && hiddenAlive.isNull() && lastAlive.isNull());
}

void tst_StartUp::endLeavesEventLoopsWithCodeZero()
{
    // The real end step, from inside a modal window's own loop.
    ends_.reset();
    resetEnding();
    QStringList closed;
    auto* window = new RecordingWindow(QStringLiteral("main"), closed);
    window->show();
    bool modalReturned = false;
    QTimer::singleShot(0, this, [&] {
        QDialog modal;
        QTimer::singleShot(0, &modal, [] { CloseAllAndEnd(); });
        modal.exec();
        modalReturned = true;
    });

    const int code = QApplication::exec();

    QCOMPARE(code, 0);
    QVERIFY(modalReturned);
    QCOMPARE(closed, QStringList{QStringLiteral("main")});
    resetEnding();
    QTRY_COMPARE(zorvane::ui::openWindows().size(), 0);
}

QTEST_MAIN(tst_StartUp)
#include "tst_startup.moc"
