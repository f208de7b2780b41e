#pragma once
// Who made each entry's program: the checks of the located program files'
// signatures, kept by path, size and write time in memory and in a small
// per-user file (SignatureCachePath) so that an unchanged file is checked
// once; the checks run on a thread of their own for the window; the
// look-alike rule a signature adds to the catalogue's; and the publisher
// the list shows.

#include "system/FileSignature.h"
#include "system/Files.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

class TStartup;
class TStartups;

class TSignatureCache {
public:
    using TChecker =
        std::function<TFileSignature(const std::string& path, const std::atomic<bool>* stop)>;
    // The most files the cache file keeps; past it, those not asked about in
    // this run are dropped first.
    static constexpr std::size_t MaxSavedFiles = 20000;

    explicit TSignatureCache(TChecker checker = CheckFileSignature);

    // The signature of a program file, checked now unless the file's size
    // and write time are those it was last checked at. A missing file is
    // Unknown, without a hash. Unchecked when `stop` cut the check short.
    TFileSignature Signature(const std::string& path, const std::atomic<bool>* stop = nullptr);

    // Adds what the cache file holds. A file that is not one, in any part,
    // adds nothing (a damaged cache is never trusted): false then, and the
    // next Save writes it anew. A missing file is an empty cache (true).
    bool Load(const std::string& path);
    // Replaces the file once the new one is complete; false when it could not.
    bool Save(const std::string& path) const;

    // How many files were checked rather than answered from the cache.
    int Checks() const;
    std::size_t Size() const;

private:
    struct TCached {
        TFileStamp Stamp;
        TFileSignature Signature;
        std::string Path;
        bool Asked = false; // asked about since the cache was made
    };
    TChecker checker_;
    mutable std::mutex mutex_;
    std::unordered_map<std::string, TCached> byPath_; // upper-cased path
    int checks_ = 0;
};

// The located program file of an entry, as the check reads it (the native
// System32 for a 32-bit program on 64-bit Windows).
std::string SignedFileOf(const TStartup& entry);

// Records a signature in the entry's verdict and applies the look-alike rule
// below; the catalogue's judgement (RateFromCatalogue) comes first.
void ApplySignature(TStartup& entry, const TFileSignature& signature);

// Why a file that carries the name of a program whose maker signs it is not
// that program, in one sentence; empty when its signature says nothing
// against it (verified as signed by that maker, or no signature information).
std::string SignatureLookAlikeReason(const std::string& program, const std::string& publisher,
                                     const TFileSignature& signature);
// Whether a signer's name names the maker: "Microsoft Windows" names
// "Microsoft Corporation", "Google LLC" names "Google"; letter case, and
// company forms (Inc., Ltd., Corporation, ...) do not count.
bool SignerNamesPublisher(const std::string& signer, const std::string& publisher);

// What the list's Publisher column shows: the signer of a verified
// signature, else the company the version resource claims followed by
// " (not verified)"; empty until the check ends or when neither is known.
std::string PublisherText(const TStartup& entry);

// Checks these entries' program files now, through the cache (what the
// command-line tool does).
void CheckSignatures(const std::vector<TStartup*>& entries, TSignatureCache& cache);

// The checks of the window: program files (entries' FilePath, as written)
// are located and checked on a thread of their own, in the order given;
// `ready` is called on that thread whenever results wait to be taken. The
// thread ends with Stop or the object: at once between files, and within a
// file once its hash stops.
class TSignatureChecks {
public:
    // `first` runs on the checks' thread before any check (the cache file
    // is read there, not on the window's thread).
    TSignatureChecks(TSignatureCache& cache, std::function<void()> ready,
                     std::function<void()> first = {});
    ~TSignatureChecks();
    TSignatureChecks(const TSignatureChecks&) = delete;
    TSignatureChecks& operator=(const TSignatureChecks&) = delete;

    // Replaces what waits to be checked with these program files.
    void Check(std::vector<std::string> programs);
    // The results that arrived since the last call: program file (as given)
    // and its signature.
    std::vector<std::pair<std::string, TFileSignature>> TakeResults();
    // Until nothing waits to be checked (for tests and benchmarks).
    void Wait();
    void Stop();

private:
    void run();

    TSignatureCache& cache_;
    std::function<void()> ready_;
    std::function<void()> first_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<std::string> pending_;
    std::vector<std::pair<std::string, TFileSignature>> results_;
    bool busy_ = false;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};
