// The Publisher column under Wine: filled by the checks after the list has
// painted, from the signed programs the build makes (bin/signed); a refresh
// answered from the cache, a changed file checked again, a damaged cache
// file passed over, and a window closed while a check runs.
#include "support/FormTest.h"

#include "core/startupSignatures.h"
#include "core/startupUtil.h"
#include "ui/DetailPage.h"
#include "ui/ListColumns.h"
#include "ui/PublisherChecks.h"

#include <atomic>
#include <chrono>

namespace {

std::string sample(const char* name) {
    return PathJoin(PathJoin(AppFolder(), "signed"), name);
}

class PublisherChecksTest : public FormTest {
protected:
    void SetUp() override {
        FormTest::SetUp();
        if (IsSkipped())
            return;
        if (!FileExists(sample("sample.exe")))
            GTEST_SKIP() << "the signed samples were not built beside the tests";
        cacheFile = PathJoin(Scratch(), "signatures.dat");
    }

    // Opens the window with a checker that counts its calls and, while
    // `hold` is set, waits until it is told to stop.
    void OpenChecked() {
        form = std::make_unique<TfrmMorvane>();
        TPublisherChecks& checks = form->PublisherChecks();
        checks.SignatureCacheFile = cacheFile;
        checks.SignatureChecker = [this](const std::string& path, const std::atomic<bool>* stop) {
            ++calls;
            while (hold && !*stop)
                Sleep(1);
            return CheckFileSignature(path, stop);
        };
        ASSERT_TRUE(form->Create());
        form->Show(SW_SHOWNORMAL);
        Pump();
    }

    // As the user closes it: the cache file is written.
    void Close() {
        SendMessageA(form->Handle(), WM_CLOSE, 0, 0);
        form.reset();
        Pump();
    }

    TStartup* Entry(const std::string& title) const {
        for (int i = 0; i < form->Startups()->Count(); ++i)
            if (form->Startups()->Items(i)->Title == title)
                return form->Startups()->Items(i);
        return nullptr;
    }

    std::string cacheFile;
    std::atomic<int> calls{0};
    std::atomic<bool> hold{false};
};

TEST_F(PublisherChecksTest, PublisherCellsFillAfterTheFirstPaintWithEveryState) {
    const std::string copy = PathJoin(Scratch(), "sample.exe");
    ASSERT_TRUE(CopyFileTo(sample("sample.exe"), copy));
    PutValue(slCURun, "Unsigned", "\"" + copy + "\"");
    PutValue(slCURun, "Signed", "\"" + sample("sample-signed.exe") + "\"");
    PutValue(slCURun, "Tampered", "\"" + sample("sample-tampered.exe") + "\"");
    hold = true;
    OpenChecked();
    ASSERT_NO_FATAL_FAILURE();
    UpdateWindow(List());
    ASSERT_EQ(Rows(), 3) << "the list is there before any check ended";
    EXPECT_EQ(Entry("Signed")->Verdict.Signature.State, TSignatureState::Unchecked);
    EXPECT_EQ(PublisherText(*Entry("Signed")), "");
    char caption[64] = {};
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT;
    column.pszText = caption;
    column.cchTextMax = sizeof caption;
    ASSERT_TRUE(ListView_GetColumn(List(), lcPublisher, &column));
    EXPECT_STREQ(caption, "Publisher");

    hold = false;
    form->PublisherChecks().WaitForSignatures();
    const TFileSignature& unsigned_ = Entry("Unsigned")->Verdict.Signature;
    EXPECT_EQ(unsigned_.State, TSignatureState::Unsigned);
    EXPECT_EQ(PublisherText(*Entry("Unsigned")), "Morvane Sample Maker (not verified)");
    std::string hash;
    ASSERT_TRUE(ReadWholeFile(sample("sample.sha256"), hash));
    EXPECT_EQ(unsigned_.Sha256 + "\n", hash);
    // Wine's chain check refuses a self-made certificate with one of the
    // two "not trusted" codes; either is the untrusted state.
    EXPECT_EQ(Entry("Signed")->Verdict.Signature.State, TSignatureState::Untrusted);
    EXPECT_EQ(Entry("Signed")->Verdict.Signature.Signer, "Morvane Sample Signer");
    EXPECT_EQ(Entry("Tampered")->Verdict.Signature.State, TSignatureState::Tampered);

    // The detail page says all of it.
    const auto vars = DetailPageVariables(*Entry("Signed"), true);
    auto value = [&vars](const std::string& name) {
        for (const auto& [n, v] : vars)
            if (n == name)
                return v;
        return std::string("(none)");
    };
    EXPECT_EQ(value("signature"), "signed, not trusted (Morvane Sample Signer)");
    EXPECT_EQ(value("company"), "Morvane Sample Maker");
    EXPECT_EQ(value("fileversion"), "1.2.3.4");
    EXPECT_EQ(value("sha256"), Entry("Signed")->Verdict.Signature.Sha256);
}

TEST_F(PublisherChecksTest, ARefreshReusesTheCacheAndAChangedFileIsCheckedAgain) {
    const std::string copy = PathJoin(Scratch(), "sample.exe");
    ASSERT_TRUE(CopyFileTo(sample("sample.exe"), copy));
    PutValue(slCURun, "Unsigned", "\"" + copy + "\"");
    OpenChecked();
    form->PublisherChecks().WaitForSignatures();
    EXPECT_EQ(calls, 1);
    form->btnRefreshClick();
    form->PublisherChecks().WaitForSignatures();
    EXPECT_EQ(calls, 1) << "unchanged";
    EXPECT_EQ(PublisherText(*Entry("Unsigned")), "Morvane Sample Maker (not verified)");

    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(copy, bytes));
    WriteFileBytes(copy, bytes + "x");
    form->btnRefreshClick();
    form->PublisherChecks().WaitForSignatures();
    EXPECT_EQ(calls, 2) << "a new size";

