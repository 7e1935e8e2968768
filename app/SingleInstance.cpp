#include "SingleInstance.h"

#include "Logging.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#ifdef Q_OS_UNIX
#  include <QElapsedTimer>
#  include <QThread>

#  include <cerrno>
#  include <cstring>
#  include <fcntl.h>
#  include <sys/file.h>
#  include <sys/stat.h>
#  include <unistd.h>
#else
#  include <QLockFile>
#endif

namespace zorvane::app {

namespace {

const QString LockName = QStringLiteral("zorvane.lock");

}  // namespace

SingleInstance::SingleInstance(const QString& lockPath)
    : path_(lockPath)
{}

bool SingleInstance::tryAcquire()
{
    if (isHeld())
        return true;
    if (path_.isEmpty()) {
        qCWarning(lcProgram) << "No private folder for the single-instance lock: this copy runs without one.";
        return true;
    }
    return takeLock();
}

#ifdef Q_OS_UNIX

namespace {

// Looks at the lock's name: enough for clearing what stands there and for a
// copy ending at the same moment; more means the name keeps changing.
constexpr int Attempts = 8;
// Copies starting together take turns at the lock's folder, each for a
// moment; a folder held longer than this is held by something else.
constexpr qint64 TurnWaitMs = 3000;

QByteArray encoded(const QString& path)
{
    return QFile::encodeName(path);
}

bool sameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// A folder of this user's that nobody else may enter, list or write to, and
// not a link, which its owner could turn to another folder at any time. The
// user may do all three: a lock is made in it.
bool isPrivateFolder(const QString& path)
{
    struct stat status {};
    return ::lstat(encoded(path).constData(), &status) == 0 && S_ISDIR(status.st_mode) && status.st_uid == ::geteuid()
           && (status.st_mode & (S_IRWXU | S_IRWXG | S_IRWXO)) == S_IRWXU;
}

// Makes the folder, private, when nothing stands at its name yet; true when
// a private folder of this user's stands there afterwards.
bool makePrivateFolder(const QString& path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    // mkdir never follows a link and fails on anything already there.
    ::mkdir(encoded(path).constData(), S_IRWXU);
    return isPrivateFolder(path);
}

// The lock's folder, held while one starting copy looks at the lock's name,
// so that a copy clearing damage never removes a lock file another copy has
// just made.
class FolderTurn {
public:
    explicit FolderTurn(const QString& folder)
        : descriptor_(::open(encoded(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {
        QElapsedTimer waited;
        waited.start();
        while (descriptor_ >= 0 && ::flock(descriptor_, LOCK_EX | LOCK_NB) != 0) {
            if ((errno != EWOULDBLOCK && errno != EINTR) || waited.elapsed() > TurnWaitMs) {
                ::close(descriptor_);
                descriptor_ = -1;
                break;
            }
            QThread::msleep(1);
        }
    }
    ~FolderTurn()
    {
        if (descriptor_ >= 0)
            ::close(descriptor_);
    }
    FolderTurn(const FolderTurn&) = delete;
    FolderTurn& operator=(const FolderTurn&) = delete;

    bool held() const { return descriptor_ >= 0; }

private:
    int descriptor_;
};

// Clears what stands at the lock's name and is no lock file: a folder with
// everything in it, or a link (not what it leads to), a pipe, a socket.
bool removeEntry(const QString& path, const struct stat& entry)
{
    if (S_ISDIR(entry.st_mode))
        return QDir(path).removeRecursively();
    return ::unlink(encoded(path).constData()) == 0;
}

// For a person looking at the file; the lock itself is the flock.
void writeProcessId(int descriptor)
{
    const QByteArray text = QByteArray::number(::getpid()) + '\n';
    if (::ftruncate(descriptor, 0) == 0 && ::pwrite(descriptor, text.constData(), text.size(), 0) < 0)
        ::ftruncate(descriptor, 0);
}

}  // namespace

SingleInstance::~SingleInstance()
{
    if (!isHeld())
        return;
    // Removed while still held, so that no copy starting now takes a file
    // that is about to go; one that has opened it already finds it gone from
    // the name once it gets the lock, and starts over.
    struct stat held {
    }, atName{};
    if (::fstat(descriptor_, &held) == 0 && ::lstat(encoded(path_).constData(), &atName) == 0 && sameFile(held, atName))
        ::unlink(encoded(path_).constData());
    ::close(descriptor_);
}

bool SingleInstance::isHeld() const
{
    return descriptor_ >= 0;
}

bool SingleInstance::takeLock()
{
    const QByteArray name = encoded(path_);
    const FolderTurn turn(QFileInfo(path_).absolutePath());
    int failure = 0;
    for (int attempt = 0; attempt < Attempts && failure == 0; ++attempt) {
        struct stat entry {};
        if (::lstat(name.constData(), &entry) == 0 && !S_ISREG(entry.st_mode)) {
            errno = 0;
            if (!turn.held())
                failure = EBUSY;
            else if (!removeEntry(path_, entry))
                failure = errno != 0 ? errno : EPERM;
            continue;
        }

        const int descriptor =
            ::open(name.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, S_IRUSR | S_IWUSR);
        if (descriptor < 0) {
            const int error = errno;
            // A file this user may not open is no lock of one of their copies.
            if (error == EACCES && turn.held() && ::unlink(name.constData()) == 0)
                continue;
            // Anything else is a name that changed since it was looked at.
            if (error != ELOOP && error != EISDIR && error != ENXIO && error != ENOENT)
                failure = error;
            continue;
        }
        if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            ::close(descriptor);
            if (error == EWOULDBLOCK)
                return false;
            failure = error;
            continue;
        }
        struct stat locked {
        }, atName{};
        if (::fstat(descriptor, &locked) != 0 || ::lstat(name.constData(), &atName) != 0 || !S_ISREG(locked.st_mode)
            || !sameFile(locked, atName)) {
            ::close(descriptor);
            continue;
        }
        writeProcessId(descriptor);
        descriptor_ = descriptor;
        return true;
    }

    // Not knowing of another copy is no reason to keep this one from running.
    qCWarning(lcProgram).noquote() << "The single-instance lock" << path_ << "could not be taken:"
                                   << QString::fromLocal8Bit(std::strerror(failure != 0 ? failure : EAGAIN))
                                   << "- this copy runs without it.";
    return true;
}

QString SingleInstance::defaultLockPath()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (QDir::isAbsolutePath(runtime) && isPrivateFolder(runtime))
        return QDir(runtime).filePath(LockName);

