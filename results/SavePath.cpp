#include "SavePath.h"

#ifdef Q_OS_UNIX
#  include <QByteArray>
#  include <QCoreApplication>
#  include <QDir>
#  include <QFile>
#  include <QStringList>

#  include <algorithm>
#  include <cerrno>
#  include <climits>
#  include <cstring>
#  include <optional>
#  include <sys/stat.h>
#  include <unistd.h>
#else
#  include <QFileInfo>
#endif

namespace zorvane {

#ifdef Q_OS_UNIX

namespace {

// The kernel gives up on a path with more links than this (ELOOP).
constexpr int MaxLinks = 40;

QString tr(const char* text)
{
    return QCoreApplication::translate("SavePath", text);
}

bool lstatOf(const QString& path, struct stat& status)
{
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0;
}

bool mayFollow(const struct stat& link, const struct stat& folder)
{
    const bool sharedSticky = (folder.st_mode & S_ISVTX) && (folder.st_mode & S_IWOTH);
    return !sharedSticky || link.st_uid == ::geteuid() || link.st_uid == folder.st_uid;
}

// The link's own text; nothing, with errno set, when it cannot be read.
std::optional<QString> linkText(const QString& path)
{
    QByteArray buffer(PATH_MAX, '\0');
    const ssize_t length = ::readlink(QFile::encodeName(path).constData(), buffer.data(), buffer.size());
    if (length < 0)
        return std::nullopt;
    if (length >= buffer.size()) {
        errno = ENAMETOOLONG;
        return std::nullopt;
    }
    buffer.truncate(length);
    return QFile::decodeName(buffer);
}

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

}  // namespace

bool isSymbolicLink(const QString& path)
{
    struct stat status {};
    return lstatOf(path, status) && S_ISLNK(status.st_mode);
}

SavePath resolveSavePath(const QString& path)
{
    // Walked one name at a time, as the kernel walks it, so that a link
    // anywhere on the path (a folder as well as the file) meets the rule.
    // "resolved" holds no link; empty stands for the root folder.
    QString start = QDir::fromNativeSeparators(path);
    if (QDir::isRelativePath(start))
        start = QDir::currentPath() + QLatin1Char('/') + start;
    QStringList pending = start.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString resolved;
    int links = 0;

    while (!pending.isEmpty()) {
        const QString name = pending.takeFirst();
        if (name == QLatin1String("."))
            continue;
        if (name == QLatin1String("..")) {
            resolved.truncate(std::max<qsizetype>(0, resolved.lastIndexOf(QLatin1Char('/'))));
            continue;
        }
        const QString entry = resolved + QLatin1Char('/') + name;
        struct stat link {};
        // A name that does not exist yet is created by the save (or, inside a
        // missing folder, makes it fail with its own reason).
        if (!lstatOf(entry, link) || !S_ISLNK(link.st_mode)) {
            resolved = entry;
            continue;
        }

        struct stat folder {};
        const QString folderPath = resolved.isEmpty() ? QStringLiteral("/") : resolved;
        if (!lstatOf(folderPath, folder))
            return {{}, systemReason(errno)};
        if (!mayFollow(link, folder)) {
            return {{},
                    tr("%1 is a symbolic link that another user placed in a shared folder. It was not followed, "
                       "so that the reading cannot be written over the file it leads to.")
                        .arg(QDir::toNativeSeparators(entry))};
        }
        if (++links > MaxLinks)
            return {{}, systemReason(ELOOP)};
        const std::optional<QString> target = linkText(entry);
        if (!target)
            return {{}, systemReason(errno)};
        if (target->startsWith(QLatin1Char('/')))
            resolved.clear();
        pending = target->split(QLatin1Char('/'), Qt::SkipEmptyParts) + pending;
    }
    return {resolved.isEmpty() ? QStringLiteral("/") : resolved, {}};
}

#else  // Q_OS_UNIX

bool isSymbolicLink(const QString& path)
{
    return QFileInfo(path).isSymbolicLink();
}

SavePath resolveSavePath(const QString& path)
{
    return {path, {}};
}

#endif  // Q_OS_UNIX

}  // namespace zorvane
