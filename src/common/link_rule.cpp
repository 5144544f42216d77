#include "common/link_rule.h"

namespace {
constexpr unsigned root_user = 0;
constexpr unsigned sticky_bit = 01000;
constexpr unsigned others_may_write = 0002;
constexpr unsigned group_or_others_may_write = 0022;

bool shared_sticky(unsigned folder_mode)
{
    return (folder_mode & sticky_bit) && (folder_mode & others_may_write);
}
} // namespace

bool trusted_owner(unsigned owner, unsigned user)
{
    return owner == user || owner == root_user;
}

bool link_may_be_followed(unsigned link_owner, unsigned user)
{
    return trusted_owner(link_owner, user);
}

bool file_may_be_used(unsigned file_owner, unsigned folder_owner, unsigned folder_mode, unsigned user)
{
    return trusted_owner(file_owner, user) || (folder_owner == user && !(folder_mode & group_or_others_may_write));
}

bool in_place_may_be_used(unsigned owner, unsigned folder_owner, unsigned folder_mode, unsigned user)
{
    return trusted_owner(owner, user) && (!shared_sticky(folder_mode) || owner == user || owner == folder_owner);
}
