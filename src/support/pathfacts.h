#pragma once

#include <QString>

// What the file system tells of a path itself, a link not followed: the facts the program
// judges before it trusts a folder or a file that other users of the machine might reach.
struct PathFacts {
    bool exists = false;
    bool isDir = false;
    bool isLink = false;    // a symbolic link
    unsigned owner = 0;     // user id
    unsigned group = 0;     // group id
    unsigned mode = 0;      // permission bits, set-id and sticky bits included (07777)
    unsigned hardLinks = 1; // names the file has

    bool setGroupId() const { return mode & 02000; }
    // Someone besides the owner may make, remove or rename entries in it.
    bool writableByOthers() const { return mode & 0022; }
};

PathFacts pathFacts(const QString &path);

// The user the program runs as (the effective user id).
unsigned currentUser();
