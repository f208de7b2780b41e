#pragma once
// The catalogue of well-known startup programs that a new database is
// filled with.

struct TCatalogueEntry {
    const char* File;
    const char* Titles; // separated by "|"
    int Rating;
    const char* Comment;
};

const TCatalogueEntry* CatalogueBegin();
const TCatalogueEntry* CatalogueEnd();
