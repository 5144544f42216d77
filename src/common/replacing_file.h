// A file that replaces its target only when complete: the text goes to a
// temporary file in the target's folder, which commit() renames over the
// target. Until then an existing target stays as it was, and a temporary
// that is never committed is removed. The new file keeps the permissions of
// the file it replaces (a first file: 0666 under the umask), and the
// process's umask is never changed.
#pragma once

#include <string>

class tReplacingFile {
public:
    // Creates the temporary file (named after the target plus a dot and six
    // letters or digits). Raises EInOutError (with the reason) when it cannot
    // be created or when the target is a folder.
    explicit tReplacingFile(const std::string& path);
    ~tReplacingFile();
    tReplacingFile(const tReplacingFile&) = delete;
    tReplacingFile& operator=(const tReplacingFile&) = delete;

    // Raise EInOutError on failure; the temporary is then removed.
    void write(const std::string& text);
    void commit(); // flushes to disk and renames over the target

private:
    void discard();

    std::string path_;
    std::string temporary_;
    int fd_ = -1;
};
