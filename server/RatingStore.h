#pragma once
// The rating server's data in SQLite: the programs with their titles,
// rating and comment, and the contributions users sent, pending review.
// Every statement is prepared; nothing a client sends becomes SQL text.

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
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
};

struct TContribution {
    std::string Title;
    std::string File;
    int Rating = -1; // -1: the user gave none
    std::string Comment;
    std::string Remote;
};

class TRatingStore {
public:
    // Opens or creates the database; a new one gets the catalogue.
    explicit TRatingStore(const std::string& path);
    ~TRatingStore();
    TRatingStore(const TRatingStore&) = delete;
    TRatingStore& operator=(const TRatingStore&) = delete;

    // The program by file name (letter case ignored); of several with the
    // same file, the one that knows the title. Without a file name, or when
    // no program has the file, a program that knows the title.
    std::optional<TProgram> Lookup(const std::string& file, const std::string& title);
    // Several lookups under one lock, in one read transaction.
    std::vector<std::optional<TProgram>>
    LookupAll(const std::vector<std::pair<std::string, std::string>>& fileAndTitle);

    std::optional<TProgram> Program(int64_t id);
    std::vector<TProgram> Programs();
    int ProgramCount();

    int64_t AddContribution(const TContribution& c);
    int PendingContributions();
    std::vector<TContribution> Contributions();

private:
    sqlite3_stmt* Prepare(const char* sql);
    void Exec(const char* sql);
    void Seed();
    std::optional<TProgram> LookupLocked(const std::string& file, const std::string& title);
    // The id of the program known by that file (preferring one known by that
    // title too) or else by that title; 0 for none.
    int64_t FindLocked(const std::string& file, const std::string& title);
    std::optional<TProgram> Load(int64_t id);

    std::mutex mutex_;
    sqlite3* db_ = nullptr;
    sqlite3_stmt* byFile_ = nullptr;
    sqlite3_stmt* byTitle_ = nullptr;
    sqlite3_stmt* program_ = nullptr;
    sqlite3_stmt* titles_ = nullptr;
    std::vector<sqlite3_stmt*> statements_;
};
