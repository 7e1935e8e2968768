#include "modHelp.h"

#include "PageAddresses.h"

#include <QDesktopServices>
#include <QUrl>

namespace modHelp {

const PageAddressTable& PageAddresses()
{
    static const PageAddressTable table{
        QStringLiteral(ZORVANE_URL_HOME),       QStringLiteral(ZORVANE_URL_HELP),
        QStringLiteral(ZORVANE_URL_DOWNLOAD),   QStringLiteral(ZORVANE_URL_DONATE),
        QStringLiteral(ZORVANE_URL_FULL_BRAND), QStringLiteral(ZORVANE_URL_CO_BRAND),
    };
    return table;
}

void OpenWebPage(const QString& address)
{
    // Only a well-formed absolute address goes out: a mistyped configured
    // one is not handed to the desktop to be guessed at. The result is not
    // read: a missing browser leaves the window as it was, without a message.
    const QUrl url(address, QUrl::StrictMode);
    if (!url.isValid() || url.isRelative())
        return;
    QDesktopServices::openUrl(url);
}

void OpenHomePage()
{
    OpenWebPage(PageAddresses().homePage);
}
void OpenOnlineHelp()
{
    OpenWebPage(PageAddresses().onlineHelp);
}
void OpenDownloadPage()
{
    OpenWebPage(PageAddresses().downloadPage);
}
void OpenDonatePage()
{
    OpenWebPage(PageAddresses().donatePage);
}
void OpenFullBrandPage()
{
    OpenWebPage(PageAddresses().fullBrandPage);
}
void OpenCoBrandPage()
{
    OpenWebPage(PageAddresses().coBrandPage);
}

}  // namespace modHelp
