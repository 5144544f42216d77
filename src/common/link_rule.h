// Whose links, files, pipes and devices the programs use on the way to a
// file they write or read, whatever the system's own protected-symlinks
// settings. Only what belongs to the user or to the system (root) is
// trusted: another user can plant a link, a pipe or a file in any folder
// that user may write, and in a folder that user owns (sticky or not) can
// replace one at any moment.
#pragma once

// Whether `owner` is the user's own or the system's.
bool trusted_owner(unsigned owner, unsigned user);

// A symbolic link is followed only when it is the user's or the system's,
// whatever folder holds it.
bool link_may_be_followed(unsigned link_owner, unsigned user);

// A regular file of another user is read or replaced only in a folder of
// the user's own that no one else may write; in any other folder it could
// have been planted there.
bool file_may_be_used(unsigned file_owner, unsigned folder_owner, unsigned folder_mode, unsigned user);

// A pipe or device is written or read in place only when it is the user's
// or the system's, and in a sticky folder that everyone may write only when
// it is the user's or the folder owner's (as the kernel's protected-fifos).
bool in_place_may_be_used(unsigned owner, unsigned folder_owner, unsigned folder_mode, unsigned user);
