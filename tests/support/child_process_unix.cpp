#include "child_process_unix.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

pid_t start_child(const std::vector<std::string>& argv, const tChildSetup& setup)
{
    std::vector<std::string> owned = argv;
    std::vector<char*> pointers;
    for (std::string& a : owned)
        pointers.push_back(a.data());
    pointers.push_back(nullptr);
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    for (int signal_number = 1; signal_number < NSIG; ++signal_number)
        signal(signal_number, SIG_DFL);
    const rlimit limit{setup.file_limit, setup.file_limit}, no_core{0, 0};
    if ((setup.in >= 0 && dup2(setup.in, STDIN_FILENO) < 0) || (setup.out >= 0 && dup2(setup.out, STDOUT_FILENO) < 0)
        || (setup.err >= 0 && dup2(setup.err, STDERR_FILENO) < 0)
        || (!setup.folder.empty() && chdir(setup.folder.c_str()) != 0) || setrlimit(RLIMIT_CORE, &no_core) != 0
        || (setup.file_limit && setrlimit(RLIMIT_FSIZE, &limit) != 0)
        || (setup.user && (setgid(setup.user) != 0 || setuid(setup.user) != 0))
        || (setup.own_session && setsid() < 0))
        _exit(126);
    if (!setup.preload.empty()) {
        setenv("LD_PRELOAD", setup.preload.c_str(), 1);
        // A sanitizer's runtime wants to come first; the preloaded one does.
        const char* asan = std::getenv("ASAN_OPTIONS");
        setenv("ASAN_OPTIONS", (std::string(asan ? asan : "") + ":verify_asan_link_order=0").c_str(), 1);
    }
    if (setup.close_streams) {
        close(STDOUT_FILENO);
        close(STDERR_FILENO);
    }
    execv(pointers[0], pointers.data());
    _exit(127);
}

int exit_status_of(pid_t pid)
{
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string read_up_to(int fd, std::size_t limit)
{
    std::string text;
    char buffer[4096];
    while (text.size() < limit) {
        const ssize_t got = read(fd, buffer, std::min(sizeof buffer, limit - text.size()));
        if (got > 0)
            text.append(buffer, static_cast<std::size_t>(got));
        else if (got == 0 || errno != EINTR)
            break;
    }
    return text;
}

std::string file_text(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

tScratchFolder::tScratchFolder(const std::string& prefix)
{
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + prefix + "-XXXXXX";
    if (mkdtemp(pattern.data()))
        path = pattern;
}

tScratchFolder::~tScratchFolder()
{
    std::error_code ignored;
    if (!path.empty())
        std::filesystem::remove_all(path, ignored);
}
