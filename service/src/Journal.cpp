#include "Journal.h"

#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <stdexcept>

namespace kasd {

namespace {

// A prepared statement that finalizes itself.
class Statement {
  public:
    Statement(sqlite3* db, const std::string& sql) : Statement(db, sql.c_str()) {}
    Statement(sqlite3* db, const char* sql) : db_(db) {
        if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK) {
            throw std::runtime_error(std::string("journal: ") + sqlite3_errmsg(db));
        }
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& bind(int index, const std::string& text) {
        sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT);
        return *this;
    }
    Statement& bind(int index, int value) {
        sqlite3_bind_int(stmt_, index, value);
        return *this;
    }
    // SQLITE_ROW or SQLITE_DONE; anything else throws.
    int step() {
        const int rc = sqlite3_step(stmt_);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
            throw std::runtime_error(std::string("journal: ") + sqlite3_errmsg(db_));
        }
        return rc;
    }
    std::string text(int column) const {
        const auto* p = sqlite3_column_text(stmt_, column);
        return p == nullptr
                   ? std::string()
                   : std::string(reinterpret_cast<const char*>(p),
                                 static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column)));
    }
    int integer(int column) const { return sqlite3_column_int(stmt_, column); }

  private:
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

constexpr const char* kSelect =
    "SELECT key, register, method, body, body_hash, state, steps, response_status, "
    "response_body, created, finished, before FROM requests ";

// UTC as ISO 8601; as text the times order as they happened.
std::string isoTime(std::chrono::system_clock::time_point at) {
    const auto t = std::chrono::system_clock::to_time_t(at);
    std::tm tm{};
    ::gmtime_r(&t, &tm);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return text;
}

const std::string kSelectByKey = std::string(kSelect) + "WHERE key = ?1";

JournalRecord readRow(const Statement& s) {
    JournalRecord r;
    r.key = s.text(0);
    r.registerPort = s.integer(1);
    r.method = s.text(2);
    r.body = s.text(3);
    r.bodyHash = s.text(4);
    r.state = s.text(5);
    r.steps = s.text(6);
    r.responseStatus = s.integer(7);
    r.responseBody = s.text(8);
    r.created = s.text(9);
    r.finished = s.text(10);
    r.before = s.text(11);
    return r;
}

} // namespace

Journal::Journal(const std::string& path) {
    const std::filesystem::path file(path);
    if (file.has_parent_path()) {
        std::error_code ec;
        std::filesystem::create_directories(file.parent_path(), ec);
    }
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        const std::string why = db_ != nullptr ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close(db_);
        db_ = nullptr;
        throw std::runtime_error("cannot open the journal " + path + ": " + why);
    }
    try {
        sqlite3_busy_timeout(db_, 5000);
        exec("PRAGMA journal_mode=WAL");
        exec("PRAGMA synchronous=FULL");
        // Requests are written once and looked up by key: a page cache of
        // 256 KiB serves that, where SQLite's default 2 MiB would only grow the
        // service's memory with the journal.
        exec("PRAGMA cache_size=-256");
        exec("CREATE TABLE IF NOT EXISTS requests ("
             " key TEXT PRIMARY KEY,"
             " register INTEGER NOT NULL,"
             " method TEXT NOT NULL,"
             " body TEXT NOT NULL,"
             " body_hash TEXT NOT NULL,"
             " state TEXT NOT NULL,"
             " steps TEXT NOT NULL DEFAULT '[]',"
             " response_status INTEGER NOT NULL DEFAULT 0,"
             " response_body TEXT NOT NULL DEFAULT '',"
             " created TEXT NOT NULL,"
             " finished TEXT NOT NULL DEFAULT '',"
             " before TEXT NOT NULL DEFAULT '')");
        // A journal made before the state-before column was kept.
        if (sqlite3_exec(db_, "SELECT before FROM requests LIMIT 0", nullptr, nullptr, nullptr) !=
            SQLITE_OK) {
            exec("ALTER TABLE requests ADD COLUMN before TEXT NOT NULL DEFAULT ''");
        }
        exec("CREATE INDEX IF NOT EXISTS requests_created ON requests (created)");
    } catch (...) {
        sqlite3_close(db_);
        db_ = nullptr;
        throw std::runtime_error("cannot use the journal " + path);
    }
}

Journal::~Journal() {
    sqlite3_close(db_);
}

