#include "UrlCatcher.h"

#include <QDesktopServices>
#include <QUrl>

namespace zorvane::test {

UrlCatcher::UrlCatcher()
{
    // The empty scheme is that of a relative address.
    for (const char* scheme : {"https", "http", "file", ""})
        hear(QString::fromLatin1(scheme));
}

UrlCatcher::~UrlCatcher()
{
    for (const QString& scheme : schemes_)
        QDesktopServices::unsetUrlHandler(scheme);
}

void UrlCatcher::hear(const QString& scheme)
{
    if (schemes_.contains(scheme))
        return;
    schemes_ << scheme;
    QDesktopServices::setUrlHandler(scheme, this, "open");
}

void UrlCatcher::open(const QUrl& url)
{
    opened.append(url.toString(QUrl::FullyEncoded));
}

}  // namespace zorvane::test
