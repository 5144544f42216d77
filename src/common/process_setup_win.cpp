#include "common/process_setup.h"

// Windows gives every process its standard handles, and Qt keeps its
// runtime files in the user's own profile.
void open_closed_standard_streams() {}

std::string private_runtime_folder()
{
    return std::string();
}

std::string guard_folder()
{
    return std::string();
}
