// The "Save as JPG" flow end to end: the capture, the dialog, the names the
// JPEG files take in a real folder, the conversion through the Bmp2Jpeg
// library, and the clean-up after success, failure and a killed export.

#include "FakeDialogs.h"
#include "FilesAndPictures.h"
#include "PaintedForm.h"
#include "modSaveForm.h"

#include <QDeadlineTimer>
#include <QLabel>
#include <QLibrary>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSet>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <optional>

#if defined(Q_OS_LINUX)
#  include <unistd.h>
#endif

using namespace modSaveForm;
using zorvane::test::contentOf;
using zorvane::test::createFiles;
using zorvane::test::FakeDialogs;
using zorvane::test::filesUnder;
using zorvane::test::meanDifference;
using zorvane::test::PaintedForm;
using zorvane::test::readJpeg;
using zorvane::ui::MessageButtons;
using zorvane::ui::MessageIcon;

// What the racing converter puts at the JPEG path before converting.
enum class Appearance { File = 0, LinkLeadingNowhere = 1, Folder = 2 };
Q_DECLARE_METATYPE(Appearance)

namespace {

const QSize smallForm(64, 48);
// One more than the converter's largest side (BMP2JPEG_MAX_SIDE).
const QSize tooWideForm(32769, 2);

// The panels window's parts that the export touches.
struct Panels {
    explicit Panels(QSize size)
        : form(size)
    {}
    PanelsWindow window() { return {&form, &holder, &txtFolder, &txtFile}; }

    PaintedForm form;
    QLabel holder;
    QLineEdit txtFolder;
    QLineEdit txtFile;
};

#if defined(Q_OS_LINUX)
// The files in folder that process pid has open.
QSet<QByteArray> filesOpenIn(qint64 pid, const QString& folder)
{
    const QString descriptors = QStringLiteral("/proc/%1/fd").arg(pid);
    const QByteArray inFolder = QFile::encodeName(folder) + '/';
    QSet<QByteArray> files;
    for (const QString& fd : QDir(descriptors).entryList(QDir::AllEntries | QDir::NoDotAndDotDot)) {
        char target[4096];
        const ssize_t length =
            ::readlink(QFile::encodeName(descriptors + QLatin1Char('/') + fd).constData(), target, sizeof target);
        if (length > 0 && QByteArray(target, int(length)).startsWith(inFolder))
            files.insert(QByteArray(target, int(length)));
    }
    return files;
}
#endif

// Polls condition every millisecond, for moments too short for QTRY's steps.
template <typename Condition>
bool becomesTrue(Condition condition, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(1);
    }
    return true;
}

// chart.jpg and its numbered copies _001 up to _last.
QStringList chartAndCopies(int last)
{
    QStringList names{QStringLiteral("chart.jpg")};
    for (int n = 1; n <= last; ++n)
        names << QStringLiteral("chart_%1.jpg").arg(n, 3, 10, QLatin1Char('0'));
    return names;
}

}  // namespace

class tst_Export : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void naming_data();
    void naming();
    void carriesScreenDensity_data();
    void carriesScreenDensity();
    void captureKeptInHolder_data();
    void captureKeptInHolder();
    void failures_data();
    void failures();
    void killedExport();

private:
    FakeDialogs* fake = nullptr;
};

void tst_Export::init()
{
    fake = &FakeDialogs::install();
}

void tst_Export::cleanup()
{
    FakeDialogs::restore();
    fake = nullptr;
}

