#pragma once
// The scan of the system: both startup folders, the Run keys and their kin,
// and the places switched in place (startupSignIn.h), read into a
// collection. TStartups::Refresh runs it.

class TStartups;

// Adds what the scan finds to the collection, which the caller cleared
// first; what it passed over goes to the collection's Notices.
void ScanStartups(TStartups& startups);
