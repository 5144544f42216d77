// The kernel's protected-symlinks rule, as the programs apply it to every
// link on the way to a file they write, whatever the system's own setting:
// a link is followed when it lies outside a sticky folder that everyone may
// write, or when it belongs to the user who follows it or to the folder's
// owner.
#pragma once

bool link_may_be_followed(unsigned link_owner, unsigned folder_owner, unsigned folder_mode, unsigned user);