void tst_Export::naming_data()
{
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<QString>("chosen");         // below the folder, or as it stands when bare
    QTest::addColumn<bool>("bare");              // chosen without any folder
    QTest::addColumn<int>("races");              // conversions that find their name taken as they write
    QTest::addColumn<Appearance>("appearance");  // what takes it
    QTest::addColumn<QString>("written");        // below the folder (the program's when bare); {stamp}: today
    QTest::addColumn<QString>("txtFile");

    const QStringList none;
    const Appearance file = Appearance::File;
    // clang-format off
    QTest::newRow("other extension replaced") << none << "chart.png" << false << 0 << file << "chart.jpg" << "chart.jpg";
    QTest::newRow("no extension")             << none << "chart" << false << 0 << file << "chart.jpg" << "chart.jpg";
    QTest::newRow("upper-case JPG lowered")   << none << "Chart.JPG" << false << 0 << file << "Chart.jpg" << "Chart.jpg";
    QTest::newRow("cut at the first dot")     << none << "chart.copy.jpg" << false << 0 << file << "chart.jpg"
                                              << "chart.jpg";
    QTest::newRow("cut at first dot, taken")  << QStringList{"chart.jpg"} << "chart.copy.jpg" << false << 0 << file
                                              << "chart_001.jpg" << "chart.jpg";
    // clang-format on
    // Windows' file names ignore case: there it is the same name, taken.
    QTest::newRow("name differing in case")
        << QStringList{"Chart.JPG"} << "chart" << false << 0 << file
        << (QSysInfo::productType() == QLatin1String("windows") ? "chart_001.jpg" : "chart.jpg") << "chart.jpg";
    // Rows from the rule: with chart.jpg and copies _001 to _n present, the
    // next copy is _n+1.
    for (const int taken : {0, 1, 2, 500, 998}) {
        // clang-format off
        QTest::addRow("taken with %d copies", taken)
            << chartAndCopies(taken) << "chart.jpg" << false << 0 << file
            << QStringLiteral("chart_%1.jpg").arg(taken + 1, 3, 10, QLatin1Char('0')) << "chart.jpg";
        // clang-format on
    }
    // clang-format off
    QTest::newRow("gap takes the first number") << QStringList{"chart.jpg", "chart_002.jpg"} << "chart.jpg" << false
                                                << 0 << file << "chart_001.jpg" << "chart.jpg";
    QTest::newRow("all 999 copies taken")  << chartAndCopies(999) << "chart.jpg" << false << 0 << file << ""
                                           << "chart.jpg";
    QTest::newRow("hidden name is taken")  << QStringList{".jpg"} << ".png" << false << 0 << file << "_001.jpg"
                                           << ".jpg";
    QTest::newRow("dots in a folder name") << QStringList{"my.pics/old.jpg"} << "my.pics/chart.png" << false << 0
                                           << file << "my.pics/chart.jpg" << "chart.jpg";
    QTest::newRow("non-ASCII folder and name")  << QStringList{"Bilder \u00fc/x"}
                                                << "Bilder \u00fc/\u041a\u0430\u0440\u0442\u0430.png" << false << 0
                                                << file << "Bilder \u00fc/\u041a\u0430\u0440\u0442\u0430.jpg"
                                                << "\u041a\u0430\u0440\u0442\u0430.jpg";
    QTest::newRow("user's bitmap left alone")   << QStringList{"chart.bmp"} << "chart.png" << false << 0 << file
                                                << "chart.jpg" << "chart.jpg";
    QTest::newRow("user's bitmap, copy taken")  << QStringList{"chart.jpg", "chart_001.bmp"} << "chart.png" << false
                                                << 0 << file << "chart_001.jpg" << "chart.jpg";
    QTest::newRow("no folder: program's, date") << none << "chart.png" << true << 0 << file << "{stamp}.jpg" << "";
    // clang-format on
    // Whatever appears at the name after it was chosen stays as it is: the
    // picture takes the next free name, by the same rules, or, with none
    // left, the message says so.
    // clang-format off
    QTest::newRow("file at the chosen name")    << none << "chart.png" << false << 1 << file << "chart_001.jpg"
                                                << "chart.jpg";
    QTest::newRow("folder at the chosen name")  << none << "chart.png" << false << 1 << Appearance::Folder
                                                << "chart_001.jpg" << "chart.jpg";
    QTest::newRow("file at two names in turn")  << none << "chart.png" << false << 2 << file << "chart_002.jpg"
                                                << "chart.jpg";
    QTest::newRow("file at the numbered name")  << QStringList{"chart.jpg"} << "chart.png" << false << 1 << file
                                                << "chart_002.jpg" << "chart.jpg";
    QTest::newRow("file at the last free name") << chartAndCopies(998) << "chart.png" << false << 1 << file << ""
                                                << "chart.jpg";
    // clang-format on
    // Symbolic links on Windows need an administrator.
#if defined(Q_OS_UNIX)
    // clang-format off
    QTest::newRow("link at the chosen name")    << none << "chart.png" << false << 1 << Appearance::LinkLeadingNowhere
                                                << "chart_001.jpg" << "chart.jpg";
    // clang-format on
#endif
}

