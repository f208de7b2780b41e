#pragma once
// The owner of a C stdio stream, for the portable services: the stream is
// closed once, when nobody needs it any more. A caller that must know whether
// the close flushed everything closes it itself with release().

#include "UniqueAny.h"

#include <cstdio>

namespace unique_std_file_detail {
inline void close(std::FILE* file) noexcept {
    std::fclose(file);
}
} // namespace unique_std_file_detail

using UniqueStdFile = UniqueAny<std::FILE*, &unique_std_file_detail::close>;
