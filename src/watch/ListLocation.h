#pragma once

#include <QString>
#include <QStringList>

// Where this copy of the program keeps its watch list "Scrips.dat" and its
// advertisement picture "ad.jpg", decided once at start-up. A copy in a
// folder it can write keeps its list beside itself and its pictures in the
// folder it was started in. An installed copy cannot write its folder (/usr/bin), so its list goes
// to the user's data folder and its pictures to the user's cache folder.
namespace ListLocation {

struct Folders
{
    QString program;
    bool programWritable = false; // false also for the folder the program was installed into
    QString userData;             // QStandardPaths::AppDataLocation
    QString userCache;            // QStandardPaths::CacheLocation
    QString startedIn;            // the working folder the program was started in
};

struct Places
{
    QString scripsPath;
    QString advertFolder; // the folder for "ad.jpg"
};

Places choose(const Folders &folders);

// The folders of the running program; installFolders are where the program
// is installed to, which count as not writable even for an administrator.
Folders ofThisProgram(const QStringList &installFolders);

// Makes the places usable: a per-user list that does not exist yet starts as
// a copy of the one beside the program, so no list is lost by the move, and
// the advertisement folder is made. The user's data folder itself
// is made when the list is first saved.
void prepare(const Places &places, const Folders &folders);

} // namespace ListLocation