void tst_Export::naming()
{
    QFETCH(QStringList, present);
    QFETCH(QString, chosen);
    QFETCH(bool, bare);
    QFETCH(int, races);
    QFETCH(Appearance, appearance);
    QFETCH(QString, written);
    QFETCH(QString, txtFile);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    createFiles(dir.path(), present);
    const QDir base(bare ? QCoreApplication::applicationDirPath() : dir.path());
    written.replace(QStringLiteral("{stamp}"), TodayStamp());
    const QString expected = written.isEmpty() ? QString() : base.filePath(written);
    QVERIFY2(expected.isEmpty() || !QFileInfo::exists(expected), "the expected name must be free beforehand");
    // The racing converter plays another process that takes the name of each
    // of the first `races` conversions as they write.
    QLibrary racer(QStringLiteral(RACING_CONVERTER));
    const auto raceBeforeConversions = reinterpret_cast<void (*)(int, int)>(racer.resolve("RaceBeforeConversions"));
    QVERIFY2(raceBeforeConversions, qPrintable(racer.errorString()));
    raceBeforeConversions(races, int(appearance));

    Panels panels(smallForm);
    fake->savePaths.push_back(bare ? chosen : QDir(dir.path()).filePath(chosen));
    const QString result = SavePicture(panels.window(), races > 0 ? racer.fileName() : ConverterPath());
    raceBeforeConversions(0, 0);
    const auto removeFromProgramFolder = qScopeGuard([&] {
        if (bare)
            QFile::remove(result);
    });

    QCOMPARE(result, expected);
    QCOMPARE(fake->saveRequests.size(), 1);
    const zorvane::ui::SaveFileRequest& request = fake->saveRequests.first();
    QCOMPARE(request.filter, QStringLiteral("JPEG Image (*.jpg)"));
    QCOMPARE(request.defaultSuffix, QStringLiteral("jpg"));
    QCOMPARE(request.confirmOverwrite, false);
    // Each conversion the racer met left its appearance at the name it was given.
    QStringList appeared;
    for (const QString& name : races > 0 ? chartAndCopies(999) : QStringList()) {
        if (!present.contains(name) && name != written && FileExists(dir.filePath(name)))
            appeared << name;
    }
    QCOMPARE(appeared.size(), races);
    for (const QString& name : appeared) {
        const QFileInfo entry(dir.filePath(name));
        switch (appearance) {
        case Appearance::File:
            QCOMPARE(contentOf(entry.filePath()), QByteArray("appeared late"));
            break;
        case Appearance::LinkLeadingNowhere:
            QVERIFY(entry.isSymLink());
            QVERIFY2(!QFileInfo::exists(entry.filePath()), "the export wrote through the link");
            break;
        case Appearance::Folder:
            QVERIFY(entry.isDir());
            QCOMPARE(filesUnder(entry.filePath()), QStringList());
            break;
        }
    }
    QStringList after = present;
    if (!bare && !expected.isEmpty())
        after << written;
    if (appearance != Appearance::Folder)
        after << appeared;
    after.sort();
    QCOMPARE(filesUnder(dir.path()), after);
    for (const QString& name : present)
        QCOMPARE(contentOf(dir.filePath(name)), name.toUtf8());
    QCOMPARE(panels.txtFile.text(), txtFile);

    if (expected.isEmpty()) {
        QCOMPARE(panels.txtFolder.text(), dir.path());
        QCOMPARE(fake->messages.size(), 1);
        const zorvane::ui::Message& message = fake->messages.first();
        QCOMPARE(message.caption, QStringLiteral(" UNABLE  TO  CREATE  NEW  FILE") + txtFile);
        QCOMPARE(message.text, QStringLiteral("There are too many Copies of this file  ") + txtFile);
        QCOMPARE(message.icon, MessageIcon::Critical);
        QCOMPARE(message.buttons, MessageButtons::Ok);
    } else {
        QCOMPARE(panels.txtFolder.text(), QFileInfo(expected).path());
        QCOMPARE(fake->messages.size(), 0);
        // Quality 100 keeps the channels within a level or so on average; the
        // same picture upside down is off by about 100, with red and blue
        // swapped by about 40.
        QCOMPARE_LT(meanDifference(readJpeg(expected), panels.holder.pixmap().toImage()), 2.0);
    }
}

void tst_Export::carriesScreenDensity_data()
{
    QTest::addColumn<qreal>("scale");  // device pixels per pixel of the screen
    QTest::addColumn<int>("dotsPerInch");

    // 96 dots per inch at scale 1, so that the picture prints at the size the
    // screen showed it.
    for (const qreal scale : {1.0, 1.25, 1.5, 2.0, 3.0}) {
        // clang-format off
        QTest::addRow("scale %g", scale) << scale << qRound(96 * scale);
        // clang-format on
    }
}

