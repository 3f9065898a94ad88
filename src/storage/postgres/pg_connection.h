// A connection to the server database (libpq), and the choice of the server by the
// data directory: a file "kestrowd.conninfo" whose first line is a libpq connection
// string ("host=... port=... dbname=... user=..."; the password comes from libpq's
// password file or environment, never from this file).
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "storage/status.h"

struct pg_conn;
struct pg_result;

namespace kw::storage::pg {

inline constexpr const char* kConninfoFile = "kestrowd.conninfo";

// The connection line of the data directory `dir` ("" = the current one): true and the
// line when the directory holds the file; false when it does not (the flat files).
// A file that cannot be read, or whose first line is blank, gives true and an empty
// line: the caller refuses to start rather than fall back to the flat files.
bool serverChosen(const std::string& dir, std::string& conninfo);

class Result {
  public:
    explicit Result(pg_result* r = nullptr) : r_(r) {}
    ~Result();
    Result(Result&& o) noexcept : r_(o.r_) { o.r_ = nullptr; }
    Result& operator=(Result&& o) noexcept;
    Result(const Result&) = delete;
    Result& operator=(const Result&) = delete;

    bool ok() const;  // a command or a query that succeeded
    int rows() const;
    std::string value(int row, int column) const;
    // The value's bytes as the server sent them (text, or the binary form when asked
    // for); valid while the result lives.
    const char* bytes(int row, int column) const;
    int length(int row, int column) const;
    bool isNull(int row, int column) const;
    std::string error() const;  // the server's message, "" when ok
    std::string state() const;  // the SQLSTATE, "" when none

  private:
    pg_result* r_;
};

class Connection {
  public:
    Connection() = default;
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Connects; on failure `message` says in Russian which server could not be reached
    // and what to do (start it, check the connection line, the password).
    bool open(const std::string& conninfo, std::string& message);
    bool isOpen() const { return conn_ != nullptr; }
    // The connection was open and the server is no longer there (a broken link).
    bool lost() const;
    void close();  // an inherited connection is abandoned (below)
    // The connection was opened by another process: this one is a copy made by fork(),
    // whose link belongs to the process that opened it.
    bool inherited() const;
    // Lets go of an inherited connection without a word to the server, so that the
    // session it belongs to goes on undisturbed in the other process.
    void abandon();

    Result exec(const std::string& sql);
    // A statement with parameters is prepared on the server the first time it runs on
    // this connection and executed as prepared after that: the program's statements are
    // few and run again and again, so the server parses and plans each once.
    Result exec(const std::string& sql, const std::vector<std::string>& params);
    // The same, sent without waiting for its answer: the caller works meanwhile and takes
    // the answer with receive, before the connection runs anything else. `binary`: the
    // values in the server's binary form. False when it could not be sent (`failed`
    // says why).
    bool send(const std::string& sql, const std::vector<std::string>& params, bool binary,
              Result& failed);
    Result receive();
    // Runs the statements in one transaction; "" or the first error.
    std::string execAll(const std::vector<std::string>& statements);

    // "host:port/dbname" of the open connection, for messages.
    std::string where() const;

  private:
    // The name of `sql` prepared on this connection (prepared now when new); nullptr and
    // the server's answer in `failed` when it does not prepare.
    const std::string* prepared(const std::string& sql, int count, Result& failed);

    pg_conn* conn_ = nullptr;
    long owner_ = 0;                               // the process that opened conn_
    std::map<std::string, std::string> prepared_;  // statement text -> its name
};

}  // namespace kw::storage::pg
