#include "ProfileFile.h"

#include "Files.h"
#include "TextCodec.h"

bool ReadProfileFileText(const std::string& path, std::string& text) {
    std::string bytes;
    if (!ReadWholeFile(path, bytes))
        return false;
    text = DecodeProfileText(bytes);
    return true;
}
