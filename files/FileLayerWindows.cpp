#include "FileLayer.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <utility>
#include <vector>

#ifndef NOMINMAX
#  define NOMINMAX
#endif
#include <windows.h>

namespace zorvane::files {

namespace {

// Fresh names to try when the one drawn is taken.
constexpr int nameAttempts = 64;

class Win32Handle {
public:
    explicit Win32Handle(HANDLE handle = INVALID_HANDLE_VALUE)
        : handle_(handle)
    {}
    ~Win32Handle()
    {
        if (isOpen())
            ::CloseHandle(handle_);
    }
    Win32Handle(Win32Handle&& other) noexcept
        : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE))
    {}
    Win32Handle& operator=(Win32Handle&& other) noexcept
    {
        std::swap(handle_, other.handle_);
        return *this;
    }

    HANDLE get() const { return handle_; }
    bool isOpen() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

// The errno value of the same meaning as a system error.
int errnoOf(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return EACCES;
    case ERROR_WRITE_PROTECT:
        return EROFS;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_FILE_TOO_LARGE:
        return EFBIG;
    case ERROR_DIRECTORY:
        return ENOTDIR;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return ENOMEM;
    case ERROR_FILENAME_EXCED_RANGE:
        return ENAMETOOLONG;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
        return EINVAL;
    case ERROR_CANT_RESOLVE_FILENAME:
        return ELOOP;
    case ERROR_HANDLE_EOF:
        return ENODATA;
    default:
        return EIO;
    }
}

int lastError()
{
    return errnoOf(::GetLastError());
}

// 0 and the path in wide characters, or EILSEQ for a path that is no UTF-8.
int widePath(std::string_view utf8, std::wstring& wide)
{
    wide.clear();
    if (utf8.empty())
        return 0;
    const int length = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), int(utf8.size()), nullptr, 0);
    if (length <= 0)
        return EILSEQ;
    wide.resize(std::size_t(length));
    ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), int(utf8.size()), wide.data(), length);
    return 0;
}

// 0 and path made absolute against the current folder, or the reason. A
// folder is held by this path, which stays right when the current folder
// changes later.
int makeAbsolute(std::wstring& path)
{
    const DWORD length = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (length == 0)
        return lastError();
    std::wstring full(length, L'\0');
    const DWORD written = ::GetFullPathNameW(path.c_str(), length, full.data(), nullptr);
    if (written == 0 || written >= length)
        return written == 0 ? lastError() : EIO;
    full.resize(written);
    path = std::move(full);
    return 0;
}

std::wstring asciiWide(std::string_view ascii)
{
    return std::wstring(ascii.begin(), ascii.end());
}

// Marks the file for deletion once its last handle closes.
void removeOnClose(HANDLE file)
{
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = TRUE;
    ::SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition);
}

}  // namespace

struct Folder::Handle {
    std::wstring path;  // absolute, ends in a separator
    Win32Handle folder;
    std::string utf8Path;  // as it was opened

    std::wstring entry(std::string_view name) const
    {
        std::wstring wide;
        widePath(name, wide);
        return path + wide;
    }
};

Folder::Folder() = default;
Folder::~Folder() = default;
Folder::Folder(Folder&&) noexcept = default;
Folder& Folder::operator=(Folder&&) noexcept = default;

int Folder::open(std::string_view path)
{
    std::wstring wide;
    if (const int error = widePath(path.empty() ? std::string_view(".") : path, wide))
        return error;
    if (const int error = makeAbsolute(wide))
        return error;
    // Held without sharing deletion: the folder can be neither renamed nor
    // removed while a file is made in it.
    Win32Handle folder(::CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!folder.isOpen() || !::GetFileInformationByHandle(folder.get(), &info))
        return lastError();
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        return ENOTDIR;
    if (wide.back() != L'\\' && wide.back() != L'/')
        wide += L'\\';
    handle_ = std::make_unique<Handle>(Handle{std::move(wide), std::move(folder), std::string(path)});
    return 0;
}

int Folder::openFor(std::string_view path, std::string& name)
{
    const PathParts parts = splitPath(path);
    if (parts.name.empty() || parts.name == "." || parts.name == "..")
        return EISDIR;
    if (const int error = open(parts.folder))
        return error;
    name = parts.name;
    return 0;
}

