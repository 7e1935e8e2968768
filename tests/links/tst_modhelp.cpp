// The web link launcher: an address is handed to the desktop once per call,
// unchanged, and only when it is a well-formed absolute address. Which page
// each link of the windows opens: tst_linkclicks.

#include "UrlCatcher.h"
#include "modHelp.h"

#include <QTest>
#include <QUrl>

using zorvane::test::UrlCatcher;

class tst_modHelp : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void openWebPage_data();
    void openWebPage();
};

void tst_modHelp::openWebPage_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("opened");

    // clang-format off
    QTest::newRow("host only")                << "https://zorvane.example/" << true;
    QTest::newRow("path")                     << "https://zorvane.example/help/index.html" << true;
    QTest::newRow("percent-encoded path")     << "https://zorvane.example/a%20b" << true;
    QTest::newRow("plain http")               << "http://zorvane.example/x" << true;
    QTest::newRow("empty")                    << "" << false;
    QTest::newRow("unclosed bracket in host") << "https://[zorvane.example/" << false;
    QTest::newRow("relative path")            << "help/index.html" << false;
    QTest::newRow("host without scheme")      << "zorvane.example/help" << false;
    QTest::newRow("space in host")            << "https://zorvane example/" << false;
    // clang-format on
}

// What reaches the desktop, heard whatever the address's scheme, none
// included: an address that is not opened is not heard either.
void tst_modHelp::openWebPage()
{
    QFETCH(QString, address);
    QFETCH(bool, opened);

    UrlCatcher urls;
    urls.hear(QUrl(address).scheme());
    constexpr int calls = 2;
    for (int call = 0; call < calls; ++call)
        modHelp::OpenWebPage(address);
    QCOMPARE(urls.opened, opened ? QStringList(calls, address) : QStringList());
}

QTEST_MAIN(tst_modHelp)
#include "tst_modhelp.moc"