    // The next run reads what this one kept.
    Close();
    ASSERT_TRUE(FileExists(cacheFile));
    OpenChecked();
    form->PublisherChecks().WaitForSignatures();
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(Entry("Unsigned")->Verdict.Signature.State, TSignatureState::Unsigned);
}

TEST_F(PublisherChecksTest, ADamagedCacheFileIsPassedOverAndWrittenAnew) {
    PutValue(slCURun, "Signed", "\"" + sample("sample-signed.exe") + "\"");
    WriteFileBytes(cacheFile, std::string("Morvane signature cache 2\n") +
                                  sample("sample-signed.exe") +
                                  "\t1\t2\tverified\tForged Signer\t\t\t\n\x01\x02garbage");
    OpenChecked();
    form->PublisherChecks().WaitForSignatures();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(Entry("Signed")->Verdict.Signature.Signer, "Morvane Sample Signer");
    Close();
    const std::string text = ReadFileBytes(cacheFile);
    EXPECT_EQ(text.find("Forged"), std::string::npos);
    EXPECT_NE(text.find("Morvane Sample Signer"), std::string::npos);
}

TEST_F(PublisherChecksTest, ClosingTheWindowWhileAChecksRunsEndsItPromptly) {
    PutValue(slCURun, "Signed", "\"" + sample("sample-signed.exe") + "\"");
    hold = true;
    OpenChecked();
    for (int i = 0; i < 5000 && calls == 0; ++i)
        Sleep(1);
    ASSERT_EQ(calls, 1);
    const auto from = std::chrono::steady_clock::now();
    SendMessageA(form->Handle(), WM_CLOSE, 0, 0);
    EXPECT_LT(std::chrono::steady_clock::now() - from, std::chrono::seconds(3));
    form.reset();
}

TEST_F(PublisherChecksTest, AnUnsignedCopyOfASignedMakersProgramIsMarkedALookAlike) {
    // Where that program lives, but not signed by its maker.
    const std::string folder = "C:\\Program Files\\Microsoft OneDrive\\Morvane Test";
    ASSERT_TRUE(ForceFolders(folder));
    const std::string fake = PathJoin(folder, "OneDriveSetup.exe");
    ASSERT_TRUE(CopyFileTo(sample("sample.exe"), fake));
    PutValue(slCURun, "OneDriveSetup", "\"" + fake + "\"");
    OpenChecked();
    form->PublisherChecks().WaitForSignatures();
    const TStartup* entry = Entry("OneDriveSetup");
    ASSERT_NE(entry, nullptr);
    EXPECT_TRUE(entry->Verdict.LookAlike);
    EXPECT_EQ(entry->Verdict.LookAlikeReason,
              "Not the real OneDriveSetup.exe: it is not signed, and the real one is signed by "
              "Microsoft Corporation.");
    EXPECT_EQ(entry->Rating, 1);
    EXPECT_FALSE(form->Startups()->Modified) << "a refresh warns of no change";
    const auto vars = DetailPageVariables(*entry, true);
    bool said = false;
    for (const auto& [name, value] : vars)
        said = said || (name == "lookalike" && value.find("it is not signed") != std::string::npos);
    EXPECT_TRUE(said);
    form.reset();
    DeleteFileA(fake.c_str());
    RemoveDirectoryA(folder.c_str());
}

} // namespace
