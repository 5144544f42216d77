// One program per user and worksheet file. Started again (a double click too
// many), the program brings the running one's window to the front and ends,
// instead of showing a second worksheet over the first that saves the same
// file.
#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <string>

// The name that one user's programs on one worksheet file share.
QString single_instance_name(const std::string& worksheet_path);

class tSingleInstance {
public:
    explicit tSingleInstance(const QString& name);
    ~tSingleInstance();
    tSingleInstance(const tSingleInstance&) = delete;
    tSingleInstance& operator=(const tSingleInstance&) = delete;

    // True when no other program holds the name: this one now holds it until
    // it ends, and calls `bring_to_front` (from its event loop) whenever a
    // later start asks. False when another program holds it; that program
    // has been asked to come to the front, and this one should end. What a
    // crashed program left behind does not count.
    bool claim(std::function<void()> bring_to_front);

private:
    struct tPrivate;
    std::unique_ptr<tPrivate> d_;
};
