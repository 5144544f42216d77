// tReplacingFile's steps, the same on every system: what each step asks of
// the system is in replacing_file_unix.cpp and replacing_file_win.cpp.
#include "common/replacing_file.h"

#include "common/errors.h"
#include "common/replacing_file_system.h"
#include "common/temporary_files.h"

#include <atomic>
#include <ctime>
#include <functional>

namespace sys = replacing_file_system;

namespace {

constexpr unsigned private_mode = 0600;

// Tries `make` on fresh names beside the target (the target's name, a dot
// and six letters or digits) until it takes one; that name.
std::string on_a_free_name(const tOutputPath& target, const std::function<bool(const std::string&)>& make)
{
    // One count for the process, whichever file or thread asks: two names
    // tried in one second by one process differ by it.
    static std::atomic<unsigned> counter{0};
    const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    const std::string prefix = sys::temporary_prefix(target);
    for (int attempt = 0; attempt < 100; ++attempt) {
        unsigned long long seed = sys::process_number() * 7919ULL
                                  + static_cast<unsigned long long>(std::time(nullptr)) * 31ULL
                                  + ++counter * 104729ULL + static_cast<unsigned long long>(attempt);
        std::string name = prefix + ".";
        for (int i = 0; i < 6; ++i, seed /= 36)
            name += letters[seed % 36];
        if (make(name))
            return name;
    }
    throw EInOutError("no free name for a temporary file beside '" + target.path + "'");
}

} // namespace

tReplacingFile::tReplacingFile(const std::string& path, unsigned new_file_mode)
{
    // Found now rather than by the replacement after all the work.
    target_ = inspect_output_path(path);
    if (target_.kind == tOutputKind::InPlace) {
        fd_ = sys::open_in_place(target_);
        in_place_ = true;
        return;
    }
    // A replaced file of the user's own keeps its permissions (they can only
    // lose bits to the umask); any other gets those of a new file.
    final_mode_ = sys::under_umask(
        target_.kind == tOutputKind::RegularFile && target_.own_file ? target_.mode : new_file_mode);
    // Where the system can, the file has no name until it is complete: no
    // ending of the process, nor a folder that turns read-only, can leave it.
    // Where it has a name, no other user may read it.
    fd_ = sys::create_unnamed(target_, private_mode);
    if (fd_ >= 0)
        return;
    temporary_ = on_a_free_name(target_, [&](const std::string& name) {
        fd_ = sys::create_exclusive(target_, name, private_mode);
        return fd_ >= 0;
    });
    slot_ = sys::remember(target_, temporary_);
}

tReplacingFile::~tReplacingFile()
{
    discard();
}

std::string tReplacingFile::discard()
{
    std::string left;
    if (fd_ >= 0)
        sys::close_quietly(fd_);
    if (!temporary_.empty()) {
        bool private_left = false;
        const std::string why = sys::remove_temporary(target_, temporary_, private_left);
        if (!why.empty())
            left = "the temporary file '" + sys::temporary_location(target_, temporary_)
                   + "' is left behind (it could not be removed: " + why + ")"
                   + (private_left ? "; only its owner can read it" : "");
    }
    forget_temporary(slot_);
    slot_ = -1;
    fd_ = -1;
    temporary_.clear();
    return left;
}

void tReplacingFile::fail(const EInOutError& error)
{
    const std::string left = discard();
    if (left.empty())
        throw error;
    throw EInOutError(std::string(error.what()) + "; " + left);
}

void tReplacingFile::write(const std::string& text)
{
    if (fd_ < 0)
        throw EInOutError("the file is already closed");
    const char* data = text.data();
    std::size_t left = text.size();
    try {
        while (left > 0) {
            const std::size_t written = sys::write_some(fd_, data, left);
            data += written;
            left -= written;
        }
    } catch (const EInOutError& error) {
        fail(error);
    }
}

void tReplacingFile::commit()
{
    if (fd_ < 0)
        throw EInOutError("the file is already closed");
    try {
        if (!in_place_ && temporary_.empty()) {
            // Named only now, for the moment until it replaces the target.
            temporary_ = on_a_free_name(target_, [&](const std::string& name) {
                return sys::give_name(target_, fd_, name);
            });
            slot_ = sys::remember(target_, temporary_);
        }
        if (!in_place_)
            sys::set_mode(fd_, final_mode_);
        const int fd = fd_;
        fd_ = -1;
        sys::finish(fd, !in_place_);
        if (!in_place_)
            sys::replace_target(target_, temporary_);
    } catch (const EInOutError& error) {
        fail(error);
    }
    forget_temporary(slot_);
    slot_ = -1;
    temporary_.clear();
}
