#include "RatingStore.h"

#include "Catalogue.h"

#include <sqlite3.h>

#include <map>

namespace {

const char* const Schema = R"sql(
CREATE TABLE IF NOT EXISTS programs (
  id INTEGER PRIMARY KEY,
  file TEXT NOT NULL COLLATE NOCASE,
  rating INTEGER NOT NULL CHECK (rating BETWEEN 0 AND 4),
  comment TEXT NOT NULL
);
CREATE INDEX IF NOT EXISTS programs_file ON programs (file COLLATE NOCASE);
CREATE TABLE IF NOT EXISTS titles (
  program INTEGER NOT NULL REFERENCES programs (id),
  title TEXT NOT NULL COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS titles_title ON titles (title COLLATE NOCASE);
CREATE INDEX IF NOT EXISTS titles_program ON titles (program);
CREATE TABLE IF NOT EXISTS contributions (
  id INTEGER PRIMARY KEY,
  title TEXT NOT NULL,
  file TEXT NOT NULL,
  rating INTEGER,
  comment TEXT NOT NULL,
  remote TEXT NOT NULL,
  received TEXT NOT NULL DEFAULT (datetime('now')),
  status TEXT NOT NULL DEFAULT 'pending'
);
)sql";

std::string Column(sqlite3_stmt* s, int i) {
    const unsigned char* text = sqlite3_column_text(s, i);
    return text ? std::string(reinterpret_cast<const char*>(text),
                              static_cast<size_t>(sqlite3_column_bytes(s, i)))
                : std::string();
}

void Bind(sqlite3_stmt* s, int i, const std::string& text) {
    sqlite3_bind_text(s, i, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

// Resets a statement when it goes out of use, whatever happens.
struct TReset {
    sqlite3_stmt* s;
    ~TReset() {
        sqlite3_reset(s);
        sqlite3_clear_bindings(s);
    }
};

} // namespace

TRatingStore::TRatingStore(const std::string& path) {
    if (sqlite3_open_v2(path.c_str(), &db_,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                        nullptr) != SQLITE_OK) {
        std::string why = db_ ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close(db_);
        db_ = nullptr;
        throw EStoreError("cannot open the database " + path + ": " + why);
    }
    sqlite3_busy_timeout(db_, 5000);
    Exec(Schema);
    byFile_ = Prepare("SELECT p.id FROM programs p WHERE p.file = ?1 ORDER BY "
                      "EXISTS (SELECT 1 FROM titles t WHERE t.program = p.id AND t.title = ?2) "
                      "DESC, p.id LIMIT 1");
    byTitle_ = Prepare("SELECT program FROM titles WHERE title = ?1 ORDER BY program LIMIT 1");
    program_ = Prepare("SELECT id, file, rating, comment FROM programs WHERE id = ?1");
    titles_ = Prepare("SELECT title FROM titles WHERE program = ?1 ORDER BY rowid");
    if (ProgramCount() == 0)
        Seed();
}

TRatingStore::~TRatingStore() {
    for (sqlite3_stmt* s : statements_)
        sqlite3_finalize(s);
    sqlite3_close(db_);
}

sqlite3_stmt* TRatingStore::Prepare(const char* sql) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db_, sql, -1, &s, nullptr) != SQLITE_OK)
        throw EStoreError(std::string("cannot prepare a statement: ") + sqlite3_errmsg(db_));
    statements_.push_back(s);
    return s;
}

void TRatingStore::Exec(const char* sql) {
    char* error = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        std::string why = error ? error : "unknown error";
        sqlite3_free(error);
        throw EStoreError("database error: " + why);
    }
}

