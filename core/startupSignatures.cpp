#include "startupSignatures.h"

#include "catalogue/ProgramMatch.h"
#include "startupSignIn.h"
#include "startupUtil.h"
#include "system/AsciiCase.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace {

// Version 2 added the rights the program's manifest asks for: a version 1
// file is not believed, so every file is checked once more.
const char* const CacheHeader = "Morvane signature cache 2";
constexpr std::size_t MaxCacheFileSize = 16u << 20;
constexpr std::size_t CacheFields = 9;

// Tabs and line breaks separate the cache file's fields and records; a
// name that holds one (no signer's or company's should) is kept with blanks.
std::string oneLine(std::string text) {
    for (char& c : text)
        if (c == '\t' || c == '\r' || c == '\n')
            c = ' ';
    return text;
}

bool readNumber(const std::string& text, std::uint64_t& value) {
    if (text.empty())
        return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

bool isHash(const std::string& text) {
    if (text.empty())
        return true;
    if (text.size() != 64)
        return false;
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    return true;
}

std::vector<std::string> splitTabs(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t from = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', from);
        fields.push_back(
            line.substr(from, tab == std::string::npos ? std::string::npos : tab - from));
        if (tab == std::string::npos)
            return fields;
        from = tab + 1;
    }
}

// The words of a maker's name that tell it apart: lower case, without
// punctuation and without its company form.
std::vector<std::string> nameWords(const std::string& name) {
    static const char* const forms[] = {"corporation", "corp", "incorporated", "inc", "ltd",
                                        "limited",     "llc",  "gmbh",         "co",  "ag",
                                        "sa",          "bv",   "plc"};
    std::vector<std::string> words;
    std::string word;
    auto flush = [&] {
        bool form = false;
        for (const char* f : forms)
            form = form || word == f;
        if (!word.empty() && !form)
            words.push_back(word);
        word.clear();
    };
    for (char c : name) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (std::isalnum(u) || u >= 0x80)
            word += asciiLower(c);
        else if (c != '.' && c != '\'')
            flush();
    }
    flush();
    return words;
}

} // namespace

TSignatureCache::TSignatureCache(TChecker checker) : checker_(std::move(checker)) {}

TFileSignature TSignatureCache::Signature(const std::string& path, const std::atomic<bool>* stop) {
    TFileStamp stamp;
    if (!ReadFileStamp(path, stamp)) {
        TFileSignature missing;
        missing.State = TSignatureState::Unknown;
        return missing;
    }
    const std::string key = asciiUpper(path);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = byPath_.find(key);
        if (it != byPath_.end() && it->second.Stamp == stamp) {
            it->second.Asked = true;
            return it->second.Signature;
        }
    }
    // Checked outside the lock: a check may take a while, and a file that is
    // changed while it is read is checked again next time (its stamp moves).
    TFileSignature signature = checker_(path, stop);
    if (signature.State == TSignatureState::Unchecked)
        return signature;
    std::lock_guard<std::mutex> lock(mutex_);
    ++checks_;
    byPath_[key] = TCached{stamp, signature, path, true};
    return signature;
}

int TSignatureCache::Checks() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return checks_;
}

std::size_t TSignatureCache::Size() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return byPath_.size();
}

bool TSignatureCache::Load(const std::string& path) {
    if (!FileExists(path))
        return true;
    std::string text;
    if (!ReadWholeFile(path, text) || text.size() > MaxCacheFileSize)
        return false;
    // The lines of the text, without their line feeds; the programs carry no
    // standard streams.
    std::size_t at = 0;
    auto nextLine = [&](std::string& line) {
        if (at >= text.size())
            return false;
        const std::size_t end = text.find('\n', at);
        line.assign(text, at, end == std::string::npos ? std::string::npos : end - at);
        at = end == std::string::npos ? text.size() : end + 1;
        return true;
    };
    std::string line;
    if (!nextLine(line) || line != CacheHeader)
        return false;
    std::unordered_map<std::string, TCached> read;
    while (nextLine(line)) {
        if (line.empty())
            continue;
        const std::vector<std::string> fields = splitTabs(line);
        TCached cached;
        if (fields.size() != CacheFields || fields[0].empty() ||
            !readNumber(fields[1], cached.Stamp.Size) ||
            !readNumber(fields[2], cached.Stamp.WriteTime) ||
            !SignatureStateFromName(fields[3], cached.Signature.State) ||
            cached.Signature.State == TSignatureState::Unchecked || !isHash(fields[7]) ||
            (fields[8] != "0" && fields[8] != "1"))
            return false;
        cached.Path = fields[0];
        cached.Signature.Signer = fields[4];
        cached.Signature.Company = fields[5];
        cached.Signature.FileVersion = fields[6];
        cached.Signature.Sha256 = fields[7];
        cached.Signature.AsksForAdministrator = fields[8] == "1";
        if (read.size() >= MaxSavedFiles)
            return false;
        read[asciiUpper(cached.Path)] = std::move(cached);
    }
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& [key, cached] : read)
        byPath_.try_emplace(key, std::move(cached));
    return true;
}

