// The journal of requests: one SQLite row per request that changes the
// register, written before a byte of it goes to the register, so that a retry
// with the same Idempotency-Key gets the recorded answer instead of a second
// receipt. WAL mode, synchronous writes; one connection guarded by a mutex.
//
// A row's state: queued (accepted, waiting for the register), sending (bytes
// may have reached the register), done, refused (the register or the service
// refused it; nothing printed remains) or in doubt (what the register did is
// not known).
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace kasd {

struct JournalRecord {
    std::string key;
    int registerPort = 0;
    std::string method; // "POST /v1/registers/1/receipts"
    std::string body;   // the body in canonical form (keys sorted, no spaces)
    std::string bodyHash;
    std::string state = "queued";
    std::string steps = "[]"; // each step's outcome, JSON
    int responseStatus = 0;   // 0 until the request has finished
    std::string responseBody;
    std::string created; // UTC, ISO 8601
    std::string finished;
    std::string before; // the register's state before the first fiscal command, JSON
};

class Journal {
  public:
    // Opens or creates the journal (and its folder). Throws std::runtime_error.
    explicit Journal(const std::string& path);
    ~Journal();
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;

    // Adds the request as queued, or gives the row its key already has (and
    // adds nothing).
    std::optional<JournalRecord> claim(const JournalRecord& fresh);
    std::optional<JournalRecord> find(const std::string& key);
    void setState(const std::string& key, const std::string& state);
    // The register's state read before the first fiscal command of the request.
    void setBefore(const std::string& key, const std::string& before);
    void finish(const std::string& key, const std::string& state, const std::string& steps,
                int status, const std::string& body);
    // Rows still queued from an earlier run sent nothing: they are dropped, so
    // that their keys can be sent again.
    int dropQueued();
    // Deletes a row still queued (it sent nothing).
    void drop(const std::string& key);
    // Rows left "sending" by a run that stopped, oldest first.
    std::vector<JournalRecord> sending();
    // The newest rows first, at most `limit`.
    std::vector<JournalRecord> recent(int limit);
    // Deletes finished rows created more than `days` days ago; the number deleted.
    int prune(int days);

    // A short, stable digest of a body (FNV-1a, 64 bits, hex).
    static std::string hash(const std::string& body);
    static std::string now();

  private:
    void exec(const char* sql);
    std::mutex mutex_;
    sqlite3* db_ = nullptr;
};

} // namespace kasd
