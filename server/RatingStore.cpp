#include "RatingStore.h"

#include "catalogue/ProgramMatch.h"

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
CREATE TABLE IF NOT EXISTS settings (
  name TEXT PRIMARY KEY,
  value TEXT NOT NULL
);
)sql";

// Columns that databases of earlier versions lack; added on opening.
const char* const ProgramColumns[][2] = {
    {"folders", "TEXT NOT NULL DEFAULT ''"},
    {"publisher", "TEXT NOT NULL DEFAULT ''"},
    {"turnoff", "TEXT NOT NULL DEFAULT ''"},
    // 'catalogue' rows are replaced by a newer catalogue; 'admin' rows stay.
    {"source", "TEXT NOT NULL DEFAULT 'catalogue'"},
};

std::string JoinList(const std::vector<std::string>& items) {
    std::string out;
    for (const std::string& item : items)
        out += (out.empty() ? "" : " | ") + item;
    return out;
}

std::vector<std::string> SplitList(const std::string& text) {
    std::vector<std::string> items;
    size_t start = 0;
    while (start < text.size()) {
        size_t bar = text.find(" | ", start);
        if (bar == std::string::npos)
            bar = text.size();
        if (bar > start)
            items.push_back(text.substr(start, bar - start));
        start = bar + 3;
    }
    return items;
}

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

TRatingStore::TRatingStore(const std::string& path, const TCatalogue& catalogue)
    : generic_(catalogue.GenericNames()) {
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
    Migrate();
    program_ = Prepare("SELECT id, file, rating, comment, folders, publisher, turnoff, source "
                       "FROM programs WHERE id = ?1");
    titles_ = Prepare("SELECT title FROM titles WHERE program = ?1 ORDER BY rowid");
    insertProgram_ = Prepare("INSERT INTO programs (file, rating, comment, folders, publisher, "
                             "turnoff, source) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)");
    insertTitle_ = Prepare("INSERT INTO titles (program, title) VALUES (?1, ?2)");
    if (CatalogueVersion() < catalogue.Version() || ProgramCount() == 0)
        Seed(catalogue);
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

int TRatingStore::QueryInt(const char* sql) {
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db_, sql, -1, &s, nullptr);
    int n = s && sqlite3_step(s) == SQLITE_ROW ? sqlite3_column_int(s, 0) : 0;
    sqlite3_finalize(s);
    return n;
}

void TRatingStore::Migrate() {
    std::vector<std::string> have;
    sqlite3_stmt* info = nullptr;
    sqlite3_prepare_v2(db_, "PRAGMA table_info(programs)", -1, &info, nullptr);
    while (info && sqlite3_step(info) == SQLITE_ROW)
        have.push_back(Column(info, 1));
    sqlite3_finalize(info);
    for (const auto& [name, type] : ProgramColumns) {
        bool found = false;
        for (const std::string& h : have)
            found = found || h == name;
        if (!found)
            Exec(("ALTER TABLE programs ADD COLUMN " + std::string(name) + " " + type).c_str());
    }
}

int TRatingStore::CatalogueVersion() {
    return QueryInt("SELECT CAST(value AS INTEGER) FROM settings WHERE name = 'catalogue-version'");
}

int64_t TRatingStore::InsertLocked(const TCatalogueRecord& r, bool admin) {
    sqlite3_stmt* program = insertProgram_;
    sqlite3_stmt* title = insertTitle_;
    {
        TReset reset{program};
        Bind(program, 1, r.Program);
        sqlite3_bind_int(program, 2, r.Rating);
        Bind(program, 3, r.Comment);
        Bind(program, 4, JoinList(r.Folders));
        Bind(program, 5, r.Publisher);
        Bind(program, 6, r.TurnOff);
        Bind(program, 7, admin ? "admin" : "catalogue");
        if (sqlite3_step(program) != SQLITE_DONE)
            throw EStoreError(std::string("cannot store a program: ") + sqlite3_errmsg(db_));
    }
    const int64_t id = sqlite3_last_insert_rowid(db_);
    for (const std::string& t : r.Titles) {
        TReset reset{title};
        sqlite3_bind_int64(title, 1, id);
        Bind(title, 2, t);
        if (sqlite3_step(title) != SQLITE_DONE)
            throw EStoreError(std::string("cannot store a program: ") + sqlite3_errmsg(db_));
    }
    indexStale_ = true;
    return id;
}

