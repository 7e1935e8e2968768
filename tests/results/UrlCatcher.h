#pragma once

// Collects the addresses handed to the desktop, over http and https, instead
// of opening a browser, for as long as it lives. A test listing this header
// among its sources gets its meta-object.

#include <QDesktopServices>
#include <QList>
#include <QObject>
#include <QUrl>

namespace zorvane::test {

class UrlCatcher : public QObject {
    Q_OBJECT
public:
    UrlCatcher()
    {
        for (const char* scheme : {"https", "http"})
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "open");
    }
    ~UrlCatcher() override
    {
        for (const char* scheme : {"https", "http"})
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }
    UrlCatcher(const UrlCatcher&) = delete;
    UrlCatcher& operator=(const UrlCatcher&) = delete;

    QList<QUrl> opened;

public Q_SLOTS:
    void open(const QUrl& url) { opened << url; }
};

}  // namespace zorvane::test
