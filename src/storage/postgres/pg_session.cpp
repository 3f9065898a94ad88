#include "storage/postgres/pg_session.h"

#include <map>
#include <memory>

#include "runtime/codepage.h"

namespace kw::storage::pg {

namespace {
// Set as the thread ends, before its sessions go: a table still open then leaves its
// locks to go with the link.
thread_local bool t_sessionsGone = false;
struct Sessions {
    std::map<std::string, std::unique_ptr<Session>> map;
    ~Sessions() { t_sessionsGone = true; }
};
thread_local Sessions t_sessions;
thread_local Session* t_last = nullptr;
}  // namespace

bool threadSessionsGone() {
    return t_sessionsGone;
}

Session& threadSession(const std::string& conninfo) {
    auto& s = t_sessions.map[conninfo];
    if (!s) {
        s = std::make_unique<Session>();
        s->conninfo = conninfo;
    }
    t_last = s.get();
    return *s;
}

Session* lastSession() {
    return t_last;
}

Status statusOf(const Result& r) {
    const std::string state = r.state();
    if (state == "23505") return Status::error(kDuplicateKey);
    if (state == "42P01") return Status::error(kFileNotFound);
    if (state == "55P03") return Status::error(kAccessDenied);
    return Status::system(kFileSystemError, 0);
}

bool Session::connected(Status& st) {
    if (connection.inherited()) {
        // A process made by fork() has its own session: the link it was given is the
        // other process's, and so are that session's transaction and advisory locks.
        connection.close();
        if (inTransaction) transactionLost = true;
    }
    if (connection.isOpen() && !connection.lost()) return true;
    if (connection.isOpen()) connection.close();
    tablesSeen.clear();
    sharing.clear();
    std::string said;
    if (!connection.open(conninfo, said)) {
        message = cp::fromUtf8(said);
        st = Status::system(kFileSystemError, 0);
        return false;
    }
    ++links;
    // A write waits for a row another desk's transaction changes no longer than the
    // flat files wait for their writer's lock; then it is refused (5).
    (void)connection.exec("SET lock_timeout = '10s'");
    return true;
}

Status Session::exec(const std::string& sql) {
    Status st;
    const Result r = run(sql, {}, st);
    return st;
}

Result Session::run(const std::string& sql, const std::vector<std::string>& params, Status& st) {
    st = Status::okay();
    if (!connected(st)) return Result();
    Result r = params.empty() ? connection.exec(sql) : connection.exec(sql, params);
    if (!r.ok()) failed(r, st);
    return r;
}

bool Session::send(const std::string& sql, const std::vector<std::string>& params, bool binary,
                   Status& st) {
    st = Status::okay();
    if (!connected(st)) return false;
    Result r;
    if (connection.send(sql, params, binary, r)) return true;
    failed(r, st);
    return false;
}

Result Session::receive(Status& st) {
    st = Status::okay();
    Result r = connection.receive();
    if (!r.ok()) failed(r, st);
    return r;
}

void Session::failed(const Result& r, Status& st) {
    st = statusOf(r);
    if (st.code == kFileNotFound) tablesSeen.clear();
    if (connection.lost()) {
        message =
            cp::fromUtf8("Связь с сервером базы данных " + connection.where() +
                         " потеряна; следующая операция подключится заново. (" + r.error() + ")");
        connection.close();
        if (inTransaction) transactionLost = true;
        st = Status::system(kFileSystemError, 0);
    } else {
        message = st.code == kFileSystemError ? cp::fromUtf8("Сервер базы данных: " + r.error())
                                              : std::string();
        if (inTransaction && !savepointOpen) transactionLost = true;
    }
}

}  // namespace kw::storage::pg
