// Temporary files that hold a file's new content until it replaces the old
// one. They hold patient data: when the process is ended by a signal they
// are removed before it ends, so that nothing is left beside the targets.
#pragma once

#include <string>

// Remembers the file `name` in the open folder `folder` (on Windows, where
// `folder` is -1, `name` is the whole path) until forget_temporary();
// returns its slot, or -1 when every slot is taken (the file is then still
// removed by its owner, but not on a signal).
int remember_temporary(int folder, const std::string& name);
void forget_temporary(int slot);

// From now on every signal whose default action ends the process (SIGINT,
// SIGTERM, SIGHUP, SIGPIPE, SIGQUIT, SIGUSR1, SIGALRM, SIGXFSZ, ...; all but
// SIGKILL and SIGSTOP, which cannot be caught) removes the remembered files
// and then ends the process with the signal's usual status. A signal that
// was ignored when the program started stays ignored.
void remove_temporaries_on_signals();

// A new file for this process alone (0600) in the temporary folder ($TMPDIR,
// else /tmp; on Windows the user's), to be read and written, that no ending
// of the process leaves behind: it has no name (or is deleted when closed).
// A descriptor; -1 with the reason in `error` when none can be made.
int private_temporary_file(std::string& error);
// The folder such files are made in, for messages.
std::string temporary_folder();
