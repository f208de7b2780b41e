#include "Errors.h"

std::string FormatMessage1(const std::string& fmt, const std::string& arg) {
    std::string::size_type at = fmt.find("%s");
    if (at == std::string::npos)
        return fmt;
    std::string result;
    result.reserve(fmt.size() + arg.size());
    result.append(fmt, 0, at).append(arg).append(fmt, at + 2, std::string::npos);
    return result;
}
