#pragma once
// Who made each listed program: the signature checks of the entries'
// program files. Asked for by a refresh or a profile load, they begin once
// the list has painted, run on a thread of their own and fill the entries'
// signatures as they end; the window's list then repaints its Publisher
// cells. What was checked is kept between runs in a cache file.

#include "core/startupSignatures.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>

class TStartup;
class TStartups;

class TPublisherChecks {
public:
    // The message that tells the window that checks ended.
    static constexpr UINT WM_SIGNATURESREADY = WM_APP + 23;

    // Where the checks are kept between runs; SignatureCachePath() unless a
    // test says otherwise, empty for none.
    std::string SignatureCacheFile;
    // False: no checks at all (a benchmark's reference).
    bool ChecksSignatures = true;
    // What checks one file; CheckFileSignature unless a test says otherwise.
    TSignatureCache::TChecker SignatureChecker;
    // Results went into entries: the list repaints.
    std::function<void()> OnSignatures;

    TPublisherChecks();
    ~TPublisherChecks();
    TPublisherChecks(const TPublisherChecks&) = delete;
    TPublisherChecks& operator=(const TPublisherChecks&) = delete;

    // The window whose timer begins the checks and which is sent
    // WM_SIGNATURESREADY, and the entries whose programs are checked.
    void Create(HWND window, TStartups& startups);

    // Asks for the checks of every entry's program; they begin at the
    // window's next timer message, after its paint.
    void StartSignatureChecks();
    // The window's WM_TIMER; true when it was the checks' timer.
    bool SignatureTimerFired(UINT_PTR timer);
    // Takes the checks that ended into their entries (WM_SIGNATURESREADY).
    void SignaturesReady();
    // Until every check started has ended and its result is in its entry
    // (for tests and benchmarks).
    void WaitForSignatures();
    // The entries are about to go: no result goes into them any more.
    void EntriesGoing() { entriesByProgram_.clear(); }
    // Ends the checks; what is being checked now is checked again next time.
    void StopSignatureChecks();
    // At close: stops the checks and writes the cache file, unless the cache
    // learnt nothing new (or was never read).
    void SaveAtClose();

    TSignatureCache* SignatureCache() const { return signatureCache_.get(); }

private:
    void BeginSignatureChecks();

    HWND window_ = nullptr;
    TStartups* startups_ = nullptr;
    // The checks of the program files and their cache; the entries of each
    // program file as the checks name it (its FilePath).
    std::unique_ptr<TSignatureCache> signatureCache_;
    std::unique_ptr<TSignatureChecks> signatureChecks_;
    std::unordered_multimap<std::string, TStartup*> entriesByProgram_;
    bool signaturesPending_ = false;
};
