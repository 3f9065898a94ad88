#include "storage/postgres/pg_connection.h"

#include <fcntl.h>
#include <libpq-fe.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace kw::storage::pg {

namespace {

// The parameters as libpq takes them: valid while `params` lives.
std::vector<const char*> pointersOf(const std::vector<std::string>& params) {
    std::vector<const char*> values;
    for (const auto& p : params) values.push_back(p.c_str());
    return values;
}

// The part of a connection line that names the server, for a message.
std::string serverOf(const std::string& conninfo) {
    char* err = nullptr;
    PQconninfoOption* opts = PQconninfoParse(conninfo.c_str(), &err);
    if (!opts) {
        if (err) PQfreemem(err);
        return conninfo;
    }
    std::string host = "localhost", port = "5432", db;
    for (PQconninfoOption* o = opts; o->keyword; ++o) {
        if (!o->val) continue;
        const std::string k = o->keyword;
        if (k == "host" || k == "hostaddr") host = o->val;
        if (k == "port") port = o->val;
        if (k == "dbname") db = o->val;
    }
    PQconninfoFree(opts);
    return host + ":" + port + (db.empty() ? "" : "/" + db);
}

}  // namespace

bool serverChosen(const std::string& dir, std::string& conninfo) {
    conninfo.clear();
    const std::string path = (dir.empty() ? std::string() : dir + "/") + kConninfoFile;
    std::error_code ec;
    const bool there = std::filesystem::exists(path, ec);
    if (!there && !ec) return false;
    std::ifstream in(path);
    if (in) std::getline(in, conninfo);
    while (!conninfo.empty() && (conninfo.back() == '\r' || conninfo.back() == ' '))
        conninfo.pop_back();
    return true;
}

Result::~Result() {
    if (r_) PQclear(r_);
}

Result& Result::operator=(Result&& o) noexcept {
    if (this != &o) {
        if (r_) PQclear(r_);
        r_ = o.r_;
        o.r_ = nullptr;
    }
    return *this;
}

bool Result::ok() const {
    if (!r_) return false;
    const ExecStatusType s = PQresultStatus(r_);
    return s == PGRES_COMMAND_OK || s == PGRES_TUPLES_OK;
}

int Result::rows() const {
    return r_ ? PQntuples(r_) : 0;
}

std::string Result::value(int row, int column) const {
    return r_ ? PQgetvalue(r_, row, column) : "";
}

const char* Result::bytes(int row, int column) const {
    return r_ ? PQgetvalue(r_, row, column) : "";
}

int Result::length(int row, int column) const {
    return r_ ? PQgetlength(r_, row, column) : 0;
}

bool Result::isNull(int row, int column) const {
    return !r_ || PQgetisnull(r_, row, column);
}

std::string Result::error() const {
    if (ok()) return {};
    if (!r_) return "no answer from the server";
    std::string e = PQresultErrorMessage(r_);
    while (!e.empty() && (e.back() == '\n' || e.back() == ' ')) e.pop_back();
    return e;
}

std::string Result::state() const {
    const char* s = r_ ? PQresultErrorField(r_, PG_DIAG_SQLSTATE) : nullptr;
    return s ? s : "";
}

Connection::~Connection() {
    close();
}

bool Connection::lost() const {
    return conn_ && PQstatus(conn_) != CONNECTION_OK;
}

void Connection::close() {
    if (inherited()) return abandon();
    if (conn_) PQfinish(conn_);
    conn_ = nullptr;
    prepared_.clear();  // they were the session's
}

bool Connection::inherited() const {
    return conn_ && owner_ != static_cast<long>(::getpid());
}

// The link's socket is put out of reach first (the null device in its place): closing
// the copy then says goodbye to nobody, and the other process's session stays.
void Connection::abandon() {
    if (!conn_) return;
    const int socket = PQsocket(conn_);
    const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (socket >= 0 && null >= 0 && ::dup2(null, socket) >= 0) {
        PQfinish(conn_);  // its goodbye goes to the null device; the socket number is freed
    }  // else the copy is left as it is: a little memory, never the other's session
    if (null >= 0) ::close(null);
    conn_ = nullptr;
    prepared_.clear();
}

