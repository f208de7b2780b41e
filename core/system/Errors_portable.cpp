#include "Errors.h"

#include <cerrno>
#include <cstring>

std::string SystemErrorText(int code) {
    const char* text = std::strerror(code);
    std::string s = text ? text : "";
    if (s.empty())
        s = "error " + std::to_string(code);
    return s;
}

int LastSystemError() {
    return errno;
}

void SetLastSystemError(int code) {
    errno = code;
}
