// A file that replaces its target only when complete: the text goes to a
// temporary file in the target's folder, which commit() renames over the
// target. Until then an existing target stays as it was, and a temporary
// that is never committed (or that a signal finds) is removed. The
// temporary is readable and writable by its owner alone until it replaces
// the target; the new file then keeps the permissions of the file it
// replaces, but never more than the umask allows, and a first file gets
// `new_file_mode` under the umask. The process's umask is never changed.
//
// Links are followed where the programs' link rule allows (output_path.h),
// so the file they lead to is replaced and the link stays. A character
// device or a pipe of the user's (or the system's) is written in place: it
// is never replaced. A pipe that nothing reads is an error, not a wait.
#pragma once

#include "common/output_path.h"

#include <string>

class EInOutError;

class tReplacingFile {
public:
    // Creates the temporary file (named after the target plus a dot and six
    // letters or digits), or opens a device or pipe. Raises EInOutError (with
    // the reason) when it cannot, or when the target may not be written.
    explicit tReplacingFile(const std::string& path, unsigned new_file_mode = 0666);
    ~tReplacingFile();
    tReplacingFile(const tReplacingFile&) = delete;
    tReplacingFile& operator=(const tReplacingFile&) = delete;

    // Raise EInOutError on failure; the temporary is then removed, and a
    // temporary that cannot be removed is named in the message, with why.
    void write(const std::string& text);
    void commit(); // flushes to disk and renames over the target

    // Gives up the file, its target left as it was: "" when nothing is left,
    // otherwise a sentence that names the temporary left behind and why.
    std::string abandon() { return discard(); }

private:
    std::string discard();
    [[noreturn]] void fail(const EInOutError& error);

    tOutputPath target_;
    unsigned final_mode_ = 0; // the permissions it gets when it replaces the target
    std::string temporary_;
    int fd_ = -1;
    int slot_ = -1; // among the temporaries a signal removes
    bool in_place_ = false;
};
