#include "SingleInstance.h"

#include <QDir>
#include <QStandardPaths>

namespace zorvane::app {

SingleInstance::SingleInstance(const QString& lockPath)
    : lock_(lockPath)
{
    // The lock is held for as long as the program runs, so its age says
    // nothing: only a holder that no longer runs makes it stale.
    lock_.setStaleLockTime(0);
}

bool SingleInstance::tryAcquire()
{
    if (lock_.isLocked())
        return true;
    return lock_.tryLock(0);
}

QString SingleInstance::defaultLockPath()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return QDir(folder).filePath(QStringLiteral("zorvane.lock"));
}

}  // namespace zorvane::app
