#include "ChosenFile.h"

#include "FileLayer.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstring>
#include <string>

namespace zorvane::results {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("ChosenFile", text);
}

// The words of an errno value, which the file layer gives on every system.
QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

}  // namespace

QString writeChosenFile(const QString& path, const QByteArray& contents)
{
    files::Folder folder;
    std::string name;
    if (const int error = folder.openFor(path.toUtf8().toStdString(), name)) {
        if (error != EACCES)
            return systemReason(error);
        return tr("%1: a folder on the way may not be entered, or a symbolic link on the way belongs to another user "
                  "who can change where it leads, so it was not followed.")
            .arg(systemReason(error));
    }
    files::NewFile file;
    int error = file.create(folder);
    if (error == 0)
        error = file.write(contents.constData(), std::size_t(contents.size()));
    if (error == 0)
        error = file.commit(name, files::Commit::Replace);
    if (error == ELOOP)
        return tr("A symbolic link was put at the name while the file was written. It was not followed.");
    return error != 0 ? systemReason(error) : QString();
}

}  // namespace zorvane::results
