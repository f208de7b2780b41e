#pragma once
// The startup module's face: the entry, the collection, the locations, the
// command line and the program search, and what reads and writes the
// collection (the scan, the write-back, profile files, the store of disabled
// entries and the data folder's paths). Each has a header of its own; the
// use cases built on them are in startupTasks.h.

#include "CommandLine.h"
#include "ProgramSearch.h"
#include "StartupApply.h"
#include "StartupEntry.h"
#include "StartupList.h"
#include "StartupLocations.h"
#include "StartupPaths.h"
#include "StartupProfile.h"
#include "StartupScan.h"
#include "startupStore.h"