bool TSignatureCache::Save(const std::string& path) const {
    std::string text = CacheHeader;
    text += '\n';
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const bool onlyAsked = byPath_.size() > MaxSavedFiles;
        std::size_t saved = 0;
        for (const auto& [key, cached] : byPath_) {
            if ((onlyAsked && !cached.Asked) || saved >= MaxSavedFiles)
                continue;
            ++saved;
            const TFileSignature& s = cached.Signature;
            text += oneLine(cached.Path);
            text += '\t';
            text += std::to_string(cached.Stamp.Size);
            text += '\t';
            text += std::to_string(cached.Stamp.WriteTime);
            text += '\t';
            text += SignatureStateName(s.State);
            for (const std::string* field : {&s.Signer, &s.Company, &s.FileVersion, &s.Sha256}) {
                text += '\t';
                text += oneLine(*field);
            }
            text += s.AsksForAdministrator ? "\t1\n" : "\t0\n";
        }
    }
    const std::string folder = FileDir(path);
    if (!folder.empty())
        ForceFolders(folder);
    const std::string partial = path + ".new";
    if (!WriteWholeFile(partial, text))
        return false;
    if (ReplaceFileWith(path, partial))
        return true;
    DeleteFileAt(partial);
    return false;
}

std::string SignedFileOf(const TStartup& entry) {
    return NativeFilePath(entry.LocatedFile());
}

bool SignerNamesPublisher(const std::string& signer, const std::string& publisher) {
    const std::vector<std::string> by = nameWords(signer);
    const std::vector<std::string> maker = nameWords(publisher);
    if (by.empty() || maker.empty())
        return false;
    // Makers sign under longer names of theirs ("Microsoft Windows" for
    // Windows' own files): the shorter name must begin the longer one.
    const std::size_t n = std::min(by.size(), maker.size());
    for (std::size_t i = 0; i < n; ++i)
        if (by[i] != maker[i])
            return false;
    return true;
}

std::string SignatureLookAlikeReason(const std::string& program, const std::string& publisher,
                                     const TFileSignature& signature) {
    if (publisher.empty())
        return {};
    std::string why = "Not the real ";
    why += program;
    switch (signature.State) {
    case TSignatureState::Verified:
        if (SignerNamesPublisher(signature.Signer, publisher))
            return {};
        why += ": it is signed by ";
        why += signature.Signer;
        why += ", but the real one is signed by ";
        break;
    case TSignatureState::Untrusted:
        why += ": its signature by ";
        why += signature.Signer.empty() ? std::string("an unknown signer") : signature.Signer;
        why += " is not trusted, and the real one is signed by ";
        break;
    case TSignatureState::Tampered:
        why += ": its signature does not match the file (it was changed after signing), and the "
               "real one is signed by ";
        break;
    case TSignatureState::Unsigned:
        why += ": it is not signed, and the real one is signed by ";
        break;
    case TSignatureState::Unknown:
    case TSignatureState::Unchecked:
        return {};
    }
    why += publisher;
    why += '.';
    return why;
}

