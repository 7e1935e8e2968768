// Naming rules of the JPEG export: splitting a path, free names, the date
// stamp and the existence test that guards every name.

#include "FilesAndPictures.h"
#include "modSaveForm.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace modSaveForm;
using zorvane::test::createFiles;

enum class Entry { PlainFile, HiddenFile, ReadOnlyFile, Folder, LinkToFile, DanglingLink, Nothing, UnderPlainFile };
Q_DECLARE_METATYPE(Entry)

class tst_Naming : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void splitFolderAndFile_data();
    void splitFolderAndFile();
    void uniqueNameWhenFree_data();
    void uniqueNameWhenFree();
    void todayStamp_data();
    void todayStamp();
    void fileExists_data();
    void fileExists();
};

void tst_Naming::splitFolderAndFile_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("file");

    // Without any separator the previous values ("kept", "kept.jpg") stay.
    // clang-format off
    QTest::newRow("folder and file")       << "/home/ann/chart.jpg" << "/home/ann" << "chart.jpg";
    QTest::newRow("last separator splits") << "/home/ann/pics/chart" << "/home/ann/pics" << "chart";
    QTest::newRow("dots in the folder")    << "/home/my.pics/chart.jpg" << "/home/my.pics" << "chart.jpg";
    QTest::newRow("root folder")           << "/chart.jpg" << "/" << "chart.jpg";
    QTest::newRow("network share")         << "//server/share/chart.jpg" << "//server/share" << "chart.jpg";
    QTest::newRow("trailing separator")    << "/home/ann/" << "/home/ann" << "";
    QTest::newRow("non-ASCII names")       << "/tmp/Bilder \u00fc/\u041a\u0430\u0440\u0442\u0430.jpg"
                                            << "/tmp/Bilder \u00fc" << "\u041a\u0430\u0440\u0442\u0430.jpg";
    QTest::newRow("no separator keeps") << "chart.jpg" << "kept" << "kept.jpg";
    QTest::newRow("empty path keeps")   << "" << "kept" << "kept.jpg";
    // clang-format on
}

void tst_Naming::splitFolderAndFile()
{
    QFETCH(QString, path);
    QFETCH(QString, folder);
    QFETCH(QString, file);

    QString gotFolder = QStringLiteral("kept");
    QString gotFile = QStringLiteral("kept.jpg");
    SplitFolderAndFile(path, gotFolder, gotFile);
    QCOMPARE(gotFolder, folder);
    QCOMPARE(gotFile, file);
}

void tst_Naming::uniqueNameWhenFree_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("expected");  // {program}: the program's folder, {stamp}: today

    const QString absent = QStringLiteral("/nonexistent-zorvane");
    // clang-format off
    QTest::newRow("name kept")                 << absent + "/pics" << "chart.jpg" << absent + "/pics/chart.jpg";
    QTest::newRow("closing separator kept")    << absent + "/pics/" << "chart.jpg" << absent + "/pics/chart.jpg";
    QTest::newRow("doubled separators single") << absent + "//pics//" << "chart.jpg" << absent + "/pics/chart.jpg";
    QTest::newRow("run of three made single")  << absent + "///pics" << "chart.jpg" << absent + "/pics/chart.jpg";
    QTest::newRow("network share keeps pair")  << "//zorvane-server/share" << "chart.jpg" << "//zorvane-server/share/chart.jpg";
    QTest::newRow("network share inner pair")  << "//zorvane-server//share" << "chart.jpg" << "//zorvane-server/share/chart.jpg";
    QTest::newRow("bitmap name becomes jpg")   << absent << "chart.bmp" << absent + "/chart.jpg";
    QTest::newRow("upper-case BMP kept")       << absent << "chart.BMP" << absent + "/chart.BMP";
    QTest::newRow("name without dot gets jpg") << absent << "chart" << absent + "/chart.jpg";
    QTest::newRow("empty name: date stamp")    << absent << "" << absent + "/{stamp}.jpg";
    QTest::newRow("empty folder: program's")   << "" << "zorvane-chart.jpg" << "{program}/zorvane-chart.jpg";
    // clang-format on
}

void tst_Naming::uniqueNameWhenFree()
{
    QFETCH(QString, folder);
    QFETCH(QString, file);
    QFETCH(QString, expected);

    expected.replace(QStringLiteral("{program}"), QCoreApplication::applicationDirPath());
    expected.replace(QStringLiteral("{stamp}"), QDate::currentDate().toString(QStringLiteral("yyyyMMdd")));
    QCOMPARE(MakeUniqueJpegPath(folder, file), expected);
}

void tst_Naming::todayStamp_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("stamp");

    // clang-format off
    QTest::newRow("month and day padded") << QDate(2026, 1, 5) << "20260105";
    QTest::newRow("two-digit month, day") << QDate(2026, 12, 31) << "20261231";
    QTest::newRow("first listed year")    << QDate(1910, 3, 9) << "19100309";
    QTest::newRow("last listed year")     << QDate(2050, 10, 10) << "20501010";
    QTest::newRow("leap day")             << QDate(2024, 2, 29) << "20240229";
    // clang-format on
}

void tst_Naming::todayStamp()
{
    QFETCH(QDate, date);
    QFETCH(QString, stamp);
    QCOMPARE(TodayStamp(date), stamp);
}

void tst_Naming::fileExists_data()
{
    QTest::addColumn<Entry>("entry");
    QTest::addColumn<bool>("exists");

    // Anything standing at a path makes its name taken, so the export can
    // never write over it.
    // clang-format off
    QTest::newRow("plain file")         << Entry::PlainFile << true;
    QTest::newRow("hidden dot file")    << Entry::HiddenFile << true;
    QTest::newRow("read-only file")     << Entry::ReadOnlyFile << true;
    QTest::newRow("folder")             << Entry::Folder << true;
    QTest::newRow("link to a file")     << Entry::LinkToFile << true;
    QTest::newRow("dangling link")      << Entry::DanglingLink << true;
    QTest::newRow("nothing")            << Entry::Nothing << false;
    QTest::newRow("under a plain file") << Entry::UnderPlainFile << false;
    // clang-format on
}

void tst_Naming::fileExists()
{
    QFETCH(Entry, entry);
    QFETCH(bool, exists);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());

    QString path = dir.filePath(QStringLiteral("chart.jpg"));
    switch (entry) {
    case Entry::PlainFile:
        createFiles(dir.path(), {QStringLiteral("chart.jpg")});
        break;
    case Entry::HiddenFile:
        path = dir.filePath(QStringLiteral(".chart.jpg"));
        createFiles(dir.path(), {QStringLiteral(".chart.jpg")});
        break;
    case Entry::ReadOnlyFile:
        createFiles(dir.path(), {QStringLiteral("chart.jpg")});
        QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner));
        break;
    case Entry::Folder:
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("chart.jpg")));
        break;
    case Entry::LinkToFile:
        createFiles(dir.path(), {QStringLiteral("target.jpg")});
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("target.jpg")), path));
        break;
    case Entry::DanglingLink:
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("gone.jpg")), path));
        break;
    case Entry::Nothing:
        break;
    case Entry::UnderPlainFile:
        createFiles(dir.path(), {QStringLiteral("plain")});
        path = dir.filePath(QStringLiteral("plain/chart.jpg"));
        break;
    }
    QCOMPARE(FileExists(path), exists);
}

QTEST_GUILESS_MAIN(tst_Naming)
#include "tst_naming.moc"
