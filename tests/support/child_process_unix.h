// A program under test in a process of its own (child_process_unix.cpp): no
// shell, so arguments arrive unchanged; every signal at its default action,
// whatever the test runner set; no core file.
#pragma once

#include <sys/resource.h>
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

struct tChildSetup {
    std::string folder;         // where it starts ("" for the test's own)
    int in = -1, out = -1, err = -1; // its standard streams; -1 keeps the test's
    uid_t user = 0;             // another user than root, when not 0
    rlim_t file_limit = 0;      // the largest file it may write (ulimit -f), when not 0
    bool close_streams = false; // standard output and error closed, as `>&- 2>&-`
    bool own_session = false;   // a session without a terminal, as under cron
    std::string preload;        // LD_PRELOAD, when not ""
};

// Starts `argv` (the program first); its process id, or -1.
pid_t start_child(const std::vector<std::string>& argv, const tChildSetup& setup);
// The exit status of `pid` once it ended; -1 when a signal ended it.
int exit_status_of(pid_t pid);
// Everything `fd` gives until its end (a terminal's end is EIO once the last
// process holding its other side is gone), or `limit` bytes.
std::string read_up_to(int fd, std::size_t limit = SIZE_MAX);
// The whole of a file; "" when it cannot be read.
std::string file_text(const std::string& path);

// A folder of the test's own in TMPDIR (or /tmp), removed with all it holds;
// path is "" when none could be made.
struct tScratchFolder {
    explicit tScratchFolder(const std::string& prefix);
    ~tScratchFolder();
    tScratchFolder(const tScratchFolder&) = delete;
    tScratchFolder& operator=(const tScratchFolder&) = delete;
    std::string path;
};
