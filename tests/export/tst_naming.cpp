// Naming rules of the JPEG export: splitting a path, free names and the date
// stamp. Names taken by what stands in a real folder: tst_export.

#include "modSaveForm.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QTest>

using namespace modSaveForm;

class tst_Naming : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void splitFolderAndFile_data();
    void splitFolderAndFile();
    void uniqueNameWhenFree_data();
    void uniqueNameWhenFree();
    void todayStamp_data();
    void todayStamp();
};

void tst_Naming::splitFolderAndFile_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("file");

    // Without any separator the previous values ("kept", "kept.jpg") stay.
    // clang-format off
    QTest::newRow("folder and file")       << "/home/ann/chart.jpg" << "/home/ann" << "chart.jpg";
    QTest::newRow("root folder")           << "/chart.jpg" << "/" << "chart.jpg";
    QTest::newRow("network share")         << "//server/share/chart.jpg" << "//server/share" << "chart.jpg";
    QTest::newRow("trailing separator")    << "/home/ann/" << "/home/ann" << "";
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
    expected.replace(QStringLiteral("{stamp}"), TodayStamp());
    QCOMPARE(MakeUniqueJpegPath(folder, file), expected);
}

void tst_Naming::todayStamp_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("stamp");

    // clang-format off
    QTest::newRow("month and day padded") << QDate(2026, 1, 5) << "20260105";
    QTest::newRow("two-digit month, day") << QDate(2026, 12, 31) << "20261231";
    // clang-format on
}

void tst_Naming::todayStamp()
{
    QFETCH(QDate, date);
    QFETCH(QString, stamp);
    QCOMPARE(TodayStamp(date), stamp);
}

QTEST_GUILESS_MAIN(tst_Naming)
#include "tst_naming.moc"
