#pragma once

// Writing a new file only where the user chose it, and reading a file whole.
// Plain C++, no Qt: the converter library uses it, as may every save of the
// program.
//
// Paths are UTF-8 on every system (Windows opens them with its wide-character
// calls, so names outside the ANSI code page work). Every failure is reported
// as an errno value (on Windows the system's error mapped to the errno value
// of the same meaning, EIO where there is none): ENOSPC for a full disk, EFBIG
// beyond the file size limit, EACCES for a folder closed to this user.
//
// A save goes: open the folder of the chosen path (Folder::open), make a
// NewFile in it, write, and commit it under the chosen name, either as a new
// file only or replacing what stands there. Until the commit the file has a
// hidden unique name (".zorvane-<random>.part") in that folder and is held
// for its writer; it reaches the disk before it takes the chosen name, and a
// file that is not committed is removed. A part that a killed writer left
// behind is removed by the next NewFile made in that folder: only regular
// files that no live writer holds, and on POSIX systems only this user's.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace zorvane::files {

// Two open files with equal identities are one file.
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    bool operator==(const FileIdentity&) const = default;
};

// A path cut at its last separator ("/", and "\" on Windows): the folder
// before it ("." when there is none; a root folder keeps its separator) and
// the name after it (empty when the path ends in a separator).
struct PathParts {
    std::string folder;
    std::string name;
};
PathParts splitPath(std::string_view path);

// A folder held open, so that every name below refers to this one folder
// whatever happens to its path meanwhile.
class Folder {
public:
    Folder();
    ~Folder();
    Folder(Folder&&) noexcept;
    Folder& operator=(Folder&&) noexcept;

    // Opens the folder at path; 0 or the reason it cannot be written into.
    // On POSIX systems the path is walked one name at a time without following
    // any link by itself: a link is followed only when it is this user's or
    // root's, or when its owner cannot write the folder it stands in (nor
    // change that folder's permissions): a link that another user may place
    // is not this user's choice. Such a link is refused with EACCES, as the
    // kernel's protected_symlinks rule refuses one; ".." is the parent of the
    // folder reached, as the kernel takes it; more than 40 links are ELOOP.
    // Windows follows the path as the system does.
    int open(std::string_view path);
    // Opens the folder in which the file at path stands or is to stand, and
    // gives the file's name in it. A link at the final name is followed as
    // open() follows one, on to the name it leads to, which need not exist
    // yet; so the file a user's own link leads to is the one written. EISDIR
    // when the path ends in a folder's name ("", ".", ".."). Windows takes
    // the name as it stands.
    int openFor(std::string_view path, std::string& name);

    // Whether what stands at name (a link not followed) is the file identity.
    bool holds(std::string_view name, const FileIdentity& identity) const;

private:
    friend class NewFile;
    friend class InputFile;
    struct Handle;
    std::unique_ptr<Handle> handle_;
};

// A file opened for reading, whole and at once: a regular file only.
class InputFile {
public:
    InputFile();
    ~InputFile();

    // 0, or the reason: EISDIR for a folder, EINVAL for anything else that is
    // no regular file (a named pipe is not waited for). Links are followed.
    int open(std::string_view path);
    // The same for the file at name in folder, without following a link
    // there (ELOOP); on POSIX systems anything but a regular file is refused
    // without being opened.
    int open(const Folder& folder, std::string_view name);

    std::uint64_t size() const { return size_; }
    const FileIdentity& identity() const { return identity_; }

    // Reads length bytes from offset; 0, ENODATA when the file ends before
    // them (it was cut short since it was opened), or the reason.
    int readAt(void* buffer, std::size_t length, std::uint64_t offset) const;

private:
    struct Handle;
    // Keeps an opened file if it is a regular one; 0 or the reason.
    int take(Handle opened);

    std::unique_ptr<Handle> handle_;
    std::uint64_t size_ = 0;
    FileIdentity identity_;
};

enum class Commit {
    NewOnly,  // never replaces anything at the name, whenever it appeared
    // Replaces a file there; the new one keeps its permission bits (on
    // Windows it has the permissions that its folder gives new files).
    Replace,
};

class NewFile {
public:
    NewFile();
    // Removes the file unless it was committed.
    ~NewFile();

    // Makes the file in folder, which must outlive it; 0 or the reason.
    int create(const Folder& folder);
    // Writes all of data; 0 or the reason.
    int write(const void* data, std::size_t length);
    // Where another program may open the file until it is committed or
    // removed: its hidden name in the folder's path as it was opened.
    std::string path() const;
    // Flushes the file to the disk and gives it name in its folder: 0, or
    // EEXIST when NewOnly finds anything at all at the name, ELOOP when
    // Replace finds a link there, or the reason. Once committed the file is
    // the caller's; after a failure it is still removed.
    int commit(std::string_view name, Commit how);

private:
    struct Handle;
    std::unique_ptr<Handle> handle_;
};

// Helpers that both systems' code shares.
namespace detail {

// A fresh hidden part name; empty when the system gives no random numbers.
std::string newPartName();
bool isPartName(std::string_view name);

}  // namespace detail

}  // namespace zorvane::files
