#pragma once
// The rating server's data in SQLite: the programs with their titles,
// rating and comment, and the contributions users sent, pending review.
// Every statement is prepared; nothing a client sends becomes SQL text.

#include "catalogue/Catalogue.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

class EStoreError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TProgram {
    int64_t Id = 0;
    std::string File;
    std::vector<std::string> Titles;
    int Rating = 0;
    std::string Comment;
    std::vector<std::string> Folders;
    std::string Publisher;
    std::string TurnOff;
    // Set by the server's administrator (accepted or set by hand): kept
    // when a newer catalogue replaces the catalogue's rows.
    bool Admin = false;
};

struct TContribution {
    std::string Title;
    std::string File;
    int Rating = -1; // -1: the user gave none
    std::string Comment;
    std::string Remote;
    int64_t Id = 0;
    std::string Status; // "pending", "accepted" or "rejected"
    std::string Received;
};

class TRatingStore {
public:
    // Opens or creates the database. A new one gets the catalogue; one that
    // holds an older catalogue version has the catalogue's rows replaced,
    // keeping contributions and the administrator's rows.
    explicit TRatingStore(const std::string& path,
                          const TCatalogue& catalogue = TCatalogue::Builtin());
    ~TRatingStore();
    TRatingStore(const TRatingStore&) = delete;
    TRatingStore& operator=(const TRatingStore&) = delete;

    // The program as Morvane's own matcher finds it (MatchFile): by file
    // name (generic names never, without a folder), of several the one that
    // knows the title; else by title. The administrator's rows first.
    std::optional<TProgram> Lookup(const std::string& file, const std::string& title);
    // Several lookups under one lock, in one read transaction.
    std::vector<std::optional<TProgram>>
    LookupAll(const std::vector<std::pair<std::string, std::string>>& fileAndTitle);

    std::optional<TProgram> Program(int64_t id);
    std::vector<TProgram> Programs();
    int ProgramCount();

    int CatalogueVersion();

    int64_t AddContribution(const TContribution& c);
    int PendingContributions();
    std::vector<TContribution> Contributions();

    // The administrator's work. Each raises EStoreError saying why it could
    // not be done (no such contribution, one already decided, a rating
    // outside 0 to 4), and returns the program row it changed.
    // Accepting makes the contribution's program answer with its rating and
    // comment, or with those given instead.
    TProgram Accept(int64_t contribution, std::optional<int> rating,
                    std::optional<std::string> comment);
    void Reject(int64_t contribution);
    // The program's row (by file name; the first of several) answers with
    // this rating and comment from now on; a new row when none has the file.
    TProgram SetProgram(const std::string& file, int rating, std::optional<std::string> comment,
                        const std::string& title = "");
    std::vector<TProgram> AdminPrograms();

private:
    sqlite3_stmt* Prepare(const char* sql);
    void Exec(const char* sql);
    int QueryInt(const char* sql);
    void Migrate();
    // Replaces the catalogue's rows by this catalogue's records.
    void Seed(const TCatalogue& catalogue);
    int64_t InsertLocked(const TCatalogueRecord& record, bool admin);
    std::optional<TProgram> LookupLocked(const std::string& file, const std::string& title);
    // The id of the row the matcher finds; 0 for none.
    int64_t FindLocked(const std::string& file, const std::string& title);
    std::optional<TProgram> Load(int64_t id);
    // The matcher's index of every row, made again when the rows changed
    // (here, or in another process: an administrator's command).
    void RefreshIndexLocked();
    // Marks a contribution "accepted" or "rejected".
    void Decide(int64_t contribution, const char* status);

    std::mutex mutex_;
    sqlite3* db_ = nullptr;
    sqlite3_stmt* program_ = nullptr;
    sqlite3_stmt* titles_ = nullptr;
    sqlite3_stmt* insertProgram_ = nullptr;
    sqlite3_stmt* insertTitle_ = nullptr;
    std::vector<sqlite3_stmt*> statements_;
    TCatalogue index_;
    std::unordered_map<const TCatalogueRecord*, int64_t> indexIds_; // each record's row
    std::vector<std::string> generic_;
    int indexedVersion_ = -1; // PRAGMA data_version when index_ was made
    bool indexStale_ = true;
};
