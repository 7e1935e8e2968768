#pragma once

// Where a save really writes when the chosen name is, or passes through, a
// symbolic link. Links are followed as the kernel's protected_symlinks rule
// follows them on open: a link in a world-writable sticky folder (such as
// /tmp) is followed only when it belongs to this user or to the folder's
// owner. Anyone may plant a link in such a folder, at a name someone else is
// about to save to, to turn that save onto a file of the saver's.
//
// Elsewhere (Windows) there are no such shared folders: the path is saved to
// as it is.

#include <QString>

namespace zorvane {

struct SavePath {
    // The path with every link on it followed: the file a save creates or
    // replaces. Empty when refused.
    QString target;
    // Why the path may not be saved to, for the person; empty when it may.
    QString refusal;
};

SavePath resolveSavePath(const QString& path);

// True when the entry at `path` is a symbolic link (not followed).
bool isSymbolicLink(const QString& path);

}  // namespace zorvane
