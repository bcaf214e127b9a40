#pragma once

#include <QString>
#include <QStringList>

// Where this copy of the program keeps its watch list "Scrips.dat" and its
// advertisement picture "ad.jpg", decided once at start-up. A copy in a
// folder it can write keeps both beside itself, as a copied program always
// has. An installed copy cannot write its folder (/usr/bin), so its list goes
// to the user's data folder and its pictures to the user's cache folder.
namespace ListLocation {

struct Folders
{
    QString program;
    bool programWritable = false; // false also for the folder the program was installed into
    QString userData;             // QStandardPaths::AppDataLocation
    QString userCache;            // QStandardPaths::CacheLocation
};

struct Places
{
    QString scripsPath;
    QString advertFolder; // the working folder for "ad.jpg"; empty: the one the program was started in
};

Places choose(const Folders &folders);

// The folders of the running program; installFolders are where the program
// is installed to, which count as not writable even for an administrator.
Folders ofThisProgram(const QStringList &installFolders);

// Makes the places usable: a per-user list that does not exist yet starts as
// a copy of the one beside the program, so no list is lost by the move, and
// the advertisement folder is made and entered. The user's data folder itself
// is made when the list is first saved.
void prepare(const Places &places, const Folders &folders);

} // namespace ListLocation
