#include "common/link_rule.h"

namespace {
constexpr unsigned sticky_bit = 01000;
constexpr unsigned others_may_write = 0002;
} // namespace

bool link_may_be_followed(unsigned link_owner, unsigned folder_owner, unsigned folder_mode, unsigned user)
{
    const bool shared_folder = (folder_mode & sticky_bit) && (folder_mode & others_may_write);
    return !shared_folder || link_owner == user || link_owner == folder_owner;
}