void Journal::exec(const char* sql) {
    char* error = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string why = error != nullptr ? error : "unknown error";
        sqlite3_free(error);
        throw std::runtime_error("journal: " + why);
    }
}

std::optional<JournalRecord> Journal::claim(const JournalRecord& fresh) {
    std::lock_guard lock(mutex_);
    Statement insert(db_, "INSERT OR IGNORE INTO requests (key, register, method, body, "
                          "body_hash, state, created) VALUES (?1, ?2, ?3, ?4, ?5, 'queued', ?6)");
    insert.bind(1, fresh.key)
        .bind(2, fresh.registerPort)
        .bind(3, fresh.method)
        .bind(4, fresh.body)
        .bind(5, fresh.bodyHash)
        .bind(6, fresh.created.empty() ? now() : fresh.created);
    insert.step();
    if (sqlite3_changes(db_) == 1) {
        return std::nullopt;
    }
    Statement select(db_, kSelectByKey);
    select.bind(1, fresh.key);
    if (select.step() == SQLITE_ROW) {
        return readRow(select);
    }
    throw std::runtime_error("journal: the row of key " + fresh.key + " vanished");
}

std::optional<JournalRecord> Journal::find(const std::string& key) {
    std::lock_guard lock(mutex_);
    Statement select(db_, kSelectByKey);
    select.bind(1, key);
    if (select.step() == SQLITE_ROW) {
        return readRow(select);
    }
    return std::nullopt;
}

void Journal::setState(const std::string& key, const std::string& state) {
    std::lock_guard lock(mutex_);
    Statement update(db_, "UPDATE requests SET state = ?2 WHERE key = ?1");
    update.bind(1, key).bind(2, state).step();
}

void Journal::finish(const std::string& key, const std::string& state, const std::string& steps,
                     int status, const std::string& body) {
    std::lock_guard lock(mutex_);
    Statement update(db_, "UPDATE requests SET state = ?2, steps = ?3, response_status = ?4, "
                          "response_body = ?5, finished = ?6 WHERE key = ?1");
    update.bind(1, key).bind(2, state).bind(3, steps).bind(4, status).bind(5, body).bind(6, now());
    update.step();
}

void Journal::setBefore(const std::string& key, const std::string& before) {
    std::lock_guard lock(mutex_);
    Statement update(db_, "UPDATE requests SET before = ?2 WHERE key = ?1");
    update.bind(1, key).bind(2, before).step();
}

std::vector<JournalRecord> Journal::sending() {
    std::lock_guard lock(mutex_);
    Statement select(db_, std::string(kSelect) + "WHERE state = 'sending' ORDER BY rowid");
    std::vector<JournalRecord> rows;
    while (select.step() == SQLITE_ROW) {
        rows.push_back(readRow(select));
    }
    return rows;
}

std::vector<JournalRecord> Journal::recent(int limit) {
    std::lock_guard lock(mutex_);
    Statement select(db_, std::string(kSelect) + "ORDER BY rowid DESC LIMIT ?1");
    select.bind(1, limit);
    std::vector<JournalRecord> rows;
    while (select.step() == SQLITE_ROW) {
        rows.push_back(readRow(select));
    }
    return rows;
}

int Journal::prune(int days) {
    std::lock_guard lock(mutex_);
    const std::string cutoff =
        isoTime(std::chrono::system_clock::now() - std::chrono::hours(24) * days);
    // Only finished rows: one still queued or being sent is kept whatever its age.
    Statement del(db_, "DELETE FROM requests WHERE created < ?1 AND response_status <> 0");
    del.bind(1, cutoff).step();
    return sqlite3_changes(db_);
}

void Journal::drop(const std::string& key) {
    std::lock_guard lock(mutex_);
    Statement del(db_, "DELETE FROM requests WHERE key = ?1 AND state = 'queued'");
    del.bind(1, key).step();
}

int Journal::dropQueued() {
    std::lock_guard lock(mutex_);
    Statement del(db_, "DELETE FROM requests WHERE state = 'queued'");
    del.step();
    return sqlite3_changes(db_);
}

std::string Journal::hash(const std::string& body) {
    std::uint64_t h = 0xcbf29ce484222325ULL;
    for (const char c : body) {
        h ^= static_cast<unsigned char>(c);
        h *= 0x100000001b3ULL;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
    return text;
}

std::string Journal::now() {
    return isoTime(std::chrono::system_clock::now());
}

} // namespace kasd