void TRatingStore::Seed(const TCatalogue& catalogue) {
    std::lock_guard<std::mutex> lock(mutex_);
    Exec("BEGIN IMMEDIATE");
    try {
        Exec("DELETE FROM titles WHERE program IN (SELECT id FROM programs WHERE source = "
             "'catalogue')");
        Exec("DELETE FROM programs WHERE source = 'catalogue'");
        for (const TCatalogueRecord& r : catalogue.Records())
            InsertLocked(r, false);
        sqlite3_stmt* version = Prepare(
            "INSERT OR REPLACE INTO settings (name, value) VALUES ('catalogue-version', ?1)");
        TReset reset{version};
        Bind(version, 1, std::to_string(catalogue.Version()));
        if (sqlite3_step(version) != SQLITE_DONE)
            throw EStoreError(std::string("cannot store the catalogue: ") + sqlite3_errmsg(db_));
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
    p.Folders = SplitList(Column(program_, 4));
    p.Publisher = Column(program_, 5);
    p.TurnOff = Column(program_, 6);
    p.Admin = Column(program_, 7) == "admin";
    TReset resetTitles{titles_};
    sqlite3_bind_int64(titles_, 1, id);
    while (sqlite3_step(titles_) == SQLITE_ROW)
        p.Titles.push_back(Column(titles_, 0));
    return p;
}

void TRatingStore::RefreshIndexLocked() {
    const int version = QueryInt("PRAGMA data_version");
    if (!indexStale_ && version == indexedVersion_)
        return;
    TCatalogue index;
    index.SetGeneric(generic_);
    std::unordered_map<const TCatalogueRecord*, int64_t> ids;
    // The administrator's rows first: of two records of one program, the
    // matcher keeps the first.
    sqlite3_stmt* all = nullptr;
    sqlite3_prepare_v2(db_, "SELECT id FROM programs ORDER BY source = 'admin' DESC, id", -1, &all,
                       nullptr);
    std::vector<int64_t> order;
    while (all && sqlite3_step(all) == SQLITE_ROW)
        order.push_back(sqlite3_column_int64(all, 0));
    sqlite3_finalize(all);
    for (int64_t id : order) {
        std::optional<TProgram> p = Load(id);
        if (!p)
            continue;
        TCatalogueRecord r;
        r.Program = p->File;
        r.Titles = p->Titles;
        r.Folders = p->Folders;
        r.Rating = p->Rating;
        r.Comment = p->Comment;
        index.Add(std::move(r));
        ids.emplace(&index.Records().back(), id);
    }
    index_ = std::move(index);
    indexIds_ = std::move(ids);
    indexedVersion_ = version;
    indexStale_ = false;
}

std::optional<TProgram> TRatingStore::LookupLocked(const std::string& file,
                                                   const std::string& title) {
    int64_t id = FindLocked(file, title);
    if (id == 0)
        return std::nullopt;
    return Load(id);
}

int64_t TRatingStore::FindLocked(const std::string& file, const std::string& title) {
    const TProgramMatch match = MatchFile(index_, title, file);
    if (!match.Known())
        return 0;
    auto it = indexIds_.find(match.Record);
    return it == indexIds_.end() ? 0 : it->second;
}

std::optional<TProgram> TRatingStore::Lookup(const std::string& file, const std::string& title) {
    std::lock_guard<std::mutex> lock(mutex_);
    RefreshIndexLocked();
    return LookupLocked(file, title);
}

std::vector<std::optional<TProgram>>
TRatingStore::LookupAll(const std::vector<std::pair<std::string, std::string>>& fileAndTitle) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::optional<TProgram>> found;
    found.reserve(fileAndTitle.size());
    Exec("BEGIN");
    try {
        RefreshIndexLocked();
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
        sqlite3_prepare_v2(db_, "SELECT id FROM programs ORDER BY file COLLATE NOCASE, id", -1,
                           &all, nullptr);
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
    return QueryInt("SELECT count(*) FROM programs");
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
                       "SELECT title, file, coalesce(rating, -1), comment, remote, id, status, "
                       "received FROM contributions ORDER BY id",
                       -1, &s, nullptr);
    while (s && sqlite3_step(s) == SQLITE_ROW)
        out.push_back({Column(s, 0), Column(s, 1), sqlite3_column_int(s, 2), Column(s, 3),
                       Column(s, 4), sqlite3_column_int64(s, 5), Column(s, 6), Column(s, 7)});
    sqlite3_finalize(s);
    return out;
}

