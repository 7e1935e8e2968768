#include "SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QLockFile>
#include <QStandardPaths>

#include <utility>

#ifndef Q_OS_WIN
#  include <sys/stat.h>
#  include <unistd.h>
#endif

namespace zorvane::app {

namespace {

const QString LockName = QStringLiteral("zorvane.lock");
// Held while one starting copy clears the lock's name and takes the lock.
const QString TurnSuffix = QStringLiteral(".turn");
// Where QLockFile takes its own turn at removing a stale lock.
const QString StaleRemovalSuffix = QStringLiteral(".rmlock");

const QString CannotRemove = QStringLiteral("what stands at its name cannot be removed");

// A turn lasts milliseconds; one older than this belongs to a copy that
// hangs, or is no turn at all (a damaged file).
constexpr int TurnStaleMs = 2000;
constexpr int TurnWaitMs = 5000;
// One round clears what stands at the lock's name and takes the lock; a
// second is needed only when something comes back at the name meanwhile.
constexpr int Attempts = 3;

// Removes whatever stands at `path`: a link itself, never what it leads to;
// a folder with everything in it. True when nothing stands there after.
bool removeEntry(const QString& path)
{
    const QFileInfo entry(path);
    if (entry.isSymLink())
        return QFile::remove(path);
    if (!entry.exists())
        return true;
    return entry.isDir() ? QDir(path).removeRecursively() : QFile::remove(path);
}

// Removes what stands at `path` and cannot be a lock file of this user's
// copies: anything but a regular file, and a file this user may not both
// read and write. None of it is opened, so that a named pipe cannot keep
// the start waiting. False when it stays.
bool removeAllButLockFile(const QString& path)
{
    const QFileInfo entry(path);
    if (!entry.isSymLink() && (!entry.exists() || (entry.isFile() && entry.isReadable() && entry.isWritable())))
        return true;
    return removeEntry(path);
}

QString describe(QLockFile::LockError error)
{
    switch (error) {
    case QLockFile::NoError:
        break;
    case QLockFile::LockFailedError:
        return QStringLiteral("another start held its turn too long");
    case QLockFile::PermissionError:
        return QStringLiteral("it may not be made there");
    case QLockFile::UnknownError:
        return QStringLiteral("it could not be written");
    }
    return {};
}

struct LockFolder {
    QString path;
    bool madeHere;  // made when missing; the runtime folder is the session's
};

#ifdef Q_OS_WIN

// The profile's access list keeps the user's own folders to the user.
bool isPrivateFolder(const QString& path)
{
    const QFileInfo folder(path);
    return folder.isDir() && !folder.isSymLink();
}

QList<LockFolder> lockFolders()
{
    const QDir cache(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation));
    return {{cache.filePath(QStringLiteral("zorvane")), true}};
}

#else

// A folder of this user's that nobody else may enter, list or write to, and
// not a link, which its owner could turn to another folder at any time.
bool isPrivateFolder(const QString& path)
{
    struct stat status {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 && S_ISDIR(status.st_mode)
           && status.st_uid == ::geteuid() && (status.st_mode & (S_IRWXU | S_IRWXG | S_IRWXO)) == S_IRWXU;
}

QList<LockFolder> lockFolders()
{
    const QDir cache(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation));
    return {
        {qEnvironmentVariable("XDG_RUNTIME_DIR"), false},
        // Stand-ins for the runtime folder; another user may have taken the
        // first name already.
        {QDir(QDir::tempPath()).filePath(QStringLiteral("zorvane-%1").arg(::geteuid())), true},
        {cache.filePath(QStringLiteral("zorvane")), true},
    };
}

#endif

}  // namespace

SingleInstance::SingleInstance(QString lockPath)
    : path_(std::move(lockPath))
{}

// QLockFile removes its file as it lets go of the lock.
SingleInstance::~SingleInstance() = default;

bool SingleInstance::isHeld() const
{
    return lock_ && lock_->isLocked();
}

SingleInstance::Outcome SingleInstance::acquire()
{
    if (isHeld())
        return Outcome::Held;
    if (path_.isEmpty()) {
        failure_ = QStringLiteral("No folder of your own was found for the lock file that keeps Zorvane from "
                                  "running twice.");
        return Outcome::Unavailable;
    }
    const QString turnPath = path_ + TurnSuffix;
    QLockFile turn(turnPath);
    turn.setStaleLockTime(TurnStaleMs);
    // Unguarded by any turn: two starts at the same instant that both find
    // something at this name may then both go on, as without the turn.
    if (!removeAllButLockFile(turnPath))
        return unavailable(CannotRemove);
    if (!turn.tryLock(TurnWaitMs))
        return unavailable(describe(turn.error()));
    return takeLock();
}

SingleInstance::Outcome SingleInstance::takeLock()
{
    auto lock = std::make_unique<QLockFile>(path_);
    // Held for the whole run: stale only once its copy has ended.
    lock->setStaleLockTime(0);
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        // QLockFile opens what it finds at either name. Its own turn at
        // removing a stale lock is taken only inside this one, so whatever
        // stands at that name is left over.
        if (!removeAllButLockFile(path_) || !removeEntry(path_ + StaleRemovalSuffix))
            return unavailable(CannotRemove);
        if (lock->tryLock(0)) {
            lock_ = std::move(lock);
            return Outcome::Held;
        }
        if (lock->error() != QLockFile::LockFailedError)
            return unavailable(describe(lock->error()));
        // A lock file that names a process QLockFile found running.
        if (lock->getLockInfo(nullptr, nullptr, nullptr))
            return Outcome::RunningElsewhere;
        // One that names none (empty or garbled) is removed, unless a
        // running copy still holds it.
        if (!lock->removeStaleLockFile() && QFileInfo::exists(path_))
            return Outcome::RunningElsewhere;
    }
    return unavailable(QStringLiteral("what stands at its name keeps coming back"));
}

SingleInstance::Outcome SingleInstance::unavailable(const QString& reason)
{
    failure_ = QStringLiteral("The lock file %1, which keeps Zorvane from running twice, could not be made: %2.")
                   .arg(QDir::toNativeSeparators(path_), reason);
    return Outcome::Unavailable;
}

QString SingleInstance::defaultLockPath()
{
    for (const auto& [folder, madeHere] : lockFolders()) {
        if (!QDir::isAbsolutePath(folder))
            continue;
        if (madeHere) {
            // mkdir fails on whatever stands at the name already, a link too.
            QDir().mkpath(QFileInfo(folder).absolutePath());
            QDir().mkdir(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        if (isPrivateFolder(folder))
            return QDir(folder).filePath(LockName);
    }
    return {};
}

}  // namespace zorvane::app
