#include "FileLayer.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zorvane::files {

namespace {

// The kernel follows at most this many links in one path.
constexpr int maxLinks = 40;
// Fresh names to try when the one drawn is taken.
constexpr int nameAttempts = 64;

class Descriptor {
public:
    explicit Descriptor(int fd = -1)
        : fd_(fd)
    {}
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(Descriptor&& other) noexcept
        : fd_(std::exchange(other.fd_, -1))
    {}
    Descriptor& operator=(Descriptor&& other) noexcept
    {
        std::swap(fd_, other.fd_);
        return *this;
    }

    int get() const { return fd_; }
    bool isOpen() const { return fd_ >= 0; }

private:
    int fd_;
};

// The system's reason for the last failure, never 0.
int lastError()
{
    return errno != 0 ? errno : EIO;
}

// Whether a link, lying in folder, may choose for this user where a file goes.
bool mayFollow(const struct stat& link, const struct stat& folder)
{
    if (link.st_uid == ::geteuid() || link.st_uid == 0)
        return true;
    // A folder's owner may change its permissions at will; a group's members
    // are not looked up: a group-writable folder counts as the link owner's.
    const bool ownerMayWrite = folder.st_uid == link.st_uid || (folder.st_mode & (S_IWGRP | S_IWOTH)) != 0;
    return !ownerMayWrite;
}

// The link's own text, read through the link's descriptor.
int readLink(int link, std::string& text)
{
    char buffer[PATH_MAX];
    const ssize_t length = ::readlinkat(link, "", buffer, sizeof buffer);
    if (length < 0)
        return lastError();
    if (std::size_t(length) >= sizeof buffer)
        return ENAMETOOLONG;
    text.assign(buffer, std::size_t(length));
    return 0;
}

void removeAbandonedParts(int folder)
{
    const int listingFd = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* listing = listingFd >= 0 ? ::fdopendir(listingFd) : nullptr;
    if (!listing) {
        if (listingFd >= 0)
            ::close(listingFd);
        return;
    }
    while (const dirent* entry = ::readdir(listing)) {
        if (!detail::isPartName(entry->d_name))
            continue;
        // A writer holds its part locked from its creation to its commit.
        const Descriptor part(::openat(folder, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat info {};
        if (part.isOpen() && ::fstat(part.get(), &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid()
            && ::flock(part.get(), LOCK_EX | LOCK_NB) == 0)
            ::unlinkat(folder, entry->d_name, 0);
    }
    ::closedir(listing);
}

// Makes the folder's entries durable; a failure leaves them as they are.
void syncFolder(int folder)
{
    const Descriptor readable(::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (readable.isOpen())
        ::fsync(readable.get());
}

Descriptor rootFolder()
{
    return Descriptor(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
}

// Where the walk of path begins.
Descriptor startOf(std::string_view path)
{
    return path.starts_with('/') ? rootFolder() : Descriptor(::open(".", O_PATH | O_DIRECTORY | O_CLOEXEC));
}

// The text of the link entry, standing in folder, when this user may follow
// it: 0, EACCES, ELOOP beyond the kernel's number of links, or the reason.
int linkToFollow(const Descriptor& folder, const Descriptor& entry, const struct stat& entryInfo, int& links,
                 std::string& target)
{
    struct stat folderInfo {};
    if (::fstat(folder.get(), &folderInfo) != 0)
        return lastError();
    if (!mayFollow(entryInfo, folderInfo))
        return EACCES;
    if (++links > maxLinks)
        return ELOOP;
    return readLink(entry.get(), target);
}

// Walks the folders of pending from current, one name at a time; links
// counts the links followed on the whole path.
int walk(Descriptor& current, std::string pending, int& links)
{
    constexpr int walkFlags = O_PATH | O_NOFOLLOW | O_CLOEXEC;
    // The names still to walk, a link's own in front of those after it.
    while (current.isOpen() && !pending.empty()) {
        const std::size_t slash = pending.find('/');
        const std::string name = pending.substr(0, slash);
        pending.erase(0, slash == std::string::npos ? slash : slash + 1);
        if (name.empty() || name == ".")
            continue;
        Descriptor entry(::openat(current.get(), name.c_str(), walkFlags));
        struct stat entryInfo {};
        if (!entry.isOpen() || ::fstat(entry.get(), &entryInfo) != 0)
            return lastError();
        if (S_ISDIR(entryInfo.st_mode)) {
            current = std::move(entry);
            continue;
        }
        if (!S_ISLNK(entryInfo.st_mode))
            return ENOTDIR;
        std::string target;
        if (const int error = linkToFollow(current, entry, entryInfo, links, target))
            return error;
        if (target.starts_with('/'))
            current = rootFolder();
        pending = target + '/' + pending;
    }
    return current.isOpen() ? 0 : lastError();
}

// The path of the folder reached from folder by relative.
std::string joinPath(const std::string& folder, const std::string& relative)
{
    if (relative == ".")
        return folder;
    return folder.ends_with('/') ? folder + relative : folder + '/' + relative;
}

// Whether file, opened for reading, is a regular file: 0, EISDIR for a
// folder, EINVAL for anything else, or the reason it could not be opened.
int regularFile(const Descriptor& file, struct stat& info)
{
    if (!file.isOpen() || ::fstat(file.get(), &info) != 0)
        return lastError();
    if (!S_ISREG(info.st_mode))
        return S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
    return 0;
}

// Not blocking, so that a named pipe cannot stall the open.
constexpr int readFlags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;

}  // namespace

struct Folder::Handle {
    Descriptor fd;
    std::string path;
};

Folder::Folder() = default;
Folder::~Folder() = default;
Folder::Folder(Folder&&) noexcept = default;
Folder& Folder::operator=(Folder&&) noexcept = default;

int Folder::open(std::string_view path)
{
    Descriptor current = startOf(path);
    int links = 0;
    if (const int error = walk(current, std::string(path), links))
        return error;
    handle_ = std::make_unique<Handle>(Handle{std::move(current), std::string(path.empty() ? "." : path)});
    return 0;
}

int Folder::openFor(std::string_view path, std::string& name)
{
    PathParts parts = splitPath(path);
    Descriptor current = startOf(path);
    std::string shownPath = parts.folder;
    int links = 0;
    if (const int error = walk(current, parts.folder, links))
        return error;
    for (;;) {
        if (parts.name.empty() || parts.name == "." || parts.name == "..")
            return EISDIR;
        const Descriptor entry(::openat(current.get(), parts.name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
        struct stat entryInfo {};
        if (!entry.isOpen() && errno != ENOENT)
            return lastError();
        if (!entry.isOpen())
            break;
        if (::fstat(entry.get(), &entryInfo) != 0)
            return lastError();
        if (!S_ISLNK(entryInfo.st_mode))
            break;
        std::string target;
        if (const int error = linkToFollow(current, entry, entryInfo, links, target))
            return error;
        parts = splitPath(target);
        if (target.starts_with('/')) {
            current = rootFolder();
            shownPath = parts.folder;
        } else {
            shownPath = joinPath(shownPath, parts.folder);
        }
        if (const int error = walk(current, parts.folder, links))
            return error;
    }
    name = parts.name;
    handle_ = std::make_unique<Handle>(Handle{std::move(current), std::move(shownPath)});
    return 0;
}

bool Folder::holds(std::string_view name, const FileIdentity& identity) const
{
    struct stat info {};
    return handle_ && ::fstatat(handle_->fd.get(), std::string(name).c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0
           && FileIdentity{std::uint64_t(info.st_dev), std::uint64_t(info.st_ino)} == identity;
}

struct InputFile::Handle {
    Descriptor fd;
};

InputFile::InputFile() = default;
InputFile::~InputFile() = default;

int InputFile::take(Handle opened)
{
    struct stat info {};
    if (const int error = regularFile(opened.fd, info))
        return error;
    size_ = std::uint64_t(info.st_size);
    identity_ = {std::uint64_t(info.st_dev), std::uint64_t(info.st_ino)};
    handle_ = std::make_unique<Handle>(std::move(opened));
    return 0;
}

int InputFile::open(std::string_view path)
{
    return take({Descriptor(::open(std::string(path).c_str(), readFlags))});
}

int InputFile::open(const Folder& folder, std::string_view name)
{
    const int folderFd = folder.handle_->fd.get();
    const std::string entry(name);
    // A device is not even opened: opening some does something.
    struct stat info {};
    if (::fstatat(folderFd, entry.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return lastError();
    if (S_ISLNK(info.st_mode))
        return ELOOP;
    if (!S_ISREG(info.st_mode))
        return S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
    // What was looked at may have been replaced since.
    return take({Descriptor(::openat(folderFd, entry.c_str(), readFlags | O_NOFOLLOW))});
}

int InputFile::readAt(void* buffer, std::size_t length, std::uint64_t offset) const
{
    auto* bytes = static_cast<unsigned char*>(buffer);
    for (std::size_t done = 0; done < length;) {
        const ssize_t n = ::pread(handle_->fd.get(), bytes + done, length - done, off_t(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return lastError();
        if (n == 0)
            return ENODATA;
        done += std::size_t(n);
    }
    return 0;
}

struct NewFile::Handle {
    int folder = -1;
    std::string folderPath;
    std::string name;
    Descriptor fd;
    bool committed = false;
};

NewFile::NewFile() = default;

NewFile::~NewFile()
{
    // Removed while still locked, so that no other writer's clean-up meets it.
    if (handle_ && !handle_->committed)
        ::unlinkat(handle_->folder, handle_->name.c_str(), 0);
}

int NewFile::create(const Folder& folder)
{
    const int folderFd = folder.handle_->fd.get();
    const std::string& folderPath = folder.handle_->path;
    removeAbandonedParts(folderFd);
    for (int attempt = 0; attempt < nameAttempts; ++attempt) {
        std::string name = detail::newPartName();
        if (name.empty())
            return EIO;
        // 0666: the committed file gets what the user's umask gives any new file.
        Descriptor file(
            ::openat(folderFd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0666));
        if (!file.isOpen()) {
            if (errno == EEXIST)
                continue;
            return lastError();
        }
        // Another writer's clean-up may have taken the part between its
        // creation and the lock: then it has no name left. On a file system
        // without locks nothing is locked, nor taken for abandoned.
        ::flock(file.get(), LOCK_EX);
        struct stat info {};
        if (::fstat(file.get(), &info) == 0 && info.st_nlink > 0) {
            handle_ = std::make_unique<Handle>(Handle{folderFd, folderPath, std::move(name), std::move(file)});
            return 0;
        }
    }
    return EEXIST;
}

int NewFile::write(const void* data, std::size_t length)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t done = 0; done < length;) {
        const ssize_t n = ::write(handle_->fd.get(), bytes + done, length - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n == 0 ? EIO : lastError();
        done += std::size_t(n);
    }
    return 0;
}

std::string NewFile::path() const
{
    const std::string& folder = handle_->folderPath;
    return folder.ends_with('/') ? folder + handle_->name : folder + '/' + handle_->name;
}

int NewFile::commit(std::string_view name, Commit how)
{
    const std::string target(name);
    const int folder = handle_->folder;
    const char* part = handle_->name.c_str();
    if (how == Commit::Replace) {
        struct stat old {};
        if (::fstatat(folder, target.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0) {
            if (S_ISLNK(old.st_mode))
                return ELOOP;
            if (S_ISREG(old.st_mode))
                ::fchmod(handle_->fd.get(), old.st_mode & 0777);
        }
    }
    if (::fsync(handle_->fd.get()) != 0)
        return lastError();
    if (how == Commit::Replace) {
        if (::renameat(folder, part, folder, target.c_str()) != 0)
            return lastError();
    } else if (::renameat2(folder, part, folder, target.c_str(), RENAME_NOREPLACE) != 0) {
        // File systems without an exclusive rename: a new link fails just the
        // same when the name is taken.
        if (errno != EINVAL && errno != ENOSYS)
            return lastError();
        if (::linkat(folder, part, folder, target.c_str(), 0) != 0)
            return lastError();
        ::unlinkat(folder, part, 0);
    }
    handle_->committed = true;
    syncFolder(folder);
    return 0;
}

}  // namespace zorvane::files
