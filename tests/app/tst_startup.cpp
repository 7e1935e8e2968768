// Start-up and ending: the single-instance lock, the update reminder, the
// offer label drawn at random, the missing converter, and CloseAllAndEnd.

#include "AppTestSupport.h"
#include "FakeDialogs.h"
#include "OpenWindows.h"
#include "StartUp.h"
#include "UpdateReminder.h"
#include "modHelp.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QFile>
#include <QPointer>
#include <QProcess>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <memory>

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

// A process holding the lock, as a first copy does.
class OtherCopy {
public:
    OtherCopy(const QString& lockPath, const char* mode)
    {
        process.start(QStringLiteral(LOCK_HOLDER), {lockPath, QString::fromLatin1(mode)});
        started = process.waitForStarted() && process.waitForReadyRead()
                  && process.readAllStandardOutput().trimmed() == "locked";
    }
    ~OtherCopy()
    {
        process.closeWriteChannel();
        if (!process.waitForFinished())
            process.kill();
    }
    QProcess process;
    bool started = false;
};
}  // namespace

class tst_StartUp : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void roundingHalfToEven_data();
    void roundingHalfToEven();
    void offerLabel_data();
    void offerLabel();

    void reminder_data();
    void reminder();
    void reminderStoredForm();
    void scrambleRoundTrip_data();
    void scrambleRoundTrip();
    void unscrambleRefuses_data();
    void unscrambleRefuses();

    void secondLockRefused();
    void otherCopyRunning();
    void staleLockRecovered();
    void secondCopyStartsNothing();

    void missingConverter_data();
    void missingConverter();
    void normalStart();

    void closeAllInCreationOrder();
    void closeAllGoesPastRefusingWindow();
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

// --- The offer label -----------------------------------------------------------

void tst_StartUp::roundingHalfToEven_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("rounded");

    // Rule: halves go to the even neighbour, everything else to the nearest.
    for (int whole = 0; whole <= 7; ++whole) {
        const double half = whole + 0.5;
        const double even = whole % 2 == 0 ? whole : whole + 1;
        // clang-format off
        QTest::addRow("%.1f to even", half) << half << even;
        QTest::addRow("just below %.1f", half) << std::nextafter(half, 0.0) << double(whole);
        QTest::addRow("just above %.1f", half) << std::nextafter(half, 10.0) << double(whole + 1);
        QTest::addRow("%d stays", whole) << double(whole) << double(whole);
    }
    // clang-format on
}

void tst_StartUp::roundingHalfToEven()
{
    QFETCH(double, value);
    QFETCH(double, rounded);
    QCOMPARE(roundHalfToEven(value), rounded);
}

void tst_StartUp::offerLabel_data()
{
    QTest::addColumn<double>("fraction");
    QTest::addColumn<int>("draw");
    QTest::addColumn<bool>("coBrandInFront");

    // Rule: draw = fraction × 6 + 1 rounded half to even; odd draws 1 to 5
    // show the co-branding offer, even draws and 7 the full-branding offer.
    // Off a boundary by more than the rounding of × 6 + 1 can hide.
    const double off = 1e-9;
    const auto addRow = [](const char* tag, double fraction, int draw) {
        // clang-format off
        QTest::newRow(tag) << fraction << draw << (draw % 2 == 1 && draw < 7);
    };
    addRow("0 draws 1", 0.0, 1);
    for (int whole = 1; whole <= 6; ++whole) {
        const double boundary = (whole + 0.5 - 1) / 6;  // fraction × 6 + 1 is exactly whole + 0.5
        const int even = whole % 2 == 0 ? whole : whole + 1;
        QTest::addRow("%d.5 draws %d", whole, even) << boundary << even << (even % 2 == 1 && even < 7);
        QTest::addRow("below %d.5 draws %d", whole, whole)
            << boundary - off << whole << (whole % 2 == 1);
        QTest::addRow("above %d.5 draws %d", whole, whole + 1)
            << boundary + off << whole + 1 << ((whole + 1) % 2 == 1 && whole + 1 < 7);
    }
    addRow("nearly 1 draws 7", std::nextafter(1.0, 0.0), 7);
    // clang-format on
}

