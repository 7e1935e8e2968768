// Another copy of the program, as far as the single-instance lock sees it.
//   lock_holder <lock path> hold    takes the lock, prints "locked", and holds
//                                   it until its standard input closes
//   lock_holder <lock path> crash   takes the lock, prints "locked", and dies
//                                   at once (SIGKILL, on Windows terminated
//                                   with a crash's code), leaving the lock
//                                   file behind
//   lock_holder - where             prints the lock path a real start uses
// The lock path "-" stands for the path a real start uses. Prints "refused"
// and exits with 1 when another copy holds the lock, "unavailable" and exits
// with 3 when no lock can be had.

#include "SingleInstance.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <cstring>

#if defined(Q_OS_WIN)
#  ifndef NOMINMAX
#    define NOMINMAX
#  endif
#  include <windows.h>
#endif

int main(int argc, char* argv[])
{
    using zorvane::app::SingleInstance;
    QCoreApplication application(argc, argv);
    if (argc != 3)
        return 2;
    const QString path =
        std::strcmp(argv[1], "-") == 0 ? SingleInstance::defaultLockPath() : QString::fromLocal8Bit(argv[1]);
    if (std::strcmp(argv[2], "where") == 0) {
        std::puts(qPrintable(path));
        return 0;
    }
    SingleInstance instance(path);
    switch (instance.acquire()) {
    case SingleInstance::Outcome::Held:
        break;
    case SingleInstance::Outcome::RunningElsewhere:
        std::puts("refused");
        return 1;
    case SingleInstance::Outcome::Unavailable:
        std::puts("unavailable");
        return 3;
    }
    std::puts("locked");
    std::fflush(stdout);
    if (std::strcmp(argv[2], "crash") == 0) {
#if defined(Q_OS_WIN)
        // An exception's status, which QProcess reports as a crash.
        ::TerminateProcess(::GetCurrentProcess(), UINT(EXCEPTION_ACCESS_VIOLATION));
#else
        std::raise(SIGKILL);
#endif
    }
    for (int c = std::getchar(); c != EOF; c = std::getchar()) {
    }
    return 0;
}
