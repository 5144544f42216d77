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
// in /tmp); without HOME, the account's home serves. Empty when none can be
// had (nothing on Windows, which needs none).
std::string private_runtime_folder();

// The folder of the one-program guard: the same for every program of the
// user whatever its environment says (a desktop session sets
// XDG_RUNTIME_DIR, cron and some remote logins do not), so that two
// programs on one worksheet file always meet there. The account's home
// (from the account database, not HOME) + "/.cache/brenlow", made 0700 and
// checked as private_runtime_folder checks its own. Empty when the account
// has no usable home (nothing on Windows, whose guard needs no folder).
std::string guard_folder();
