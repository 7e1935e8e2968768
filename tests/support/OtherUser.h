#pragma once

// Another user of this machine, for tests of what one user can do to
// another's files and locks. Its user and group id belong to no account, so
// nothing is created for it and nothing stays behind: what it makes lies in
// the test's own temporary folders. Commands run as it through setpriv,
// which only root may do. Unix only.

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#if defined(Q_OS_UNIX)

#  include <grp.h>
#  include <pwd.h>
#  include <sys/types.h>
#  include <unistd.h>

namespace zorvane::test {

class OtherUser {
public:
    // The index-th id from 61000 on that no account and no group uses, so
    // that the other users of one test differ from each other.
    explicit OtherUser(int index = 0)
    {
        for (uid_t id = 61000;; ++id) {
            if (::getpwuid(id) || ::getgrgid(id))
                continue;
            if (index-- == 0) {
                id_ = id;
                return;
            }
        }
    }

    // Why no other user can be acted as here; empty when one can.
    static QString unavailable()
    {
        if (::geteuid() != 0)
            return QStringLiteral("acting as another user takes root");
        if (setpriv().isEmpty())
            return QStringLiteral("setpriv (util-linux) is not installed");
        return {};
    }

    uid_t uid() const { return id_; }
    gid_t gid() const { return id_; }

    // Sets `process` up to run `program` as this user, without supplementary
    // groups; it is not started.
    void prepare(QProcess& process, const QString& program, const QStringList& arguments = {}) const
    {
        process.setProgram(setpriv());
        process.setArguments(QStringList{QStringLiteral("--reuid=%1").arg(id_), QStringLiteral("--regid=%1").arg(id_),
                                         QStringLiteral("--clear-groups"), QStringLiteral("--"), program}
                             + arguments);
    }

    // Runs a command as this user to its end; true when it exited with 0.
    // Its standard output and error go to `output`, if given.
    bool run(const QString& program, const QStringList& arguments, QByteArray* output = nullptr) const
    {
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        prepare(process, program, arguments);
        process.start();
        const bool finished = process.waitForFinished();
        if (output)
            *output = process.readAll();
        return finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    }

    // Makes a symbolic link at `link` to `target` as this user.
    bool makeLink(const QString& target, const QString& link) const
    {
        return run(QStringLiteral("ln"), {QStringLiteral("-s"), QStringLiteral("--"), target, link});
    }

    // Gives the file, folder or link itself to this user.
    bool take(const QString& path) const { return ::lchown(QFile::encodeName(path).constData(), id_, id_) == 0; }

private:
    static QString setpriv() { return QStandardPaths::findExecutable(QStringLiteral("setpriv")); }

    uid_t id_ = 0;
};

}  // namespace zorvane::test

#else

namespace zorvane::test {
// Declared only, so that code that may meet another user compiles; where
// there is no such user, nothing may act as one.
class OtherUser;
}  // namespace zorvane::test

#endif  // Q_OS_UNIX
