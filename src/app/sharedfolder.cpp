#include "app/sharedfolder.h"

#include <algorithm>
#include <grp.h>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace sharedfolder {

bool isShared(const PathFacts &folder, unsigned user) {
    return folder.owner != user || folder.writableByOthers();
}

bool refusesDatabase(const PathFacts &file, const PathFacts &folder, unsigned user) {
    return file.isLink && isShared(folder, user);
}

Access newDatabaseAccess(const PathFacts &folder) {
    if (folder.setGroupId())
        return {0660, true};
    return {0600, false};
}

bool isMemberOfGroup(const PathFacts &folder) {
    const gid_t group = folder.group;
    if (::getegid() == group)
        return true;
    const int count = ::getgroups(0, nullptr);
    std::vector<gid_t> groups(static_cast<size_t>(std::max(count, 0)));
    if (count > 0 && ::getgroups(count, groups.data()) == count &&
        std::find(groups.begin(), groups.end(), group) != groups.end()) {
        return true;
    }
    const passwd *user = ::getpwuid(::geteuid());
    if (!user)
        return false;
    int listed = 64;
    std::vector<gid_t> userGroups(static_cast<size_t>(listed));
    if (::getgrouplist(user->pw_name, user->pw_gid, userGroups.data(), &listed) < 0) {
        userGroups.resize(size_t(listed));
        if (::getgrouplist(user->pw_name, user->pw_gid, userGroups.data(), &listed) < 0)
            return false;
    }
    userGroups.resize(size_t(listed));
    return std::find(userGroups.begin(), userGroups.end(), group) != userGroups.end();
}

} // namespace sharedfolder