void tst_Export::carriesScreenDensity()
{
    QFETCH(qreal, scale);
    QFETCH(int, dotsPerInch);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    Panels panels(smallForm);
    QPixmap capture = SnapFormClient(&panels.form);
    capture.setDevicePixelRatio(scale);
    panels.holder.setPixmap(capture);

    const QString written = ExportJpeg(panels.window(), dir.filePath(QStringLiteral("chart.png")));

    const QImage jpeg = readJpeg(written);
    QCOMPARE(jpeg.size(), smallForm);
    QCOMPARE(qRound(jpeg.dotsPerMeterX() * 0.0254), dotsPerInch);
    QCOMPARE(qRound(jpeg.dotsPerMeterY() * 0.0254), dotsPerInch);
}

void tst_Export::captureKeptInHolder_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("shown");  // on the screen, else rendered for the capture
    QTest::addColumn<bool>("replaced");
    QTest::addColumn<bool>("cancel");  // otherwise an empty name

    for (const bool cancel : {true, false}) {
        const char* const answer = cancel ? "cancelled" : "empty name";
        // clang-format off
        QTest::addRow("panels window 1000 x 566, %s", answer) << QSize(1000, 566) << false << true << cancel;
        QTest::addRow("small window, %s", answer)             << smallForm << false << true << cancel;
        QTest::addRow("small window on screen, %s", answer)   << smallForm << true << true << cancel;
        QTest::addRow("window without area, %s", answer)      << QSize(0, 0) << false << false << cancel;
        // clang-format on
    }
}

// Each press captures anew before the dialog opens; a press after an export
// whose dialog is cancelled or given no name saves nothing.
void tst_Export::captureKeptInHolder()
{
    QFETCH(QSize, size);
    QFETCH(bool, shown);
    QFETCH(bool, replaced);
    QFETCH(bool, cancel);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    Panels panels(size);
    if (shown) {
        panels.form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panels.form));
    }
    QPixmap earlier(5, 5);
    earlier.fill(Qt::green);
    panels.holder.setPixmap(earlier);
    const QPoint inAccent(size.width() / 8 + 1, size.height() / 8 + 1);
    const QColor exported(200, 30, 40);
    const QColor unsaved(20, 40, 220);
    fake->savePaths.push_back(dir.filePath(QStringLiteral("chart.png")));
    fake->savePaths.push_back(cancel ? std::nullopt : std::optional<QString>(QString()));

    for (const QColor& accent : {exported, unsaved}) {
        panels.form.setAccent(accent);
        const QString result = SavePicture(panels.window());
        QCOMPARE(result.isEmpty(), accent == unsaved);
        const QImage held = panels.holder.pixmap().toImage();
        if (replaced) {
            QCOMPARE(held.size(), size);
            QCOMPARE(held.pixelColor(inAccent), accent);
            // The gradient runs from dark purple at the top to pale cyan at the bottom.
            QCOMPARE_LT(held.pixelColor(0, 0).green(), 16);
            QCOMPARE_GT(held.pixelColor(0, size.height() - 1).green(), 239);
        } else {
            QCOMPARE(held.size(), earlier.size());
            QCOMPARE(held.pixelColor(0, 0), QColor(Qt::green));
        }
    }
    QCOMPARE(fake->saveRequests.size(), 2);
    QCOMPARE(fake->messages.size(), 0);
    QCOMPARE(filesUnder(dir.path()), QStringList{QStringLiteral("chart.jpg")});
    // A window on the screen is copied as it shows, not painted anew.
    if (shown) {
        const int paints = panels.form.paints;
        QCOMPARE(SnapFormClient(&panels.form).toImage(), panels.holder.pixmap().toImage());
        QCOMPARE(panels.form.paints, paints);
    }
}

