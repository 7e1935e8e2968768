#pragma once

// One copy of Zorvane per user: a QLockFile, held for the whole run, in a
// folder that only this user can write to. A lock whose copy has ended (it
// crashed) is stale and taken over, and so is whatever else stands at the
// lock's name while no running copy holds it: an empty or garbled file, a
// file this user cannot read or write, a folder, a link (never what it leads
// to), a named pipe. Starting copies take turns at the lock, so that of two
// started together exactly one runs.

#include <QString>

#include <memory>

class QLockFile;

namespace zorvane::app {

class SingleInstance {
public:
    explicit SingleInstance(QString lockPath = defaultLockPath());
    // Removes the lock file as it lets go of the lock.
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    enum class Outcome {
        Held,              // this copy holds the lock until it is destroyed
        RunningElsewhere,  // another running copy holds it; it is left as it is
        Unavailable,       // no lock could be had: failure() says why
    };
    Outcome acquire();
    bool isHeld() const;
    // Why the lock is unavailable: a sentence for the person using Zorvane.
    QString failure() const { return failure_; }

    // zorvane.lock in the first of these that is a folder of this user's
    // alone: the runtime folder ($XDG_RUNTIME_DIR), made by the session;
    // zorvane-<user id> in the temporary folder, then zorvane in the cache
    // folder, each made when missing. On Windows, whose profile folders are
    // the user's alone, zorvane in the user's cache folder. Empty when there
    // is none, as when another user has taken the name in the temporary
    // folder and the home folder is read-only.
    static QString defaultLockPath();

private:
    Outcome takeLock();
    Outcome unavailable(const QString& reason);

    QString path_;
    std::unique_ptr<QLockFile> lock_;
    QString failure_;
};

}  // namespace zorvane::app
