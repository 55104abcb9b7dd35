#pragma once

#include "support/pathfacts.h"

// The rules for a database folder that other users of the machine share: the practice's folder
// that the package makes (group "ventrel", mode 3770), or any other one they can write into.
namespace sharedfolder {

// Someone besides the user can put files into the folder: another user owns it, or its group or
// everybody may write into it.
bool isShared(const PathFacts &folder, unsigned user);

// The user is one of the folder's group: the group this run has, or one the system lists the
// user in now (added to the practice's group after logging in, the run does not have it yet).
// Only such a user is meant to share the folder; for anyone else it is none of theirs.
bool isMemberOfGroup(const PathFacts &folder);

// A database file the program refuses to open: a link in a shared folder, where anyone who may
// write there could have planted it to make the program open, and write into, another file.
// In the user's own folder a link is the user's own doing and is followed.
bool refusesDatabase(const PathFacts &file, const PathFacts &folder, unsigned user);

// The access a new database file gets in the folder. A folder whose new files take its group
// (set-group-id) is shared with that group: read and write for the owner and the group (0660).
// Anywhere else the patients' records are for the owner alone (0600).
struct Access {
    unsigned mode = 0600;
    bool folderGroup = false; // the file takes the folder's group
};
Access newDatabaseAccess(const PathFacts &folder);

} // namespace sharedfolder
