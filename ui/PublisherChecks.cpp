// The signature checks of the entries' program files (PublisherChecks.h).

#include "PublisherChecks.h"

#include "core/StartupPaths.h"
#include "core/startupUtil.h"

#include <utility>
#include <vector>

namespace {

// The main window's one-shot timer that begins the checks. A timer message
// comes after the window's paint messages: the checks' first work (the
// cache file, the system's trust libraries) then never holds up the paint
// of the list they are for.
const UINT_PTR SignatureTimer = 0x5167;

} // namespace

TPublisherChecks::TPublisherChecks() = default;

TPublisherChecks::~TPublisherChecks() = default;

void TPublisherChecks::Create(HWND window, TStartups& startups) {
    window_ = window;
    startups_ = &startups;
}

void TPublisherChecks::StartSignatureChecks() {
    if (!ChecksSignatures)
        return;
    signaturesPending_ = true;
    SetTimer(window_, SignatureTimer, USER_TIMER_MINIMUM, nullptr);
}

bool TPublisherChecks::SignatureTimerFired(UINT_PTR timer) {
    if (timer != SignatureTimer)
        return false;
    KillTimer(window_, SignatureTimer);
    if (signaturesPending_)
        BeginSignatureChecks();
    return true;
}

void TPublisherChecks::BeginSignatureChecks() {
    signaturesPending_ = false;
    KillTimer(window_, SignatureTimer);
    if (!ChecksSignatures || !startups_)
        return;
    std::function<void()> first;
    if (!signatureCache_) {
        signatureCache_ = std::make_unique<TSignatureCache>(
            SignatureChecker ? SignatureChecker : TSignatureCache::TChecker(CheckFileSignature));
        if (SignatureCacheFile.empty())
            SignatureCacheFile = SignatureCachePath();
        // Read on the checks' thread, so that the list paints meanwhile. A
        // damaged cache adds nothing; it is written anew at close.
        if (!SignatureCacheFile.empty())
            first = [cache = signatureCache_.get(), file = SignatureCacheFile] {
                cache->Load(file);
            };
    }
    if (!signatureChecks_) {
        HWND wnd = window_;
        signatureChecks_ = std::make_unique<TSignatureChecks>(
            *signatureCache_, [wnd] { PostMessageA(wnd, WM_SIGNATURESREADY, 0, 0); },
            std::move(first));
    }
    entriesByProgram_.clear();
    std::vector<std::string> programs;
    programs.reserve(static_cast<size_t>(startups_->Count()));
    for (int i = 0; i < startups_->Count(); ++i) {
        TStartup* entry = startups_->Items(i);
        if (entriesByProgram_.find(entry->FilePath) == entriesByProgram_.end())
            programs.push_back(entry->FilePath);
        entriesByProgram_.emplace(entry->FilePath, entry);
    }
    signatureChecks_->Check(std::move(programs));
}

void TPublisherChecks::SignaturesReady() {
    if (!signatureChecks_)
        return;
    bool changed = false;
    for (const auto& [program, signature] : signatureChecks_->TakeResults()) {
        const auto [from, to] = entriesByProgram_.equal_range(program);
        for (auto it = from; it != to; ++it) {
            ApplySignature(*it->second, signature);
            changed = true;
        }
    }
    if (changed && OnSignatures)
        OnSignatures();
}

void TPublisherChecks::WaitForSignatures() {
    if (signaturesPending_)
        BeginSignatureChecks();
    if (!signatureChecks_)
        return;
    signatureChecks_->Wait();
    SignaturesReady();
}

void TPublisherChecks::StopSignatureChecks() {
    signaturesPending_ = false;
    if (window_)
        KillTimer(window_, SignatureTimer);
    if (signatureChecks_)
        signatureChecks_->Stop();
    signatureChecks_.reset();
    entriesByProgram_.clear();
}

void TPublisherChecks::SaveAtClose() {
    StopSignatureChecks();
    if (signatureCache_ && signatureCache_->Checks() > 0 && !SignatureCacheFile.empty())
        signatureCache_->Save(SignatureCacheFile);
}
