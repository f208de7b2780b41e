#include "ProfileFile.h"

#include "Files.h"

bool ReadProfileFileText(const std::string& path, std::string& text) {
    // The portable profile functions keep the bytes as they are.
    return ReadWholeFile(path, text);
}
