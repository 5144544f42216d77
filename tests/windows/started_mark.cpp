// Compiled into every test program of the Windows build: before main, it
// creates the file named by BRENLOW_STARTED_MARK, so that the wrapper that
// runs the program under Wine (tests/windows/run_under_wine) can tell a
// program that ran, whatever it printed, from one that Wine never started.
#include <cstdio>
#include <cstdlib>

namespace {

struct tStarted_mark {
    tStarted_mark()
    {
        const char* path = std::getenv("BRENLOW_STARTED_MARK");
        if (path == nullptr || *path == '\0')
            return;
        if (std::FILE* file = std::fopen(path, "wb"))
            std::fclose(file);
    }
};

const tStarted_mark started_mark;

} // namespace
