#pragma once
// The data folder and its files: the store of disabled entries, the records
// of disabled values, the copies of disabled shortcuts of a location, the
// caches kept for the next run, the watch's files and the portable build's
// lock file.

#include <string>

std::string DataFolder();
std::string DisabledStorePath();
std::string KeptValuesPath();
std::string KeptShortcutFolder(int code);
std::string SystemLockPath();
// The signature checks of program files, kept for the next run (startupSignatures.h).
std::string SignatureCachePath();
// What each packaged app's manifest declares, kept for the next scan (PackagedApps.h).
std::string PackageTasksCachePath();
// The watcher's files (startupWatch.h).
std::string WatchSnapshotPath();
std::string WatchListsPath();