void tst_StartUp::offerLabel()
{
    QFETCH(double, fraction);
    QFETCH(int, draw);
    QFETCH(bool, coBrandInFront);

    QCOMPARE(offerDraw(fraction), draw);

    StartUp startUp(options(folder_->path(), fraction));
    QVERIFY(startUp.run());
    frmMain* window = startUp.mainWindow();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    // The label a click in the strip reaches is the one in front.
    QWidget* strip = window->findChild<QWidget*>(QStringLiteral("Frame5"));
    const QWidget* hit = strip->childAt(strip->rect().center());
    QVERIFY(hit);
    QCOMPARE(hit->objectName(), coBrandInFront ? QStringLiteral("lblCobrand") : QStringLiteral("lblFullBrand"));
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

void tst_StartUp::reminderStoredForm()
{
    const QString path = scratch_->filePath(QStringLiteral("form.conf"));
    {
        QSettings settings(path, QSettings::IniFormat);
        storeReminderDate(settings, QDate(2031, 12, 24));
    }
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray written = file.readAll();
    QVERIFY(written.contains("[Settings]"));
    for (const char* plain : {"Duration", "2031", "12-24", "12/24"})
        QVERIFY2(!written.contains(plain), plain);

    // ISO 8601 under the scramble, whatever the regional format.
    QSettings settings(path, QSettings::IniFormat);
    const std::optional<QString> text = unscramble(settings.value(reminderSettingsKey()).toString());
    QVERIFY(text);
    QCOMPARE(*text, QStringLiteral("2031-12-24"));
    // Pinned to the letter: what one version stores, the next must read.
    QCOMPARE(reminderSettingsKey(), QStringLiteral("Settings/1E0AD6A89A7A5733"));
    QVERIFY2(written.contains("\n1E0AD6A89A7A5733=684F97F8C3220A70B093"), written.constData());
}

void tst_StartUp::scrambleRoundTrip_data()
{
    QTest::addColumn<QString>("text");

    // clang-format off
    QTest::newRow("empty") << "";
    QTest::newRow("key") << "Duration";
    QTest::newRow("ISO date") << "2026-03-01";
    QTest::newRow("repeated characters") << "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa";
    QTest::newRow("beyond ASCII") << QStringLiteral("Zörvàne ✓ \U0001F31E");
    QTest::newRow("longer than the mask cycle") << QString(300, QLatin1Char('x'));
    // clang-format on
}

void tst_StartUp::scrambleRoundTrip()
{
    QFETCH(QString, text);

    const QString scrambled = scramble(text);
    QCOMPARE(unscramble(scrambled), std::optional<QString>(text));
    if (!text.isEmpty())
        QVERIFY(!scrambled.contains(text));
    // Equal characters do not show as equal digit pairs next to each other.
    if (text.startsWith(QLatin1String("aa")))
        QVERIFY(scrambled.mid(0, 2) != scrambled.mid(2, 2));
}

void tst_StartUp::unscrambleRefuses_data()
{
    QTest::addColumn<QString>("scrambled");

    // clang-format off
    QTest::newRow("odd length") << "ABC";
    QTest::newRow("not hexadecimal") << "ZZ";
    QTest::newRow("lower case") << scramble(QStringLiteral("Duration")).toLower();
    QTest::newRow("plain date") << "2026-03-01";
    // 0x5A ^ 0xFF = 0xA5: unmasks to the byte 0xFF, never valid UTF-8.
    QTest::newRow("not UTF-8 underneath") << "A5";
    // clang-format on
}

void tst_StartUp::unscrambleRefuses()
{
    QFETCH(QString, scrambled);
    QCOMPARE(unscramble(scrambled), std::nullopt);
}

// --- One copy per user ---------------------------------------------------------

void tst_StartUp::secondLockRefused()
{
    const QString path = scratch_->filePath(QStringLiteral("zorvane.lock"));
    SingleInstance first(path);
    QVERIFY(first.tryAcquire());
    QFile lockFile(path);
    QVERIFY(lockFile.open(QIODevice::ReadOnly));
    const QByteArray content = lockFile.readAll();
    lockFile.close();

    SingleInstance second(path);
    QVERIFY(!second.tryAcquire());
    QVERIFY(first.isHeld());
    QVERIFY(lockFile.open(QIODevice::ReadOnly));
    QCOMPARE(lockFile.readAll(), content);
}

void tst_StartUp::otherCopyRunning()
{
    const QString path = scratch_->filePath(QStringLiteral("zorvane.lock"));
    {
        OtherCopy other(path, "hold");
        QVERIFY(other.started);
        SingleInstance second(path);
        QVERIFY(!second.tryAcquire());
        QCOMPARE(other.process.state(), QProcess::Running);
    }
    // Once the other copy has ended, the lock is free again.
    SingleInstance afterwards(path);
    QVERIFY(afterwards.tryAcquire());
}

void tst_StartUp::staleLockRecovered()
{
    const QString path = scratch_->filePath(QStringLiteral("zorvane.lock"));
    OtherCopy crashed(path, "crash");
    QVERIFY(crashed.started);
    QVERIFY(crashed.process.waitForFinished());
    QCOMPARE(crashed.process.exitStatus(), QProcess::CrashExit);
    QVERIFY(QFile::exists(path));

    SingleInstance next(path);
    QVERIFY(next.tryAcquire());
}

void tst_StartUp::secondCopyStartsNothing()
{
    const StartUpOptions o = options(folder_->path());
    OtherCopy first(o.lockPath, "hold");
    QVERIFY(first.started);
    QFile lockFile(o.lockPath);
    QVERIFY(lockFile.open(QIODevice::ReadOnly));
    const QByteArray content = lockFile.readAll();
    lockFile.close();

    StartUp second(o);
    QVERIFY(!second.run());

    const zorvane::ui::Message refusal{QStringLiteral("Zorvane"), AlreadyRunning, MessageIcon::Information,
                                       MessageButtons::Ok};
    QCOMPARE(fake_->messages, QList{refusal});
    QCOMPARE(ends_->ends, 1);
    QVERIFY(!second.mainWindow());
    QVERIFY(zorvane::ui::openWindows().isEmpty());
    // The reminder did not run either: nothing stored.
    QVERIFY(!QFile::exists(scratch_->filePath(QStringLiteral("settings.conf"))));
    // The first copy runs on, its lock untouched.
    QCOMPARE(first.process.state(), QProcess::Running);
    QVERIFY(lockFile.open(QIODevice::ReadOnly));
    QCOMPARE(lockFile.readAll(), content);
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

void tst_StartUp::normalStart()
{
    StartUp startUp(options(folder_->path()));
    QVERIFY(startUp.run());
    frmMain* window = startUp.mainWindow();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QCOMPARE(fake_->messages.size(), 0);
    QCOMPARE(ends_->ends, 0);
    QCOMPARE(zorvane::ui::openWindows(), QList<QWidget*>{window});

    // The lock is held while the program runs.
    SingleInstance second(options(folder_->path()).lockPath);
    QVERIFY(!second.tryAcquire());
    // The first start stored today.
    QSettings settings(scratch_->filePath(QStringLiteral("settings.conf")), QSettings::IniFormat);
    QCOMPARE(readReminderDate(settings).date, today_);
}

// --- CloseAllAndEnd -------------------------------------------------------------

void tst_StartUp::closeAllInCreationOrder()
{
    QStringList closed;
    auto* first = new RecordingWindow(QStringLiteral("first"), closed);
    auto* hidden = new RecordingWindow(QStringLiteral("hidden"), closed);
    auto* hiddenLater = new RecordingWindow(QStringLiteral("shown then hidden"), closed);
    auto* child = new RecordingWindow(QStringLiteral("destroyed by first"), closed);
    auto* last = new RecordingWindow(QStringLiteral("last"), closed);
    first->destroyOnClose = child;
    first->show();
    hiddenLater->show();
    hiddenLater->hide();
    last->show();
    QPointer<QWidget> firstAlive(first), hiddenAlive(hidden), lastAlive(last);

    CloseAllAndEnd();

    // The window destroyed by another's close handler is skipped, not closed.
    QCOMPARE(closed, (QStringList{QStringLiteral("first"), QStringLiteral("hidden"),
                                  QStringLiteral("shown then hidden"), QStringLiteral("last")}));
    QCOMPARE(ends_->ends, 1);
    QVERIFY(isEnding());

    // Called again, as a late close handler would: nothing more happens.
    CloseAllAndEnd();
    QCOMPARE(ends_->ends, 1);
    QCOMPARE(closed.size(), 4);
    QTRY_VERIFY(firstAlive.isNull() && hiddenAlive.isNull() && lastAlive.isNull());
}

void tst_StartUp::closeAllGoesPastRefusingWindow()
{
    QStringList closed;
    std::unique_ptr<QWidget> stubborn(new RecordingWindow(QStringLiteral("refuses to close"), closed, true));
    stubborn->setAttribute(Qt::WA_DeleteOnClose, false);
    stubborn->show();
    QPointer<QWidget> after(new RecordingWindow(QStringLiteral("after"), closed));

    CloseAllAndEnd();

    // A window that will not close stops neither the others nor the end.
    QCOMPARE(closed, (QStringList{QStringLiteral("refuses to close"), QStringLiteral("after")}));
    QCOMPARE(ends_->ends, 1);
    QTRY_VERIFY(after.isNull());
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
