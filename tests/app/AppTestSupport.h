#pragma once

// Helpers of the application tests: a catcher for the web pages the program
// asks the desktop to open, a folder holding the picture converter, and an
// end step that counts instead of ending the test process.

#include "AppShell.h"
#include "ConverterLibrary.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QObject>
#include <QStringList>
#include <QTemporaryDir>
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

    QStringList opened;

public Q_SLOTS:
    void open(const QUrl& url) { opened.append(url.toString(QUrl::FullyEncoded)); }
};

// A temporary program folder; with the converter unless told otherwise.
class ProgramFolder {
public:
    explicit ProgramFolder(bool withConverter = true)
    {
        if (withConverter) {
            QFile converter(QDir(dir_.path()).filePath(modSaveForm::ConverterFileName()));
            converter.open(QIODevice::WriteOnly);
        }
    }
    QString path() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
};

// Counts the ends of the program while installed; clears the ending flag on
// installation and removal.
class EndCounter {
public:
    EndCounter()
    {
        app::resetEnding();
        app::setEndStep([this] { ++ends; });
    }
    ~EndCounter()
    {
        app::setEndStep({});
        app::resetEnding();
    }
    EndCounter(const EndCounter&) = delete;
    EndCounter& operator=(const EndCounter&) = delete;

    int ends = 0;
};

}  // namespace zorvane::test