bool Connection::open(const std::string& conninfo, std::string& message) {
    close();
    const std::string server = serverOf(conninfo);
    if (conninfo.empty()) {
        message =
            "Файл kestrowd.conninfo пуст или не читается: в его первой строке должна стоять строка "
            "подключения к серверу (host=... port=... dbname=... user=...).";
        return false;
    }
    conn_ = PQconnectdb(conninfo.c_str());
    owner_ = static_cast<long>(::getpid());
    if (conn_ && PQstatus(conn_) == CONNECTION_OK) {
        PQsetClientEncoding(conn_, "UTF8");
        // A double prints as its shortest exact decimal (the money totals round that one);
        // reads in key order walk their index even under a plan made on a nearly empty table.
        PQclear(PQexec(conn_,
                       "SET client_min_messages TO warning; SET extra_float_digits TO 1; SET "
                       "enable_sort TO off"));
        return true;
    }
    std::string why = conn_ ? PQerrorMessage(conn_) : "";
    while (!why.empty() && (why.back() == '\n' || why.back() == ' ')) why.pop_back();
    close();
    if (why.find("password") != std::string::npos)
        message = "Сервер базы данных " + server +
                  " не принял пароль. Проверьте пароль пользователя в файле "
                  "паролей (~/.pgpass) или в переменной PGPASSWORD. (" +
                  why + ")";
    else if (why.find("does not exist") != std::string::npos)
        message = "На сервере " + server +
                  " нет такой базы данных или пользователя. Создайте их командой "
                  "scripts/server или исправьте kestrowd.conninfo. (" +
                  why + ")";
    else
        message = "Сервер базы данных " + server +
                  " недоступен. Проверьте, что сервер запущен и что строка "
                  "подключения в kestrowd.conninfo верна. (" +
                  why + ")";
    return false;
}

Result Connection::exec(const std::string& sql) {
    return Result(conn_ && !inherited() ? PQexec(conn_, sql.c_str()) : nullptr);
}

const std::string* Connection::prepared(const std::string& sql, int count, Result& failed) {
    auto it = prepared_.find(sql);
    if (it == prepared_.end()) {
        const std::string name = "kw" + std::to_string(prepared_.size() + 1);
        Result made(PQprepare(conn_, name.c_str(), sql.c_str(), count, nullptr));
        if (!made.ok()) {
            failed = std::move(made);  // what executing it would have said
            return nullptr;
        }
        it = prepared_.emplace(sql, name).first;
    }
    return &it->second;
}

Result Connection::exec(const std::string& sql, const std::vector<std::string>& params) {
    if (!conn_ || inherited()) return Result();
    const std::vector<const char*> values = pointersOf(params);
    const int count = static_cast<int>(values.size());
    Result failed;
    const std::string* name = prepared(sql, count, failed);
    if (!name) return failed;
    return Result(PQexecPrepared(conn_, name->c_str(), count, values.data(), nullptr, nullptr, 0));
}

bool Connection::send(const std::string& sql, const std::vector<std::string>& params, bool binary,
                      Result& failed) {
    if (!conn_ || inherited()) return false;
    const std::vector<const char*> values = pointersOf(params);
    const int count = static_cast<int>(values.size());
    const std::string* name = prepared(sql, count, failed);
    if (!name) return false;
    if (PQsendQueryPrepared(conn_, name->c_str(), count, values.data(), nullptr, nullptr,
                            binary ? 1 : 0) == 1)
        return true;
    failed = Result(PQmakeEmptyPGresult(conn_, PGRES_FATAL_ERROR));
    return false;
}

// The answer of the statement sent: every result it gives is taken off the connection,
// the last one kept.
Result Connection::receive() {
    if (!conn_ || inherited()) return Result();
    Result last;
    while (PGresult* r = PQgetResult(conn_)) last = Result(r);
    return last;
}

std::string Connection::execAll(const std::vector<std::string>& statements) {
    Result r = exec("BEGIN");
    if (!r.ok()) return r.error();
    for (const auto& sql : statements) {
        r = exec(sql);
        if (!r.ok()) {
            const std::string e = r.error();
            (void)exec("ROLLBACK");  // the statement's error is the one to report
            return e + " [" + sql.substr(0, 80) + "]";
        }
    }
    r = exec("COMMIT");
    return r.ok() ? std::string() : r.error();
}

std::string Connection::where() const {
    if (!conn_) return {};
    return std::string(PQhost(conn_) ? PQhost(conn_) : "") + ":" + PQport(conn_) + "/" +
           PQdb(conn_);
}

}  // namespace kw::storage::pg
