#include "UrlCatcher.h"

#include <QDesktopServices>
#include <QUrl>

namespace zorvane::test {

namespace {
constexpr const char* Schemes[] = {"https", "http"};
}

UrlCatcher::UrlCatcher()
{
    for (const char* scheme : Schemes)
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "open");
}

UrlCatcher::~UrlCatcher()
{
    for (const char* scheme : Schemes)
        QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
}

void UrlCatcher::open(const QUrl& url)
{
    opened.append(url.toString(QUrl::FullyEncoded));
}

}  // namespace zorvane::test
