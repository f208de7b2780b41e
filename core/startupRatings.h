#pragma once
// What Morvane knows of each entry's program without asking anyone: the
// rating, comment, publisher and advice of its built-in catalogue.

class TCatalogue;
class TStartup;
class TStartups;

#include <string>

// Sets every entry's rating, comment and verdict from the catalogue. Of an
// entry the catalogue does not know, only the verdict's program, script host
// and look-alike mark change: its rating and comment stay as they were.
void RateFromCatalogue(TStartups& startups, const TCatalogue& catalogue);
void RateFromCatalogue(TStartups& startups);
void RateFromCatalogue(TStartup& entry, const TCatalogue& catalogue);

// "Morvane's list, version N": where a catalogue rating comes from.
std::string CatalogueSourceText(const TCatalogue& catalogue);
