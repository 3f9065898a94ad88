#include "storage/postgres/pg_backend.h"

#include "storage/driver.h"
#include "storage/postgres/pg_driver.h"
#include "storage/postgres/pg_schema.h"
#include "storage/postgres/pg_session.h"

namespace kw::storage::pg {

namespace {

// A transaction that cannot commit is ended on the server, when the link still stands,
// so that the session takes statements again; its writes are undone either way.
void endLost(Session& s) {
    s.transactionLost = false;
    if (s.connection.isOpen() && !s.connection.lost() && !s.exec("ROLLBACK").ok())
        s.connection.close();  // a session that cannot end its transaction is not used again
}

// The thread's transaction is on the session it used last: a thread works with one
// server.
class ServerBackend : public Backend {
  public:
    bool chosen(const std::string& directory) override {
        std::string conninfo;
        return serverChosen(directory, conninfo);
    }

    std::unique_ptr<Driver> make(const TableDecl& decl, std::function<uint8_t*()> buffer,
                                 const std::string& directory) override {
        std::string conninfo;
        serverChosen(directory, conninfo);  // true: the directory was chosen by it
        return std::make_unique<ServerDriver>(decl, std::move(buffer), conninfo);
    }

    Status begin(int) override { return start("BEGIN"); }

    // Repeatable read: every statement sees the snapshot of the first, and the writers
    // of other desks neither wait for it nor make it fail.
    Status beginSnapshot() override {
        return start("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY");
    }

    Status commit() override {
        Session* s = lastSession();
        if (!s || !s->inTransaction) return Status::error(kLogoutNotActive);
        s->inTransaction = false;
        ++s->writes;
        if (s->transactionLost) {
            endLost(*s);
            return Status::error(kUnableToLogTransaction);
        }
        const Status st = s->exec("COMMIT");
        return st.ok() ? st : Status::error(kUnableToLogTransaction);
    }

    Status rollback() override {
        Session* s = lastSession();
        if (!s || !s->inTransaction) return Status::error(kLogoutNotActive);
        s->inTransaction = false;
        ++s->writes;
        ++s->rollbacks;
        if (s->transactionLost) {
            endLost(*s);
            return Status::okay();
        }
        const Status st = s->exec("ROLLBACK");
        return st.ok() ? st : Status::error(kUnableToRollback);
    }

    bool inTransaction() override {
        Session* s = lastSession();
        return s && s->inTransaction;
    }

  private:
    Status start(const std::string& sql) {
        Session* s = lastSession();
        if (!s) return Status::error(kFileNotOpen);
        if (s->inTransaction) return Status::error(kLogoutAlreadyActive);
        if (Status st = s->exec(sql); !st.ok()) return st;
        s->inTransaction = true;
        s->transactionLost = false;
        ++s->writes;
        return Status::okay();
    }
};

}  // namespace

bool serverReady(const std::string& directory, const std::vector<std::string>& labels,
                 std::string& message) {
    message.clear();
    std::string conninfo;
    if (!serverChosen(directory, conninfo)) return true;
    Connection c;
    if (!c.open(conninfo, message)) return false;
    std::string missing;
    for (const auto& label : labels) {
        Result r = c.exec("SELECT to_regclass($1) IS NOT NULL", {"\"" + sqlName(label) + "\""});
        if (!r.ok()) {
            message = "Сервер базы данных " + c.where() +
                      " не ответил на запрос о таблицах программы: " + r.error();
            return false;
        }
        if (r.value(0, 0) != "t") missing += (missing.empty() ? "" : ", ") + sqlName(label);
    }
    if (missing.empty()) return true;
    message = "В базе данных " + c.where() + " нет таблиц программы (" + missing +
              "). Создайте их командой kestrowd-file create --all в папке данных этой кассы "
              "(или scripts/server на сервере) и запустите программу снова.";
    return false;
}

void registerServerBackend() {
    static ServerBackend backend;
    registerBackend(&backend);
}

}  // namespace kw::storage::pg
