// The signature states of real files: the programs the build signs with a
// certificate of its own (tests/data/signed) under Wine; natively, where
// there are no signatures, every file is Unknown with its real hash.
#include "core/system/FileSignature.h"
#include "core/system/Files.h"
#include "support/Seed.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>

namespace {

TEST(SignatureStateName, ReadsBackEveryStateAndNothingElse) {
    for (TSignatureState state :
         {TSignatureState::Unchecked, TSignatureState::Verified, TSignatureState::Untrusted,
          TSignatureState::Tampered, TSignatureState::Unsigned, TSignatureState::Unknown}) {
        TSignatureState read = TSignatureState::Verified;
        EXPECT_TRUE(SignatureStateFromName(SignatureStateName(state), read));
        EXPECT_EQ(read, state);
    }
    TSignatureState read = TSignatureState::Unsigned;
    EXPECT_FALSE(SignatureStateFromName("Verified", read)) << "names are exact";
    EXPECT_FALSE(SignatureStateFromName("", read));
    EXPECT_EQ(read, TSignatureState::Unsigned);
    EXPECT_STREQ(SignatureStateText(TSignatureState::Untrusted), "signed, not trusted");
}

#ifdef _WIN32

std::string sample(const char* name) {
    return PathJoin(PathJoin(AppFolder(), "signed"), name);
}

class SignedSamples : public ::testing::Test {
protected:
    void SetUp() override {
        if (!FileExists(sample("sample.exe")))
            GTEST_SKIP() << "the signed samples were not built beside the tests";
    }
};

TEST_F(SignedSamples, AnUnsignedProgramShowsItsVersionResourceAndHash) {
    const TFileSignature s = CheckFileSignature(sample("sample.exe"));
    EXPECT_EQ(s.State, TSignatureState::Unsigned);
    EXPECT_EQ(s.Signer, "");
    EXPECT_EQ(s.Company, "Morvane Sample Maker");
    EXPECT_EQ(s.FileVersion, "1.2.3.4");
    std::string expected;
    ASSERT_TRUE(ReadWholeFile(sample("sample.sha256"), expected));
    EXPECT_EQ(s.Sha256 + "\n", expected) << "as sha256sum reckons it";
}

TEST_F(SignedSamples, ASelfMadeCertificateIsASignatureThatIsNotTrusted) {
    const TFileSignature s = CheckFileSignature(sample("sample-signed.exe"));
    EXPECT_EQ(s.State, TSignatureState::Untrusted);
    EXPECT_EQ(s.Signer, "Morvane Sample Signer");
    EXPECT_EQ(s.Company, "Morvane Sample Maker");
    EXPECT_EQ(s.Sha256.size(), 64u);
}

TEST_F(SignedSamples, OneByteChangedAfterSigningIsTampered) {
    const TFileSignature s = CheckFileSignature(sample("sample-tampered.exe"));
    EXPECT_EQ(s.State, TSignatureState::Tampered);
    EXPECT_NE(s.Sha256, CheckFileSignature(sample("sample-signed.exe")).Sha256);
}

TEST_F(SignedSamples, AStoppedCheckIsUnchecked) {
    std::atomic<bool> stop{true};
    EXPECT_EQ(CheckFileSignature(sample("sample-signed.exe"), &stop).State,
              TSignatureState::Unchecked);
}

TEST(FileSignature, WindowsOwnFilesAreVerifiedOrHaveNoInformation) {
    // Windows keeps their signatures in its catalogs; Wine keeps none.
    const TFileSignature s = CheckFileSignature(PathJoin(SystemFolder(), "notepad.exe"));
    if (s.State == TSignatureState::Verified)
        EXPECT_NE(s.Signer.find("Microsoft"), std::string::npos) << s.Signer;
    else
        EXPECT_EQ(s.State, TSignatureState::Unknown);
}

#else

TEST(FileSignature, PortableFilesHaveNoSignatureInformationButTheirHash) {
    seed::ScratchFolder scratch;
    ASSERT_TRUE(seed::WriteRawFile(scratch.file("a.exe"), "abc"));
    const TFileSignature s = CheckFileSignature(scratch.file("a.exe"));
    EXPECT_EQ(s.State, TSignatureState::Unknown);
    EXPECT_EQ(s.Sha256, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

#endif

} // namespace
