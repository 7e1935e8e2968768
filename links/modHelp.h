#pragma once

// Opens the maker's web pages in the user's default browser. Each page
// operation hands its fixed address to the desktop and returns at once; the
// program neither waits for the browser nor reports a failure.

#include <QString>

namespace modHelp {

struct PageAddressTable {
    QString homePage;       // the maker's home page, its discussion-forum site
    QString onlineHelp;     // the product's online help page
    QString downloadPage;   // the product's download page
    QString donatePage;     // the maker's donation page
    QString fullBrandPage;  // fully branded copies for another web site
    QString coBrandPage;    // co-branding: another site's name and link in the program
};

// Configured when the build is configured (CMake cache variables
// ZORVANE_URL_HOME, ZORVANE_URL_HELP, ZORVANE_URL_DOWNLOAD, ZORVANE_URL_DONATE,
// ZORVANE_URL_FULL_BRAND, ZORVANE_URL_CO_BRAND).
const PageAddressTable& PageAddresses();

// Opens an absolute address unchanged, without query data.
void OpenWebPage(const QString& address);

void OpenHomePage();
void OpenOnlineHelp();
void OpenDownloadPage();
void OpenDonatePage();
void OpenFullBrandPage();
void OpenCoBrandPage();

}  // namespace modHelp
