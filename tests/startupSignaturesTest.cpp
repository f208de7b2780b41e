// The signature side of an entry: the look-alike rule a signature adds to
// the catalogue's, the publisher the list shows, the cache of checks (in
// memory and in its file) and the checks' own thread. The checker is a fake
// here; the real one is tested against signed files in FileSignatureTest.
#include "catalogue/Catalogue.h"
#include "core/startupRatings.h"
#include "core/startupSignatures.h"
#include "core/startupUtil.h"
#include "core/system/Files.h"
#include "support/CoreFixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

namespace {

const TCatalogue& Makers() {
    static const TCatalogue c = TCatalogue::Parse(R"(catalogue-version = 7

program = Signed.exe
titles = Signed
rating = 3
publisher = Example Corporation
comment = A program its maker signs.

program = Plain.exe
titles = Plain
rating = 3
comment = A program nobody signs.
)");
    return c;
}

TFileSignature signature(TSignatureState state, const std::string& signer = "",
                         const std::string& company = "") {
    TFileSignature s;
    s.State = state;
    s.Signer = signer;
    s.Company = company;
    return s;
}

TEST(SignerNamesPublisher, IgnoresCompanyFormsCaseAndALongerNameOfTheSameMaker) {
    EXPECT_TRUE(SignerNamesPublisher("Microsoft Windows", "Microsoft Corporation"));
    EXPECT_TRUE(SignerNamesPublisher("GOOGLE LLC", "Google"));
    EXPECT_TRUE(SignerNamesPublisher("Example, Inc.", "Example Corp."));
    EXPECT_FALSE(SignerNamesPublisher("Micro Soft Ltd", "Microsoft Corporation"));
    EXPECT_FALSE(SignerNamesPublisher("Microsoftt Corporation", "Microsoft Corporation"));
    EXPECT_FALSE(SignerNamesPublisher("Corporation", "Microsoft Corporation"))
        << "a company form alone names nobody";
    EXPECT_FALSE(SignerNamesPublisher("", "Microsoft"));
}

TEST(SignatureLookAlikeReason, SaysWhyInOneSentenceForEveryStateThatSpeaksAgainstIt) {
    const std::string maker = "Example Corporation";
    EXPECT_EQ(SignatureLookAlikeReason("Signed.exe", maker,
                                       signature(TSignatureState::Verified, "Example Corporation")),
              "");
    EXPECT_EQ(SignatureLookAlikeReason("Signed.exe", maker,
                                       signature(TSignatureState::Verified, "Other Ltd")),
              "Not the real Signed.exe: it is signed by Other Ltd, but the real one is signed by "
              "Example Corporation.");
    EXPECT_EQ(
        SignatureLookAlikeReason("Signed.exe", maker,
                                 signature(TSignatureState::Untrusted, "Example Corporation")),
        "Not the real Signed.exe: its signature by Example Corporation is not trusted, and "
        "the real one is signed by Example Corporation.")
        << "a self-made certificate may carry any name";
    EXPECT_NE(SignatureLookAlikeReason("Signed.exe", maker, signature(TSignatureState::Tampered)),
              "");
    EXPECT_EQ(SignatureLookAlikeReason("Signed.exe", maker, signature(TSignatureState::Unsigned)),
              "Not the real Signed.exe: it is not signed, and the real one is signed by Example "
              "Corporation.");
    // Where the system keeps no signatures, nothing is known against it.
    EXPECT_EQ(SignatureLookAlikeReason("Signed.exe", maker, signature(TSignatureState::Unknown)),
              "");
    EXPECT_EQ(SignatureLookAlikeReason("Signed.exe", maker, signature(TSignatureState::Unchecked)),
              "");
    EXPECT_EQ(SignatureLookAlikeReason("Plain.exe", "", signature(TSignatureState::Unsigned)), "");
}

class SignatureVerdictTest : public CoreTest {};

TEST_F(SignatureVerdictTest, AnUnsignedFileWithASigningMakersNameIsALookAlike) {
    TStartups all;
    TStartup* fake = all.Add("Signed", "", "C:\\Tools\\Signed.exe", slCURun, 0);
    TStartup* plain = all.Add("Plain", "", "C:\\Tools\\Plain.exe", slCURun, 0);
    TStartup* real = all.Add("Signed too", "", "D:\\Apps\\Signed.exe", slCURun, 0);
    RateFromCatalogue(all, Makers());
    all.Modified = false;
    ASSERT_FALSE(fake->Verdict.LookAlike);
    EXPECT_EQ(fake->Verdict.ExpectedPublisher, "Example Corporation");

    ApplySignature(*fake, signature(TSignatureState::Unsigned, "", "Example Corporation"));
    ApplySignature(*plain, signature(TSignatureState::Unsigned));
    ApplySignature(*real, signature(TSignatureState::Verified, "Example Corporation"));
    EXPECT_TRUE(fake->Verdict.LookAlike);
    EXPECT_EQ(fake->Rating, 1);
    EXPECT_FALSE(all.Modified) << "Morvane's judgement is no change of the user's";
    EXPECT_EQ(fake->Verdict.LookAlikeReason,
              "Not the real Signed.exe: it is not signed, and the real one is signed by Example "
              "Corporation.");
    EXPECT_NE(fake->DetailComment.find(fake->Verdict.LookAlikeReason), std::string::npos);
    EXPECT_EQ(fake->Verdict.Publisher, "") << "the catalogue's maker is not this file's";
    EXPECT_FALSE(plain->Verdict.LookAlike) << "its maker does not sign it";
    EXPECT_EQ(plain->Rating, 3);
    EXPECT_FALSE(real->Verdict.LookAlike);

    // A later catalogue pass (a consultation's) keeps what the signature said.
    RateFromCatalogue(all, Makers());
    EXPECT_TRUE(fake->Verdict.LookAlike);
    EXPECT_EQ(fake->Rating, 1);
    EXPECT_FALSE(real->Verdict.LookAlike);
}

TEST_F(SignatureVerdictTest, AHostsSignatureSaysNothingOfTheScriptItRuns) {
    TStartups all;
    TStartup* script =
        all.Add("Signed", "",
                "\"C:\\Windows\\System32\\wscript.exe\" //B \"C:\\Tools\\Signed.exe\"", slCURun, 0);
    RateFromCatalogue(all, Makers());
    ASSERT_EQ(script->Verdict.Program, "Signed.exe");
    ASSERT_EQ(ExtractFileName(script->LocatedFile()), "wscript.exe") << "what is checked";
    ApplySignature(*script, signature(TSignatureState::Verified, "Microsoft Windows"));
    EXPECT_FALSE(script->Verdict.LookAlike);
}

TEST(PublisherText, IsTheVerifiedSignerElseTheCompanyMarkedNotVerified) {
    TStartups all;
    TStartup* e = all.Add("A", "", "C:\\a.exe", slCURun, 0);
    EXPECT_EQ(PublisherText(*e), "") << "until the check ends";
    e->Verdict.Signature = signature(TSignatureState::Verified, "Example Corporation", "Example");
    EXPECT_EQ(PublisherText(*e), "Example Corporation");
    e->Verdict.Signature = signature(TSignatureState::Untrusted, "Example Corporation", "Example");
    EXPECT_EQ(PublisherText(*e), "Example (not verified)");
    e->Verdict.Signature = signature(TSignatureState::Tampered, "", "");
    EXPECT_EQ(PublisherText(*e), "");
}

// A checker that counts its calls and tells a file by its first byte.
struct TCountingChecker {
    std::atomic<int> Calls{0};
    TSignatureCache::TChecker Checker() {
        return [this](const std::string& path, const std::atomic<bool>*) {
            ++Calls;
            std::string data;
            ReadWholeFile(path, data);
            TFileSignature s = signature(TSignatureState::Verified, "Maker " + data.substr(0, 1),
                                         "Company\twith a tab");
            s.Sha256 = std::string(64, 'a');
            return s;
        };
    }
};

class SignatureCacheTest : public CoreTest {};

TEST_F(SignatureCacheTest, AnUnchangedFileIsCheckedOnceAndAChangedOneAgain) {
    const std::string program = PathJoin(Scratch(), "p.exe");
    WriteFileBytes(program, "1");
    TCountingChecker counting;
    TSignatureCache cache(counting.Checker());
    EXPECT_EQ(cache.Signature(program).Signer, "Maker 1");
    EXPECT_EQ(cache.Signature(program).Signer, "Maker 1");
    EXPECT_EQ(counting.Calls, 1);
    WriteFileBytes(program, "22"); // a new size
    EXPECT_EQ(cache.Signature(program).Signer, "Maker 2");
    EXPECT_EQ(counting.Calls, 2);
    EXPECT_EQ(cache.Signature(PathJoin(Scratch(), "missing.exe")).State, TSignatureState::Unknown);
    EXPECT_EQ(counting.Calls, 2) << "a missing file is not checked";
}

TEST_F(SignatureCacheTest, TheCacheFileServesTheNextRunAndKeepsEveryField) {
    const std::string program = PathJoin(Scratch(), "p.exe");
    const std::string file = PathJoin(Scratch(), "cache\\signatures.dat");
    WriteFileBytes(program, "1");
    TCountingChecker counting;
    TFileSignature first;
    {
        TSignatureCache cache(counting.Checker());
        first = cache.Signature(program);
        ASSERT_TRUE(cache.Save(file)) << "its folder is made";
    }
    TSignatureCache next(counting.Checker());
    ASSERT_TRUE(next.Load(file));
    const TFileSignature read = next.Signature(program);
    EXPECT_EQ(read.State, first.State);
    EXPECT_EQ(read.Signer, first.Signer);
    EXPECT_EQ(read.FileVersion, first.FileVersion);
    EXPECT_EQ(read.Sha256, first.Sha256);
    EXPECT_EQ(read.Company, "Company with a tab") << "a tab would split the record";
    EXPECT_EQ(counting.Calls, 1);
    EXPECT_TRUE(next.Load(PathJoin(Scratch(), "none.dat"))) << "no file is an empty cache";
}

TEST_F(SignatureCacheTest, ADamagedCacheFileIsNeverTrustedAndIsWrittenAnew) {
    const std::string program = PathJoin(Scratch(), "p.exe");
    const std::string file = PathJoin(Scratch(), "signatures.dat");
    WriteFileBytes(program, "1");
    TCountingChecker counting;
    {
        TSignatureCache cache(counting.Checker());
        cache.Signature(program);
        ASSERT_TRUE(cache.Save(file));
    }
    const std::string good = ReadFileBytes(file);
    const std::size_t tab = good.find('\t');
    ASSERT_NE(tab, std::string::npos);
    const std::string header = good.substr(0, good.find('\n') + 1);
    const std::string record = good.substr(header.size());
    for (const std::string& damaged :
         {std::string("\x7f"
                      "ELF garbage"),
          "Morvane signature cache 9\n" + record,
          // A file of the version before, which knew nothing of the rights a
          // program asks for.
          "Morvane signature cache 1\n" + record, good.substr(0, good.size() - 10),
          header + record.substr(0, record.size() - 1) + "\tx\n",
          header + "C:\\p.exe\t1\t2\tverified\ta\tb\tc\tNOTAHASH\n",
          header + "C:\\p.exe\t1\t2\tunchecked\ta\tb\tc\t\n",
          header + "C:\\p.exe\t-1\t2\tverified\ta\tb\tc\t\n", record + header}) {
        WriteFileBytes(file, damaged);
        TSignatureCache cache(counting.Checker());
        EXPECT_FALSE(cache.Load(file)) << damaged;
        EXPECT_EQ(cache.Size(), 0u) << "not even the good records of it";
        const int before = counting.Calls;
        EXPECT_EQ(cache.Signature(program).Signer, "Maker 1");
        EXPECT_EQ(counting.Calls, before + 1) << "checked again";
        ASSERT_TRUE(cache.Save(file));
        TSignatureCache again(counting.Checker());
        EXPECT_TRUE(again.Load(file)) << "written anew";
    }
}

TEST_F(SignatureCacheTest, ChecksRunOnTheirThreadAndStopPromptly) {
    const std::string program = PathJoin(Scratch(), "p.exe");
    WriteFileBytes(program, "1");
    std::atomic<bool> started{false};
    // A check that lasts until it is told to stop.
    TSignatureCache slow([&](const std::string&, const std::atomic<bool>* stop) {
        started = true;
        while (!*stop)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return TFileSignature{};
    });
    std::atomic<int> ready{0};
    {
        TSignatureChecks checks(slow, [&] { ++ready; });
        checks.Check({program, program});
        while (!started)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const auto from = std::chrono::steady_clock::now();
        checks.Stop();
        EXPECT_LT(std::chrono::steady_clock::now() - from, std::chrono::seconds(2));
    }
    EXPECT_EQ(ready, 0) << "a stopped check delivers nothing";

    TCountingChecker counting;
    TSignatureCache cache(counting.Checker());
    TSignatureChecks checks(cache, [&] { ++ready; });
    checks.Check({program, PathJoin(Scratch(), "missing.exe"), program});
    checks.Wait();
    const auto results = checks.TakeResults();
    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(results[0].first, program);
    EXPECT_EQ(results[0].second.Signer, "Maker 1");
    EXPECT_EQ(results[1].second.State, TSignatureState::Unknown);
    EXPECT_EQ(counting.Calls, 1) << "the second ask is the cache's";
    EXPECT_GE(ready, 1);
    EXPECT_TRUE(checks.TakeResults().empty());
}

} // namespace