namespace {

// ApplySignature with the entry's program file as found, when the caller
// has it already (null: it is looked up here, if it is needed).
void ApplySignatureTo(TStartup& entry, const TFileSignature& signature,
                      const std::string* locatedFile) {
    TProgramVerdict& verdict = entry.Verdict;
    verdict.Signature = signature;
    entry.BlockedAtSignIn = signature.AsksForAdministrator && StartsOnlyUnelevated(entry.Location);
    if (verdict.LookAlike || verdict.ExpectedPublisher.empty())
        return;
    // The rule judges the file the catalogue matched: not the host of a
    // script or the rundll32 of a DLL, whose signature says nothing of it.
    const std::string located = locatedFile ? *locatedFile : entry.LocatedFile();
    if (!asciiEqualNoCase(PathFileName(located), verdict.Program))
        return;
    const std::string why =
        SignatureLookAlikeReason(verdict.Program, verdict.ExpectedPublisher, signature);
    if (why.empty())
        return;
    verdict.LookAlike = true;
    verdict.LookAlikeReason = why;
    verdict.Publisher.clear();
    verdict.TurnOff.clear();
    const std::string comment =
        why + " A file that takes a well-known name may be pretending to be it: check it before "
              "you keep it.";
    // Morvane's own judgement is no change of the user's: a refresh must not
    // warn of changes that were never made.
    const bool modified = entry.Owner && entry.Owner->Modified;
    entry.SetRating(1);
    entry.SetComment(comment);
    entry.SetDetailComment(comment);
    if (entry.Owner)
        entry.Owner->Modified = modified;
}

} // namespace

void ApplySignature(TStartup& entry, const TFileSignature& signature) {
    ApplySignatureTo(entry, signature, nullptr);
}

std::string PublisherText(const TStartup& entry) {
    const TFileSignature& s = entry.Verdict.Signature;
    if (s.State == TSignatureState::Verified && !s.Signer.empty())
        return s.Signer;
    if (!s.Company.empty())
        return s.Company + " (not verified)";
    return {};
}

void CheckSignatures(const std::vector<TStartup*>& entries, TSignatureCache& cache) {
    // One listing of each folder finds every entry's program file; one that
    // is missing has no signature to read.
    TProgramLookups files;
    for (TStartup* entry : entries) {
        const TProgramFile& file = files.Locate(entry->FilePath);
        TFileSignature signature;
        signature.State = TSignatureState::Unknown;
        if (!file.Missing)
            signature = cache.Signature(NativeFilePath(file.Located));
        ApplySignatureTo(*entry, signature, &file.Located);
    }
}

TSignatureChecks::TSignatureChecks(TSignatureCache& cache, std::function<void()> ready,
                                   std::function<void()> first)
    : cache_(cache), ready_(std::move(ready)), first_(std::move(first)) {
    // The search path is split on this thread, before the checks read it.
    SearchFolders();
    thread_ = std::thread([this] { run(); });
}

TSignatureChecks::~TSignatureChecks() {
    Stop();
}

void TSignatureChecks::Check(std::vector<std::string> programs) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        pending_.assign(std::make_move_iterator(programs.begin()),
                        std::make_move_iterator(programs.end()));
        results_.clear();
    }
    wake_.notify_one();
}

std::vector<std::pair<std::string, TFileSignature>> TSignatureChecks::TakeResults() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::pair<std::string, TFileSignature>> taken;
    taken.swap(results_);
    return taken;
}

void TSignatureChecks::Wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    idle_.wait(lock, [this] { return (pending_.empty() && !busy_) || stop_; });
}

void TSignatureChecks::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
        pending_.clear();
    }
    wake_.notify_one();
    idle_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

void TSignatureChecks::run() {
    if (first_)
        first_();
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stop_ || !pending_.empty(); });
        if (stop_)
            return;
        std::string program = std::move(pending_.front());
        pending_.pop_front();
        busy_ = true;
        lock.unlock();
        const std::string located = FindOnPath(program);
        TFileSignature signature;
        if (ProgramFileExists(located))
            signature = cache_.Signature(NativeFilePath(located), &stop_);
        else
            signature.State = TSignatureState::Unknown;
        lock.lock();
        busy_ = false;
        if (stop_)
            return;
        // A result of a list that was replaced meanwhile still names a
        // program file, and stays right for it.
        const bool first = results_.empty();
        results_.emplace_back(std::move(program), std::move(signature));
        if (pending_.empty())
            idle_.notify_all();
        if (first && ready_) {
            lock.unlock();
            ready_();
            lock.lock();
        }
    }
}
