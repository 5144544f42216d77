#include "run_process.h"

#include <sys/wait.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

tProcessOutput run_process(const std::string& program, const std::vector<std::string>& arguments,
                           const std::string& folder)
{
    tProcessOutput result;
    int fds[2];
    if (pipe(fds) != 0)
        return result;
    std::vector<std::string> owned;
    owned.push_back(program);
    owned.insert(owned.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& a : owned)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    const pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        return result;
    }
    if (pid == 0) {
        // Child: only async-signal-safe calls until exec.
        dup2(fds[1], STDOUT_FILENO);
        close(fds[0]);
        close(fds[1]);
        if (!folder.empty() && chdir(folder.c_str()) != 0)
            _exit(126);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(fds[1]);
    char buf[8192];
    for (;;) {
        const ssize_t got = read(fds[0], buf, sizeof buf);
        if (got > 0)
            result.out.append(buf, static_cast<std::size_t>(got));
        else if (got == 0 || errno != EINTR)
            break;
    }
    close(fds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}
