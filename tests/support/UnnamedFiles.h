#pragma once

// The export and the converter write into files without a name where the
// file system allows it, and fall back on hidden names elsewhere. A test
// registered a second time with ZORVANE_TEST_WITHOUT_UNNAMED_FILES=1 runs as
// on a file system without unnamed files: every open asking for one fails with
// EOPNOTSUPP, in this process and in every process it starts.

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <cerrno>
#include <cstddef>

#include <fcntl.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace zorvane::test {

inline bool withoutUnnamedFilesRequested()
{
    return qEnvironmentVariableIntValue("ZORVANE_TEST_WITHOUT_UNNAMED_FILES") == 1;
}

// Installs the filter for every thread of the process; false when the
// system refuses it.
inline bool refuseUnnamedFiles()
{
    // The flags are the third argument of openat and the second of open; the
    // filter looks at their low 32 bits, where O_TMPFILE lies.
    constexpr unsigned tmpfileBit = O_TMPFILE & ~O_DIRECTORY;
    constexpr unsigned argsLow = offsetof(seccomp_data, args);
    constexpr unsigned argSize = sizeof(seccomp_data::args[0]);
    sock_filter program[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AUDIT_ARCH_X86_64, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_openat, 2, 0),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_open, 3, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        // openat: flags in the third argument
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, argsLow + 2 * argSize),
        BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, tmpfileBit, 3, 2),
        // open: flags in the second argument
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, argsLow + 1 * argSize),
        BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, tmpfileBit, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | (EOPNOTSUPP & SECCOMP_RET_DATA)),
    };
    sock_fprog filter{static_cast<unsigned short>(sizeof program / sizeof program[0]), program};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0
           && ::syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, SECCOMP_FILTER_FLAG_TSYNC, &filter) == 0;
}

// Whether folder can hold a file without a name (a probe that leaves nothing).
inline bool unnamedFilesIn(const QString& folder)
{
    const int fd = ::open(folder.toLocal8Bit().constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

}  // namespace zorvane::test
