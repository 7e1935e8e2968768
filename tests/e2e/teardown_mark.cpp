// Loaded into the program by a scenario (LD_PRELOAD): if the program's
// process runs its exit handlers, among them the destructors of its loaded
// libraries, this one writes "ran" into the file that E2E_TEARDOWN_MARK
// names. The program ends at once once its windows are closed, without
// that teardown (AppShell.h, endProcess), so the file must not appear.

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

__attribute__((destructor)) void markTeardown()
{
    // Only the program itself: the preload is inherited by what it starts.
    if (std::strcmp(program_invocation_short_name, "zorvane") != 0)
        return;
    const char* path = std::getenv("E2E_TEARDOWN_MARK");
    if (!path)
        return;
    if (std::FILE* mark = std::fopen(path, "w")) {
        std::fputs("ran\n", mark);
        std::fclose(mark);
    }
}

}  // namespace
