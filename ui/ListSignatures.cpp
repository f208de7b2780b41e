// Who made each listed program: the signature checks of the entries'
// program files run on a thread of their own, so that the list paints at
// once; each result that arrives goes into the entries of its program file
// and the list repaints with their Publisher cells filled.

#include "Unit1.h"

#include "EntryList.h"
#include "core/startupSignatures.h"
#include "core/startupUtil.h"

namespace {

// The main window's one-shot timer that begins the checks. A timer message
// comes after the window's paint messages: the checks' first work (the
// cache file, the system's trust libraries) then never holds up the paint
// of the list they are for.
const UINT_PTR SignatureTimer = 0x5167;

} // namespace

void TfrmMorvane::StartSignatureChecks() {
    if (!ChecksSignatures)
        return;
    signaturesPending_ = true;
    SetTimer(Hwnd(), SignatureTimer, USER_TIMER_MINIMUM, nullptr);
}

bool TfrmMorvane::SignatureTimerFired(UINT_PTR timer) {
    if (timer != SignatureTimer)
        return false;
    KillTimer(Hwnd(), SignatureTimer);
    if (signaturesPending_)
        BeginSignatureChecks();
    return true;
}

void TfrmMorvane::BeginSignatureChecks() {
    signaturesPending_ = false;
    KillTimer(Hwnd(), SignatureTimer);
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
        HWND wnd = Hwnd();
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

void TfrmMorvane::SignaturesReady() {
    if (!signatureChecks_ || !startups_)
        return;
    bool changed = false;
    for (const auto& [program, signature] : signatureChecks_->TakeResults()) {
        const auto [from, to] = entriesByProgram_.equal_range(program);
        for (auto it = from; it != to; ++it) {
            ApplySignature(*it->second, signature);
            changed = true;
        }
    }
    if (changed)
        entryList_->Repaint();
}

void TfrmMorvane::WaitForSignatures() {
    if (signaturesPending_)
        BeginSignatureChecks();
    if (!signatureChecks_)
        return;
    signatureChecks_->Wait();
    SignaturesReady();
}

void TfrmMorvane::StopSignatureChecks() {
    signaturesPending_ = false;
    if (Hwnd())
        KillTimer(Hwnd(), SignatureTimer);
    if (signatureChecks_)
        signatureChecks_->Stop();
    signatureChecks_.reset();
}
