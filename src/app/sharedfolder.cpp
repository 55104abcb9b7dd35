#include "app/sharedfolder.h"

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

} // namespace sharedfolder