    // Stand-ins for the runtime folder, each this user's alone; another user
    // may have put something at the first name already.
    const QStringList standIns{
        QDir(QDir::tempPath()).filePath(QStringLiteral("zorvane-%1").arg(::geteuid())),
        QDir(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation))
            .filePath(QStringLiteral("zorvane")),
    };
    for (const QString& folder : standIns) {
        if (QDir::isAbsolutePath(folder) && makePrivateFolder(folder))
            return QDir(folder).filePath(LockName);
    }
    return {};
}

#else  // Q_OS_UNIX

// QLockFile removes its file as it lets go of the lock.
SingleInstance::~SingleInstance() = default;

bool SingleInstance::isHeld() const
{
    return lockFile_ && lockFile_->isLocked();
}

bool SingleInstance::takeLock()
{
    auto lockFile = std::make_unique<QLockFile>(path_);
    // Held for the whole run: stale only when the process it names has
    // ended, however old it is.
    lockFile->setStaleLockTime(0);
    if (lockFile->tryLock(0)) {
        lockFile_ = std::move(lockFile);
        return true;
    }
    if (lockFile->error() == QLockFile::LockFailedError) {
        // A lock that names no process (empty or damaged) is stale whatever
        // it holds; the removal fails while a running copy keeps it open.
        qint64 pid = 0;
        QString hostName;
        QString appName;
        if (lockFile->getLockInfo(&pid, &hostName, &appName) || !lockFile->removeStaleLockFile()
            || !lockFile->tryLock(0))
            return false;
        lockFile_ = std::move(lockFile);
        return true;
    }
    // Not knowing of another copy is no reason to keep this one from running.
    const char* reason = lockFile->error() == QLockFile::PermissionError ? "no permission" : "an unknown error";
    qCWarning(lcProgram).noquote() << "The single-instance lock" << path_ << "could not be taken:" << reason
                                   << "- this copy runs without it.";
    return true;
}

// zorvane.lock in the user's own cache folder, created when missing.
QString SingleInstance::defaultLockPath()
{
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (!QDir::isAbsolutePath(cache))
        return {};
    const QString folder = QDir(cache).filePath(QStringLiteral("zorvane"));
    return QDir().mkpath(folder) ? QDir(folder).filePath(LockName) : QString();
}

#endif  // Q_OS_UNIX

}  // namespace zorvane::app
