#pragma once

// Collects the addresses handed to the desktop, over http and https, instead
// of opening a browser, for as long as it lives. Addresses are kept in their
// fully encoded form.

#include <QObject>
#include <QStringList>

class QUrl;

namespace zorvane::test {

class UrlCatcher : public QObject {
    Q_OBJECT
public:
    UrlCatcher();
    ~UrlCatcher() override;
    UrlCatcher(const UrlCatcher&) = delete;
    UrlCatcher& operator=(const UrlCatcher&) = delete;

    QStringList opened;

public Q_SLOTS:
    void open(const QUrl& url);
};

}  // namespace zorvane::test
