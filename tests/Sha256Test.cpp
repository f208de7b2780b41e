#include "core/system/Sha256.h"
#include "support/Seed.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>

namespace {

std::string sha256(const std::string& text) {
    TSha256 sha;
    sha.Update(text);
    return sha.HexDigest();
}

TEST(Sha256, GivesTheStandardsDigests) {
    // FIPS 180-4's examples, and messages whose padding spills into a
    // second block (55, 56 and 64 bytes).
    EXPECT_EQ(sha256(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(sha256("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(sha256("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(sha256(std::string(55, 'a')),
              "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318");
    EXPECT_EQ(sha256(std::string(56, 'a')),
              "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a");
    EXPECT_EQ(sha256(std::string(64, 'a')),
              "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb");
    EXPECT_EQ(sha256(std::string(1000000, 'a')),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST(Sha256, DoesNotDependOnHowTheBytesAreHandedOver) {
    std::string text;
    for (int i = 0; i < 1000; ++i)
        text += static_cast<char>(i * 7);
    const std::string whole = sha256(text);
    for (std::size_t piece : {1u, 3u, 63u, 64u, 65u, 200u}) {
        TSha256 sha;
        for (std::size_t at = 0; at < text.size(); at += piece)
            sha.Update(text.data() + at, std::min(piece, text.size() - at));
        EXPECT_EQ(sha.HexDigest(), whole) << piece;
    }
}

TEST(FileSha256, HashesTheFileAndGivesNothingForWhatCannotBeRead) {
    seed::ScratchFolder scratch;
    const std::string big(200000, 'a'); // more than one read
    ASSERT_TRUE(seed::WriteRawFile(scratch.file("big.bin"), big));
    EXPECT_EQ(FileSha256(scratch.file("big.bin")), sha256(big));
    EXPECT_EQ(FileSha256(scratch.file("missing.bin")), "");
    EXPECT_EQ(FileSha256(scratch.path()), "") << "a folder is no file";
    std::atomic<bool> stop{true};
    EXPECT_EQ(FileSha256(scratch.file("big.bin"), &stop), "") << "stopped";
}

} // namespace
