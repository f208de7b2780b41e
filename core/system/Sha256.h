#pragma once
// SHA-256 (FIPS 180-4), for the hash a user or a fleet tool looks a program
// file up by. Written out here: the Windows cryptography functions differ
// between Windows versions, and the portable build must give the same text.

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class TSha256 {
public:
    TSha256();
    void Update(const void* data, std::size_t size);
    void Update(std::string_view text) { Update(text.data(), text.size()); }
    // The digest as 64 lower-case hexadecimal digits; the object is spent.
    std::string HexDigest();

private:
    void block(const std::uint8_t* p);

    std::array<std::uint32_t, 8> state_;
    std::array<std::uint8_t, 64> pending_{};
    std::size_t pendingSize_ = 0;
    std::uint64_t length_ = 0; // bytes
};

// The SHA-256 of a file's bytes; empty when it cannot be read, or when
// `stop` turned true while it was read.
std::string FileSha256(const std::string& path, const std::atomic<bool>* stop = nullptr);
