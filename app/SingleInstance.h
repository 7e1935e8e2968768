#pragma once

// One copy of Zorvane per user: a lock file in the user's runtime folder,
// held for the whole run. A lock left behind by a copy that crashed is
// recognised from the process id written into it and taken over.

#include <QLockFile>
#include <QString>

namespace zorvane::app {

class SingleInstance {
public:
    explicit SingleInstance(const QString& lockPath = defaultLockPath());

    // True when no other copy holds the lock; this copy holds it from now on
    // until it is destroyed. False when another running copy holds it; that
    // copy's lock is left as it is.
    bool tryAcquire();
    bool isHeld() const { return lock_.isLocked(); }

    // zorvane.lock in the user's runtime folder ($XDG_RUNTIME_DIR).
    static QString defaultLockPath();

private:
    QLockFile lock_;
};

}  // namespace zorvane::app
