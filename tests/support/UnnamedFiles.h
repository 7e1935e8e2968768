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
#include <cstdint>

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

// The system calls a filter sees are numbered per architecture: it acts on
// those of the one the tests are built for (0 where it is not known here).
#if defined(__x86_64__) && !defined(__ILP32__)
inline constexpr std::uint32_t filteredArchitecture = AUDIT_ARCH_X86_64;
#elif defined(__aarch64__) && !defined(__ILP32__)
inline constexpr std::uint32_t filteredArchitecture = AUDIT_ARCH_AARCH64;
#elif defined(__i386__)
inline constexpr std::uint32_t filteredArchitecture = AUDIT_ARCH_I386;
#elif defined(__arm__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
inline constexpr std::uint32_t filteredArchitecture = AUDIT_ARCH_ARM;
#elif defined(__riscv) && __riscv_xlen == 64
inline constexpr std::uint32_t filteredArchitecture = AUDIT_ARCH_RISCV64;
#elif defined(__powerpc64__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
inline constexpr std::uint32_t filteredArchitecture = AUDIT_ARCH_PPC64LE;
#elif defined(__s390x__)
inline constexpr std::uint32_t filteredArchitecture = AUDIT_ARCH_S390X;
#else
inline constexpr std::uint32_t filteredArchitecture = 0;
#endif

// Installs the filter for every thread of the process; false when the
// system refuses it, or when the architecture is not one known here.
inline bool refuseUnnamedFiles()
{
    if (filteredArchitecture == 0)
        return false;
    // The flags are the third argument of openat and the second of open
    // (a call that newer architectures, arm64 among them, do not have); the
    // filter looks at their low 32 bits, where O_TMPFILE lies.
    constexpr unsigned tmpfileBit = O_TMPFILE & ~O_DIRECTORY;
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    constexpr unsigned lowHalf = 4;
#else
    constexpr unsigned lowHalf = 0;
#endif
    constexpr unsigned argsLow = offsetof(seccomp_data, args) + lowHalf;
    constexpr unsigned argSize = sizeof(seccomp_data::args[0]);
    // Jumps count the instructions to skip after the jump itself.
    sock_filter program[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, filteredArchitecture, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
#ifdef SYS_open
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_openat, 2, 0),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_open, 3, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        // openat: flags in the third argument
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, argsLow + 2 * argSize),
        BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, tmpfileBit, 3, 2),
        // open: flags in the second argument
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, argsLow + 1 * argSize),
        BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, tmpfileBit, 1, 0),
#else
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_openat, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        // openat: flags in the third argument
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, argsLow + 2 * argSize),
        BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, tmpfileBit, 1, 0),
#endif
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