namespace {

void CheckRating(int rating) {
    if (rating < 0 || rating > 4)
        throw EStoreError("a rating is 0 to 4, not " + std::to_string(rating));
}

} // namespace

TProgram TRatingStore::SetProgram(const std::string& file, int rating,
                                  std::optional<std::string> comment, const std::string& title) {
    CheckRating(rating);
    if (file.empty() || file.find_first_of("\\/:") != std::string::npos)
        throw EStoreError("a program is named by its file name, such as tool.exe");
    std::lock_guard<std::mutex> lock(mutex_);
    Exec("BEGIN IMMEDIATE");
    try {
        int64_t id = 0;
        {
            sqlite3_stmt* find = Prepare("SELECT id FROM programs WHERE file = ?1 ORDER BY "
                                         "source = 'admin' DESC, folders = '' DESC, id LIMIT 1");
            TReset reset{find};
            Bind(find, 1, file);
            if (sqlite3_step(find) == SQLITE_ROW)
                id = sqlite3_column_int64(find, 0);
        }
        if (id == 0) {
            TCatalogueRecord r;
            r.Program = file;
            r.Rating = rating;
            r.Comment = comment.value_or("");
            if (!title.empty())
                r.Titles.push_back(title);
            id = InsertLocked(r, true);
        } else {
            sqlite3_stmt* update =
                Prepare("UPDATE programs SET rating = ?2, comment = coalesce(?3, comment), "
                        "source = 'admin' WHERE id = ?1");
            TReset reset{update};
            sqlite3_bind_int64(update, 1, id);
            sqlite3_bind_int(update, 2, rating);
            if (comment)
                Bind(update, 3, *comment);
            else
                sqlite3_bind_null(update, 3);
            if (sqlite3_step(update) != SQLITE_DONE)
                throw EStoreError(std::string("cannot change the program: ") + sqlite3_errmsg(db_));
            indexStale_ = true;
        }
        Exec("COMMIT");
        return *Load(id);
    } catch (...) {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

namespace {

// The contribution, when it waits for review; raises EStoreError otherwise.
TContribution PendingOne(const std::vector<TContribution>& all, int64_t id) {
    for (const TContribution& c : all) {
        if (c.Id != id)
            continue;
        if (c.Status != "pending")
            throw EStoreError("contribution " + std::to_string(id) + " was " + c.Status +
                              " already");
        return c;
    }
    throw EStoreError("there is no contribution " + std::to_string(id));
}

} // namespace

TProgram TRatingStore::Accept(int64_t contribution, std::optional<int> rating,
                              std::optional<std::string> comment) {
    const TContribution c = PendingOne(Contributions(), contribution);
    const int chosen = rating ? *rating : c.Rating;
    if (chosen < 0)
        throw EStoreError("contribution " + std::to_string(contribution) +
                          " gives no rating: give one with --rating");
    CheckRating(chosen);
    if (c.File.empty())
        throw EStoreError("contribution " + std::to_string(contribution) +
                          " names no program file");
    TProgram p = SetProgram(c.File, chosen, comment ? *comment : c.Comment, c.Title);
    Decide(contribution, "accepted");
    return p;
}

void TRatingStore::Reject(int64_t contribution) {
    PendingOne(Contributions(), contribution);
    Decide(contribution, "rejected");
}

void TRatingStore::Decide(int64_t contribution, const char* status) {
    std::lock_guard<std::mutex> lock(mutex_);
    sqlite3_stmt* mark = nullptr;
    if (sqlite3_prepare_v2(db_, "UPDATE contributions SET status = ?2 WHERE id = ?1", -1, &mark,
                           nullptr) != SQLITE_OK)
        throw EStoreError(std::string("database error: ") + sqlite3_errmsg(db_));
    sqlite3_bind_int64(mark, 1, contribution);
    Bind(mark, 2, status);
    const int rc = sqlite3_step(mark);
    sqlite3_finalize(mark);
    if (rc != SQLITE_DONE)
        throw EStoreError(std::string("cannot mark the contribution: ") + sqlite3_errmsg(db_));
}

std::vector<TProgram> TRatingStore::AdminPrograms() {
    std::vector<TProgram> out;
    for (TProgram& p : Programs())
        if (p.Admin)
            out.push_back(std::move(p));
    return out;
}
