// A run's hold on its outputs, on POSIX systems. A lock on the output itself
// would not do: flock() needs only read access, so any user who can read the
// file or folder could hold it and stop the run, and be named as a run of
// ours. The lock is taken instead on a file of the user's private runtime
// folder named after the output's device and inode, which only the user's
// own processes can open.
#include "common/output_path.h"

#include "common/process_setup.h"
#include "common/temporary_files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// The lock file, removed while it is still held and then closed: a run that
// opened it meanwhile finds it gone from its folder and makes a new one.
class tLockFileHold final : public tOutputHold {
public:
    tLockFileHold(int folder, int fd, std::string name)
        : folder_(folder), fd_(fd), name_(std::move(name)), slot_(remember_temporary(folder, name_))
    {
    }
    ~tLockFileHold() override
    {
        ::unlinkat(folder_, name_.c_str(), 0);
        forget_temporary(slot_);
        ::close(fd_);
        ::close(folder_);
    }
    tLockFileHold(const tLockFileHold&) = delete;
    tLockFileHold& operator=(const tLockFileHold&) = delete;

private:
    int folder_;
    int fd_;
    std::string name_;
    int slot_; // a signal that ends the run removes the lock file too
};

// The user's private folder, opened; -1 when there is none.
int private_folder()
{
    const std::string path = private_runtime_folder();
    if (path.empty())
        return -1;
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat info;
    if (fd >= 0 && ::fstat(fd, &info) == 0 && info.st_uid == ::geteuid() && (info.st_mode & 077) == 0)
        return fd;
    if (fd >= 0)
        ::close(fd);
    return -1;
}

// The process id the holder wrote into its lock file; 0 when none is there.
long long holder_of(int fd)
{
    char text[32] = {};
    const ssize_t got = ::pread(fd, text, sizeof text - 1, 0);
    return got > 0 ? std::atoll(text) : 0;
}

std::unique_ptr<tOutputHold> hold_key(unsigned long long device, unsigned long long inode, long long& holder)
{
    const int folder = private_folder();
    if (folder < 0)
        return std::make_unique<tOutputHold>(); // nowhere to hold it: nothing is held
    char name[64];
    std::snprintf(name, sizeof name, "brenlow-report-hold-%llx-%llx", device, inode);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const int fd = ::openat(folder, name, O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0)
            break;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const bool held = errno == EWOULDBLOCK;
            holder = held ? holder_of(fd) : 0;
            ::close(fd);
            if (!held)
                break;
            ::close(folder);
            return nullptr;
        }
        struct stat locked, named;
        if (::fstat(fd, &locked) == 0 && ::fstatat(folder, name, &named, AT_SYMLINK_NOFOLLOW) == 0
            && locked.st_dev == named.st_dev && locked.st_ino == named.st_ino) {
            const std::string pid = std::to_string(::getpid()) + "\n";
            if (::ftruncate(fd, 0) == 0 && ::pwrite(fd, pid.data(), pid.size(), 0) < 0) {
                // The holder's number is only for messages.
            }
            return std::make_unique<tLockFileHold>(folder, fd, name);
        }
        ::close(fd); // removed by the run that held it: a new one is made
    }
    ::close(folder);
    return std::make_unique<tOutputHold>();
}

} // namespace

std::unique_ptr<tOutputHold> hold_folder(const tOpenFolder& folder, long long& holder)
{
    struct stat info;
    if (::fstat(folder.fd(), &info) != 0)
        return std::make_unique<tOutputHold>();
    return hold_key(static_cast<unsigned long long>(info.st_dev), static_cast<unsigned long long>(info.st_ino),
                    holder);
}

std::unique_ptr<tOutputHold> hold_file(const tOutputPath& target, long long& holder)
{
    if (target.kind != tOutputKind::RegularFile)
        return std::make_unique<tOutputHold>();
    return hold_key(target.id.device, target.id.inode, holder);
}
