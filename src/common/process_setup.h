// What both programs set up before they open any file or start Qt.
#pragma once

#include <string>

// A standard stream (descriptor 0, 1 or 2) that is closed at start is opened
// on the null device, so that no file the program opens later takes its
// number and receives what is written to standard output or error.
void open_closed_standard_streams();

// The user's private runtime folder: $XDG_RUNTIME_DIR when it is set (and is
// the user's, writable by the user alone), or
// else a folder of the user's own cache folder ($XDG_CACHE_HOME/brenlow, by
// default ~/.cache/brenlow) made 0700 and checked to be the user's, no link,
// and writable by the user alone, which then becomes $XDG_RUNTIME_DIR for
// this process (so that Qt neither warns nor falls back on a guessable name
// in /tmp). Empty when none can be had (nothing on Windows, which needs none).
std::string private_runtime_folder();
