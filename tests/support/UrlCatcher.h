#pragma once

// Collects the addresses handed to the desktop instead of opening them, for
// as long as it lives. It hears web pages (http, https), local files (file)
// and addresses without a scheme (relative ones); hear() adds any other
// scheme. Addresses are kept in their fully encoded form.

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

    // Catches the addresses of scheme too, until the catcher ends.
    void hear(const QString& scheme);

    QStringList opened;

public Q_SLOTS:
    void open(const QUrl& url);

private:
    QStringList schemes_;
};

}  // namespace zorvane::test