void TRatingStore::Seed() {
    std::lock_guard<std::mutex> lock(mutex_);
    Exec("BEGIN");
    try {
        sqlite3_stmt* program = Prepare("INSERT INTO programs (file, rating, comment) "
                                        "VALUES (?1, ?2, ?3)");
        sqlite3_stmt* title = Prepare("INSERT INTO titles (program, title) VALUES (?1, ?2)");
        for (const TCatalogueEntry* e = CatalogueBegin(); e != CatalogueEnd(); ++e) {
            {
                TReset reset{program};
                Bind(program, 1, e->File);
                sqlite3_bind_int(program, 2, e->Rating);
                Bind(program, 3, e->Comment);
                if (sqlite3_step(program) != SQLITE_DONE)
                    throw EStoreError(std::string("cannot store the catalogue: ") +
                                      sqlite3_errmsg(db_));
            }
            int64_t id = sqlite3_last_insert_rowid(db_);
            std::string titles = e->Titles;
            size_t start = 0;
            while (start <= titles.size()) {
                size_t end = titles.find('|', start);
                if (end == std::string::npos)
                    end = titles.size();
                TReset reset{title};
                sqlite3_bind_int64(title, 1, id);
                Bind(title, 2, titles.substr(start, end - start));
                if (sqlite3_step(title) != SQLITE_DONE)
                    throw EStoreError(std::string("cannot store the catalogue: ") +
                                      sqlite3_errmsg(db_));
                start = end + 1;
            }
        }
        Exec("COMMIT");
    } catch (...) {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

std::optional<TProgram> TRatingStore::Load(int64_t id) {
    TReset reset{program_};
    sqlite3_bind_int64(program_, 1, id);
    if (sqlite3_step(program_) != SQLITE_ROW)
        return std::nullopt;
    TProgram p;
    p.Id = sqlite3_column_int64(program_, 0);
    p.File = Column(program_, 1);
    p.Rating = sqlite3_column_int(program_, 2);
    p.Comment = Column(program_, 3);
    TReset resetTitles{titles_};
    sqlite3_bind_int64(titles_, 1, id);
    while (sqlite3_step(titles_) == SQLITE_ROW)
        p.Titles.push_back(Column(titles_, 0));
    return p;
}

std::optional<TProgram> TRatingStore::LookupLocked(const std::string& file,
                                                   const std::string& title) {
    int64_t id = FindLocked(file, title);
    if (id == 0)
        return std::nullopt;
    return Load(id);
}

int64_t TRatingStore::FindLocked(const std::string& file, const std::string& title) {
    int64_t id = 0;
    if (!file.empty()) {
        TReset reset{byFile_};
        Bind(byFile_, 1, file);
        Bind(byFile_, 2, title);
        if (sqlite3_step(byFile_) == SQLITE_ROW)
            id = sqlite3_column_int64(byFile_, 0);
    }
    if (id == 0 && !title.empty()) {
        TReset reset{byTitle_};
        Bind(byTitle_, 1, title);
        if (sqlite3_step(byTitle_) == SQLITE_ROW)
            id = sqlite3_column_int64(byTitle_, 0);
    }
    return id;
}

std::optional<TProgram> TRatingStore::Lookup(const std::string& file, const std::string& title) {
    std::lock_guard<std::mutex> lock(mutex_);
    return LookupLocked(file, title);
}

std::vector<std::optional<TProgram>>
TRatingStore::LookupAll(const std::vector<std::pair<std::string, std::string>>& fileAndTitle) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::optional<TProgram>> found;
    found.reserve(fileAndTitle.size());
    Exec("BEGIN");
    try {
        // A machine's rows name the same few programs again and again: each
        // is read once per request.
        std::map<int64_t, std::optional<TProgram>> loaded;
        for (const auto& [file, title] : fileAndTitle) {
            int64_t id = FindLocked(file, title);
            if (id == 0) {
                found.emplace_back();
                continue;
            }
            auto at = loaded.find(id);
            if (at == loaded.end())
                at = loaded.emplace(id, Load(id)).first;
            found.push_back(at->second);
        }
    } catch (...) {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
    Exec("COMMIT");
    return found;
}

std::optional<TProgram> TRatingStore::Program(int64_t id) {
    std::lock_guard<std::mutex> lock(mutex_);
    return Load(id);
}

std::vector<TProgram> TRatingStore::Programs() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<int64_t> ids;
    {
        sqlite3_stmt* all = nullptr;
        sqlite3_prepare_v2(db_, "SELECT id FROM programs ORDER BY file COLLATE NOCASE", -1, &all,
                           nullptr);
        while (all && sqlite3_step(all) == SQLITE_ROW)
            ids.push_back(sqlite3_column_int64(all, 0));
        sqlite3_finalize(all);
    }
    std::vector<TProgram> out;
    for (int64_t id : ids)
        if (auto p = Load(id))
            out.push_back(std::move(*p));
    return out;
}

int TRatingStore::ProgramCount() {
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db_, "SELECT count(*) FROM programs", -1, &s, nullptr);
    int n = s && sqlite3_step(s) == SQLITE_ROW ? sqlite3_column_int(s, 0) : 0;
    sqlite3_finalize(s);
    return n;
}

int64_t TRatingStore::AddContribution(const TContribution& c) {
    std::lock_guard<std::mutex> lock(mutex_);
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db_,
                           "INSERT INTO contributions (title, file, rating, comment, remote) "
                           "VALUES (?1, ?2, ?3, ?4, ?5)",
                           -1, &s, nullptr) != SQLITE_OK)
        throw EStoreError(std::string("database error: ") + sqlite3_errmsg(db_));
    Bind(s, 1, c.Title);
    Bind(s, 2, c.File);
    if (c.Rating >= 0)
        sqlite3_bind_int(s, 3, c.Rating);
    else
        sqlite3_bind_null(s, 3);
    Bind(s, 4, c.Comment);
    Bind(s, 5, c.Remote);
    int rc = sqlite3_step(s);
    sqlite3_finalize(s);
    if (rc != SQLITE_DONE)
        throw EStoreError(std::string("cannot store the contribution: ") + sqlite3_errmsg(db_));
    return sqlite3_last_insert_rowid(db_);
}

int TRatingStore::PendingContributions() {
    std::lock_guard<std::mutex> lock(mutex_);
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db_, "SELECT count(*) FROM contributions WHERE status = 'pending'", -1, &s,
                       nullptr);
    int n = s && sqlite3_step(s) == SQLITE_ROW ? sqlite3_column_int(s, 0) : 0;
    sqlite3_finalize(s);
    return n;
}

std::vector<TContribution> TRatingStore::Contributions() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<TContribution> out;
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db_,
                       "SELECT title, file, coalesce(rating, -1), comment, remote "
                       "FROM contributions ORDER BY id",
                       -1, &s, nullptr);
    while (s && sqlite3_step(s) == SQLITE_ROW)
        out.push_back(
            {Column(s, 0), Column(s, 1), sqlite3_column_int(s, 2), Column(s, 3), Column(s, 4)});
    sqlite3_finalize(s);
    return out;
}
