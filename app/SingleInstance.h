#pragma once

// One copy of Zorvane per user: a lock file, held for the whole run by an
// exclusive flock(2). The kernel lets go of it when the holder ends, however
// it ends, so a lock is held exactly while a copy runs: whatever else stands
// at the lock's name (a file left by a copy that crashed, an empty or
// garbled file, a folder, a link) holds nothing and is taken over.
//
// Systems without flock (Windows) use a QLockFile in the user's cache
// folder instead, stale when the process it names has ended or when it
// names none (an empty or garbled file).

#include <QString>

#include <memory>

class QLockFile;

namespace zorvane::app {

class SingleInstance {
public:
    explicit SingleInstance(const QString& lockPath = defaultLockPath());
    // Removes the lock file, then lets go of the lock.
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // False when another running copy holds the lock, which is then left as
    // it is; true otherwise. This copy holds the lock from now on until it
    // is destroyed, unless no lock could be made at all (no usable folder),
    // which is logged and does not keep the program from running.
    bool tryAcquire();
    bool isHeld() const;

    // zorvane.lock in the user's runtime folder ($XDG_RUNTIME_DIR). When that
    // is unusable (unset, missing, not a private folder of this user's, or
    // one they may not write to), a private folder of this user's in the
    // temporary folder, else in the cache folder, created when missing: never
    // a place another user can write to. Where the lock is a QLockFile,
    // zorvane.lock in the user's cache folder. Empty when there is no such
    // place.
    static QString defaultLockPath();

private:
    // Takes the lock at path_; false only when another running copy holds it.
    bool takeLock();

    QString path_;
#ifdef Q_OS_UNIX
    int descriptor_ = -1;
#else
    std::unique_ptr<QLockFile> lockFile_;
#endif
};

}  // namespace zorvane::app
