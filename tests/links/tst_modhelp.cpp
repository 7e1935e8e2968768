// The web link launcher: each page operation hands its configured address
// to the desktop once per call, unchanged.

#include "UrlCatcher.h"
#include "modHelp.h"

#include <QTest>
#include <QUrl>

using zorvane::test::UrlCatcher;

using PageOperation = void (*)();
Q_DECLARE_METATYPE(PageOperation)

class tst_modHelp : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { urls_.opened.clear(); }

    void pageOperations_data();
    void pageOperations();
    void openWebPage_data();
    void openWebPage();

private:
    UrlCatcher urls_;
};

void tst_modHelp::pageOperations_data()
{
    QTest::addColumn<PageOperation>("operation");
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("calls");

    const auto& pages = modHelp::PageAddresses();
    for (const int calls : {1, 2}) {
        // clang-format off
        QTest::addRow("OpenHomePage x%d", calls) << &modHelp::OpenHomePage << pages.homePage << calls;
        QTest::addRow("OpenOnlineHelp x%d", calls) << &modHelp::OpenOnlineHelp << pages.onlineHelp << calls;
        QTest::addRow("OpenDownloadPage x%d", calls) << &modHelp::OpenDownloadPage << pages.downloadPage << calls;
        QTest::addRow("OpenDonatePage x%d", calls) << &modHelp::OpenDonatePage << pages.donatePage << calls;
        QTest::addRow("OpenFullBrandPage x%d", calls) << &modHelp::OpenFullBrandPage << pages.fullBrandPage << calls;
        QTest::addRow("OpenCoBrandPage x%d", calls) << &modHelp::OpenCoBrandPage << pages.coBrandPage << calls;
        // clang-format on
    }
}

void tst_modHelp::pageOperations()
{
    QFETCH(PageOperation, operation);
    QFETCH(QString, address);
    QFETCH(int, calls);

    for (int i = 0; i < calls; ++i)
        operation();
    QCOMPARE(urls_.opened, QStringList(calls, address));
}

void tst_modHelp::openWebPage_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QStringList>("opened");

    // clang-format off
    QTest::newRow("host only") << "https://zorvane.example/" << QStringList{"https://zorvane.example/"};
    QTest::newRow("path") << "https://zorvane.example/help/index.html"
                          << QStringList{"https://zorvane.example/help/index.html"};
    QTest::newRow("percent-encoded path") << "https://zorvane.example/a%20b"
                                          << QStringList{"https://zorvane.example/a%20b"};
    QTest::newRow("plain http") << "http://zorvane.example/x" << QStringList{"http://zorvane.example/x"};
    QTest::newRow("empty") << "" << QStringList{};
    QTest::newRow("unclosed bracket in host") << "https://[zorvane.example/" << QStringList{};
    QTest::newRow("relative path") << "help/index.html" << QStringList{};
    QTest::newRow("host without scheme") << "zorvane.example/help" << QStringList{};
    QTest::newRow("space in host") << "https://zorvane example/" << QStringList{};
    // clang-format on
}

// What reaches the desktop, heard whatever the address's scheme, none
// included: an address that is not opened is not heard either.
void tst_modHelp::openWebPage()
{
    QFETCH(QString, address);
    QFETCH(QStringList, opened);

    urls_.hear(QUrl(address).scheme());
    modHelp::OpenWebPage(address);
    QCOMPARE(urls_.opened, opened);
}

QTEST_MAIN(tst_modHelp)
#include "tst_modhelp.moc"