bool Folder::holds(std::string_view name, const FileIdentity& identity) const
{
    if (!handle_)
        return false;
    const Win32Handle entry(::CreateFileW(
        handle_->entry(name).c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    return entry.isOpen() && ::GetFileInformationByHandle(entry.get(), &info)
           && FileIdentity{info.dwVolumeSerialNumber, (std::uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow}
                  == identity;
}

struct InputFile::Handle {
    Win32Handle file;
};

InputFile::InputFile() = default;
InputFile::~InputFile() = default;

int InputFile::open(std::string_view path)
{
    std::wstring wide;
    if (const int error = widePath(path, wide))
        return error;
    Win32Handle file(::CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.isOpen()) {
        const int error = lastError();
        // A folder cannot be opened as a file at all.
        const DWORD attributes = ::GetFileAttributesW(wide.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) ? EISDIR : error;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileType(file.get()) != FILE_TYPE_DISK)
        return EINVAL;
    if (!::GetFileInformationByHandle(file.get(), &info))
        return lastError();
    size_ = (std::uint64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    identity_ = {info.dwVolumeSerialNumber, (std::uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
    handle_ = std::make_unique<Handle>(Handle{std::move(file)});
    return 0;
}

int InputFile::open(const Folder& folder, std::string_view name)
{
    const DWORD attributes = ::GetFileAttributesW(folder.handle_->entry(name).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return ELOOP;
    std::string path = folder.handle_->utf8Path;
    if (!path.empty() && path.back() != '\\' && path.back() != '/')
        path += '\\';
    return open(path + std::string(name));
}

int InputFile::readAt(void* buffer, std::size_t length, std::uint64_t offset) const
{
    auto* bytes = static_cast<unsigned char*>(buffer);
    for (std::size_t done = 0; done < length;) {
        const std::uint64_t at = offset + done;
        OVERLAPPED position{};
        position.Offset = DWORD(at);
        position.OffsetHigh = DWORD(at >> 32);
        const DWORD chunk = DWORD(std::min<std::size_t>(length - done, 1u << 30));
        DWORD read = 0;
        if (!::ReadFile(handle_->file.get(), bytes + done, chunk, &read, &position))
            return lastError();
        if (read == 0)
            return ENODATA;
        done += read;
    }
    return 0;
}

// The part is held without sharing deletion, so that no other writer's
// clean-up can remove it, until it is committed by a rename through this very
// handle, or removed through it when its last handle closes.
struct NewFile::Handle {
    std::wstring folder;  // ends in a separator
    std::string path;
    Win32Handle file;
    bool committed = false;
};

NewFile::NewFile() = default;

NewFile::~NewFile()
{
    if (handle_ && !handle_->committed)
        removeOnClose(handle_->file.get());
}

namespace {

// Only parts that no handle holds can be removed: a live writer's cannot.
void removeAbandonedParts(const std::wstring& folder)
{
    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileExW((folder + asciiWide(".zorvane-*.part")).c_str(), FindExInfoBasic, &found,
                                             FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::wstring name = found.cFileName;
        // Part names are ASCII.
        const bool ascii = std::all_of(name.begin(), name.end(), [](wchar_t c) { return c < 0x80; });
        if ((found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0 && ascii
            && detail::isPartName(std::string(name.begin(), name.end())))
            ::DeleteFileW((folder + name).c_str());
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
}

}  // namespace

int NewFile::create(const Folder& folder)
{
    const Folder::Handle& in = *folder.handle_;
    removeAbandonedParts(in.path);
    for (int attempt = 0; attempt < nameAttempts; ++attempt) {
        const std::string name = detail::newPartName();
        if (name.empty())
            return EIO;
        Win32Handle file(::CreateFileW(in.entry(name).c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr,
                                       CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.isOpen()) {
            if (::GetLastError() == ERROR_FILE_EXISTS)
                continue;
            return lastError();
        }
        std::string path = in.utf8Path;
        if (!path.empty() && path.back() != '\\' && path.back() != '/')
            path += '\\';
        handle_ = std::make_unique<Handle>(Handle{in.path, path + name, std::move(file)});
        return 0;
    }
    return EEXIST;
}

int NewFile::write(const void* data, std::size_t length)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t done = 0; done < length;) {
        const DWORD chunk = DWORD(std::min<std::size_t>(length - done, 1u << 30));
        DWORD written = 0;
        if (!::WriteFile(handle_->file.get(), bytes + done, chunk, &written, nullptr))
            return lastError();
        if (written == 0)
            return EIO;
        done += written;
    }
    return 0;
}

std::string NewFile::path() const
{
    return handle_->path;
}

int NewFile::commit(std::string_view name, Commit how)
{
    std::wstring wideName;
    if (const int error = widePath(name, wideName))
        return error;
    HANDLE file = handle_->file.get();
    if (!::FlushFileBuffers(file))
        return lastError();
    // The whole path, through the folder held open: a bare name would be
    // taken from the current folder by some systems (Wine) rather than the
    // file's own.
    const std::wstring target = handle_->folder + wideName;
    std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + target.size() * sizeof(wchar_t));
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = how == Commit::Replace ? TRUE : FALSE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = DWORD(target.size() * sizeof(wchar_t));
    std::memcpy(buffer.data() + offsetof(FILE_RENAME_INFO, FileName), target.c_str(), rename->FileNameLength);
    if (how == Commit::Replace) {
        const DWORD attributes = ::GetFileAttributesW(target.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
            return ELOOP;
    }
    if (!::SetFileInformationByHandle(file, FileRenameInfo, rename, DWORD(buffer.size()))) {
        const DWORD error = ::GetLastError();
        // Windows refuses a folder at the name as access denied.
        const DWORD attributes = ::GetFileAttributesW(target.c_str());
        if (how == Commit::Replace && attributes != INVALID_FILE_ATTRIBUTES
            && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            return EISDIR;
        return errnoOf(error);
    }
    handle_->committed = true;
    return 0;
}

}  // namespace zorvane::files