void tst_Export::failures_data()
{
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<bool>("converterBeside");  // else there is none where it is loaded from
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("captured");   // else the holder has no picture
    QTest::addColumn<QString>("named");   // the JPEG path the message names
    QTest::addColumn<QString>("reason");  // part of the message

    const QStringList none;
    // A write the file layer refuses, whatever the cause, comes back with its
    // system reason: a missing folder stands for them all.
    // clang-format off
    QTest::newRow("folder missing")             << none << "missing/chart.png" << true << smallForm << true
                                                << "missing/chart.jpg" << "No such file or directory";
    QTest::newRow("converter missing")          << none << "chart.png" << false << smallForm << true
                                                << "chart.jpg" << "The converter could not be loaded";
    QTest::newRow("too wide for the converter") << QStringList{"chart.bmp"} << "chart.png" << true << tooWideForm
                                                << true << "chart.jpg" << "too large";
    QTest::newRow("no picture in the holder")   << none << "chart.png" << true << smallForm << false
                                                << "chart.jpg" << "no picture";
    // clang-format on
}

// A failed export says why in one message that names the file, and leaves
// nothing behind.
void tst_Export::failures()
{
    QFETCH(QStringList, present);
    QFETCH(QString, chosen);
    QFETCH(bool, converterBeside);
    QFETCH(QSize, size);
    QFETCH(bool, captured);
    QFETCH(QString, named);
    QFETCH(QString, reason);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    createFiles(dir.path(), present);
    const QString converterPath =
        converterBeside ? ConverterPath() : dir.filePath(QStringLiteral("lib/") + ConverterFileName());
    Panels panels(size);
    if (captured)
        panels.holder.setPixmap(SnapFormClient(&panels.form));

    const QString result = ExportJpeg(panels.window(), dir.filePath(chosen), converterPath);

    QCOMPARE(result, QString());
    QCOMPARE(fake->messages.size(), 1);
    const zorvane::ui::Message& message = fake->messages.first();
    QCOMPARE(message.caption, QStringLiteral("Zorvane"));
    QCOMPARE(message.icon, MessageIcon::Critical);
    QCOMPARE(message.buttons, MessageButtons::Ok);
    QVERIFY2(message.text.contains(dir.filePath(named)), qPrintable(message.text));
    QVERIFY2(message.text.contains(reason, Qt::CaseInsensitive), qPrintable(message.text));
    present.sort();
    QCOMPARE(filesUnder(dir.path()), present);
    for (const QString& name : present)
        QCOMPARE(contentOf(dir.filePath(name)), name.toUtf8());
}

// An export killed as it writes leaves in the user's folder only the
// pictures finished before, whole, and at most the hidden part of the next,
// which the next export removes.
void tst_Export::killedExport()
{
    // Killed in the third export, after two whole pictures.
    const int finished = 2;
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QSize size(2400, 1800);
    const QRegularExpression pictureName(QStringLiteral("^chart(_\\d{3})?\\.jpg$"));
    const QRegularExpression partName(QStringLiteral("^\\.zorvane-[a-z0-9]{12}\\.part$"));
    const auto pictures = [&] { return filesUnder(dir.path()).filter(pictureName); };
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QStringLiteral(EXPORT_CHILD),
                {dir.path(), QString::number(size.width()), QString::number(size.height())});
    QVERIFY(child.waitForStarted());
    const auto killChild = qScopeGuard([&] {
        child.kill();
        child.waitForFinished();
    });

    QTRY_VERIFY_WITH_TIMEOUT(pictures().size() >= finished, 120000);
    // Killed while it holds a file open in the folder, or on Windows, whose
    // open files are not listed, while its part stands there.
#if defined(Q_OS_LINUX)
    QVERIFY(becomesTrue([&] { return !filesOpenIn(child.processId(), dir.path()).isEmpty(); }, 120000));
#else
    QVERIFY(becomesTrue([&] { return !filesUnder(dir.path()).filter(partName).isEmpty(); }, 120000));
#endif
    child.kill();
    QVERIFY(child.waitForFinished());
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);

    const QStringList done = pictures();
    QCOMPARE_GE(done.size(), finished);
    for (const QString& name : done)
        QCOMPARE(readJpeg(dir.filePath(name)).size(), size);
    for (const QString& name : filesUnder(dir.path())) {
        QVERIFY2(done.contains(name) || partName.match(name).hasMatch(),
                 qPrintable(name + QStringLiteral(" was left behind")));
    }

    Panels panels(smallForm);
    fake->savePaths.push_back(dir.filePath(QStringLiteral("next.png")));
    QCOMPARE(SavePicture(panels.window()), dir.filePath(QStringLiteral("next.jpg")));
    QStringList after = done;
    after << QStringLiteral("next.jpg");
    after.sort();
    QCOMPARE(filesUnder(dir.path()), after);
}

QTEST_MAIN(tst_Export)
#include "tst_export.moc"
