// The server driver: open, create, positions and reading in key order.
#include "storage/postgres/pg_driver.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "runtime/date.h"
#include "storage/byte_order.h"
#include "storage/postgres/pg_condition.h"
#include "storage/postgres/pg_create.h"
#include "storage/postgres/pg_record.h"
#include "storage/postgres/pg_schema.h"
#include "storage/view_util.h"

namespace kw::storage::pg {

namespace {

// Rows a pass reads ahead: few at first (a form that reads one record pays for one),
// more while the pass goes on.
constexpr int kFirstBatch = 4;
constexpr int kLargestBatch = 256;
// Rows of a table's changes in kw_counts that the count reads before it folds them.
constexpr long kFoldAfter = 64;

// A key component's value back from its encoding (record_codec.h): big-endian with the
// sign bit inverted for SHORT and LONG, the ordered bits of a REAL, the bytes of a text
// (upper case for a case-blind key, which compares the same).
bool decodeComponent(const KeyShape::Comp& c, const uint8_t* in, uint8_t* out) {
    auto bigEndian = [&](int n) { return be::get(in, n); };
    switch (c.type) {
        case FieldType::Short:
        case FieldType::Long:
            if (c.length == 2) {
                const auto v = static_cast<int16_t>(static_cast<uint16_t>(bigEndian(2) ^ 0x8000u));
                std::memcpy(out, &v, 2);
            } else if (c.length == 4) {
                const auto v =
                    static_cast<int32_t>(static_cast<uint32_t>(bigEndian(4) ^ 0x80000000u));
                std::memcpy(out, &v, 4);
            } else {
                return false;
            }
            return true;
        case FieldType::Real: {
            if (c.length != 8) return false;
            uint64_t u = bigEndian(8);
            u = (u >> 63) ? (u & ~(uint64_t{1} << 63)) : ~u;
            std::memcpy(out, &u, 8);
            return true;
        }
        case FieldType::Decimal:
            return false;
        default:
            std::memcpy(out, in, c.length);
            return true;
    }
}

}  // namespace

// A bound of a pass may hold a date no day can be (a view's open end: the least or the
// greatest LONG); the server's dates stop at year 1 and year 9999. Below day 0 is
// the empty date, the least there is; above the last day of year 9999, that day.
void ServerDriver::clampDates(const KeyDecl& key, uint8_t* record) const {
    static const int32_t last = date::fromYmd(9999, 12, 31);
    for (int c : key.components) {
        const FieldDecl& f = decl_.field(c);
        if (!f.isDate || f.size != 4) continue;
        int32_t v;
        std::memcpy(&v, record + f.offset, 4);
        v = v < 0 ? 0 : std::min(v, last);
        std::memcpy(record + f.offset, &v, 4);
    }
}

int32_t ServerDriver::lockClass(const std::string& label, LockClass kind) {
    uint32_t h = 2166136261u;
    for (char c : label) h = (h ^ static_cast<uint8_t>(c)) * 16777619u;
    return static_cast<int32_t>(((h & 0x1fffffffu) << 2) | static_cast<uint32_t>(kind));
}

ServerDriver::ServerDriver(const TableDecl& decl, std::function<uint8_t*()> buffer,
                           std::string conninfo)
    : decl_(decl),
      buffer_(std::move(buffer)),
      session_(threadSession(conninfo)),
      strings_(decl.oem ? StringFields(decl) : StringFields()),
      table_(quoted(decl.label)) {
    for (const auto& k : decl.keys) shapes_.emplace_back(decl, k);
    for (const auto& p : decl.partialKeys) shapes_.emplace_back(decl, p);
}

Status ServerDriver::create() {
    Status st;
    if (!session_.connected(st)) return st;
    const std::string e = createTable(session_.connection, decl_);
    if (e.empty()) return Status::okay();
    session_.message = e;
    return Status::system(kFileSystemError, 0);
}

Status ServerDriver::open(int mode) {
    if (open_) return Status::error(kFileAlreadyOpen);
    const int access = mode & 0x0F;
    if (access > kAccessReadWrite || (mode & 0xF0) > kDenyNone)
        return Status::error(kInvalidFilename);
    // A missing table answers 2, as a missing data file does: the file manager creates it.
    // Inside a transaction the look runs under a savepoint, so that it leaves the
    // transaction sound. A table the connection has found before is not looked for again.
    Status connected;
    if (!session_.connected(connected)) return connected;
    if (session_.tablesSeen.count(table_) != 0) return opened(mode);
    const bool inside = session_.inTransaction && !session_.transactionLost;
    if (inside) {
        if (Status st = session_.exec("SAVEPOINT kw_open"); !st.ok()) return st;
        session_.savepointOpen = true;
    }
    Status st = session_.exec("SELECT 1 FROM " + table_ + " LIMIT 0");
    if (inside) {
        session_.savepointOpen = false;
        if (!session_.exec(st.ok() ? "RELEASE SAVEPOINT kw_open" : "ROLLBACK TO SAVEPOINT kw_open")
                 .ok())
            session_.transactionLost = true;
    }
    if (!st.ok()) return st;
    session_.tablesSeen.insert(table_);
    return opened(mode);
}

Status ServerDriver::opened(int mode) {
    if (Status st = declareSharing(mode); !st.ok()) return st;
    open_ = true;
    writable_ = (mode & 0x0F) != kAccessRead;
    order_ = 0;
    place_ = Place{};
    current_ = Row{};
    atEof_ = atBof_ = false;
    dropAhead();
    return Status::okay();
}

ServerDriver::~ServerDriver() {
    if (open_ && owner_ == std::this_thread::get_id() && !threadSessionsGone()) (void)close();
}

Status ServerDriver::close() {
    if (!open_) return Status::okay();
    dropHold();
    dropFileLock();
    while (!slots_.empty()) dropSlot(slots_.begin()->first);
    dropSharing();
    open_ = false;
    dropAhead();
    current_ = Row{};
    saved_.clear();
    return Status::okay();
}

bool ServerDriver::orderOf(int key, Order& o) const {
    const int declared = static_cast<int>(decl_.keys.size());
    if (key < 0 || key > declared + static_cast<int>(decl_.partialKeys.size())) return false;
    o = Order{};
    if (key == 0) {
        o.terms = {"\"kw_row\""};
        return true;
    }
    const PartialKeyDecl* partial =
        key > declared ? &decl_.partialKeys[static_cast<std::size_t>(key - declared - 1)] : nullptr;
    o.key = &decl_.keys[static_cast<std::size_t>((partial ? partial->key : key) - 1)];
    o.terms = keyTerms(decl_, *o.key);
    if (!o.key->dup) o.terms.push_back("\"kw_row\"");
    if (partial)
        o.where = partialKeyWhere(decl_, *partial);
    else if (o.key->opt)
        o.where = keyFilter(decl_, *o.key);
    return true;
}

Status ServerDriver::set(int key) {
    if (!open_) return Status::error(kFileNotOpen);
    if (key < 0 || key > static_cast<int>(shapes_.size())) return Status::error(kEntryNotFound);
    order_ = key;
    place_ = Place{};
    atEof_ = atBof_ = false;
    dropAhead();
    return Status::okay();
}

Status ServerDriver::setFromBuffer(int key) {
    if (!open_) return Status::error(kFileNotOpen);
    if (key < 1 || key > static_cast<int>(shapes_.size())) return Status::error(kEntryNotFound);
    order_ = key;
    place_ = Place{};
    place_.start = false;
    place_.keys.assign(buffer_(), buffer_() + decl_.recordSize);
    place_.forward = 0;
    place_.backward = INT64_MAX;
    atEof_ = atBof_ = false;
    dropAhead();
    return Status::okay();
}

Status ServerDriver::setRecord(uint32_t record) {
    if (!open_) return Status::error(kFileNotOpen);
    order_ = 0;
    place_ = Place{};
    place_.start = false;
    place_.forward = place_.backward = record;
    atEof_ = atBof_ = false;
    dropAhead();
    return Status::okay();
}

void ServerDriver::placeAt(const Row& row) {
    place_.start = false;
    place_.keys = row.record;
    place_.forward = row.id.row + 1;
    place_.backward = row.id.row - 1;
}

// Whether another desk holds the row (the lock class is parameter $1), for a batch of `n`
// rows. A few rows are each tried for a moment with a shared lock of their hold, which
// fails only while another session holds it, and given back at once: the server's lock
// table copied whole (pg_locks) costs more than that, and under four desks' locking it
// was most of the server's work per loan. A long batch looks at the lock table once.
std::string ServerDriver::heldByOther(int n) {
    if (n <= kProbedBatch)
        return "CASE WHEN pg_try_advisory_lock_shared($1::integer, \"kw_row\"::integer) THEN NOT "
               "pg_advisory_unlock_shared($1::integer, \"kw_row\"::integer) ELSE TRUE END";
    return "\"kw_row\" IN (SELECT objid::bigint FROM pg_locks WHERE locktype = 'advisory' AND "
           "classid = $1::bigint::oid AND objsubid = 2 AND mode = 'ExclusiveLock' AND granted AND "
           "pid <> pg_backend_pid())";
}

// The next rows of the pass from place_ in one direction, with whether another desk
// holds each.
Status ServerDriver::fetch(bool forward, int n) {
    dropAhead();
    Order o;
    if (!orderOf(order_, o)) return Status::error(kEntryNotFound);
    std::vector<std::string> params{std::to_string(lockClass(decl_.label, kHolds))};
    std::string where = o.where;
    std::vector<uint8_t> keys = place_.keys;
    if (o.key && !keys.empty()) clampDates(*o.key, keys.data());
    if (!place_.start) {
        std::string lhs, rhs;
        for (std::size_t i = 0; i < o.terms.size(); ++i) {
            const bool component = o.key && i < o.key->components.size();
            std::string p = kDayZero;  // the empty date
            if (component) {
                const FieldDecl& f = decl_.field(o.key->components[i]);
                if (const auto v = fieldValue(f, keys.data())) {
                    params.push_back(*v);
                    p = keyParameter(decl_, *o.key, i, static_cast<int>(params.size()));
                }
            } else {
                params.push_back(std::to_string(forward ? place_.forward : place_.backward));
                p = "$" + std::to_string(params.size()) + "::bigint";
            }
            lhs += (i ? ", " : "") + o.terms[i];
            rhs += (i ? ", " : "") + p;
        }
        where += " AND (" + lhs + ") " + (forward ? ">=" : "<=") + " (" + rhs + ")";
    }
    if (filterOn_) where += filterSql(decl_, filter_, params);
    std::string orderBy;
    for (const auto& t : o.terms)
        orderBy += (orderBy.empty() ? "" : ", ") + t + (forward ? "" : " DESC");
    // The rows come in the server's binary form: a list's page or a pass for totals
    // moves no number printed by the server and parsed again here.
    // A narrowed pass still reads its key's fields: the next batch goes on from them.
    std::vector<const FieldDecl*> fields = narrowed_.empty() ? columns(decl_) : narrowed_;
    if (!narrowed_.empty() && o.key)
        for (int c : o.key->components) {
            const FieldDecl& k = decl_.field(c);
            if (std::none_of(fields.begin(), fields.end(),
                             [&](const FieldDecl* f) { return f->offset == k.offset; }))
                fields.push_back(&k);
        }
    const std::string sql = "SELECT \"kw_row\", \"kw_version\"" + binaryColumns(fields) + ", " +
                            heldByOther(n) + " FROM " + table_ + " WHERE " + where + " ORDER BY " +
                            orderBy + " LIMIT " + std::to_string(n);
    Status st;
    if (!session_.send(sql, params, true, st)) return st;
    const Result r = session_.receive(st);
    if (!st.ok()) return st;
    const int held = static_cast<int>(fields.size()) + 2;
    for (int i = 0; i < r.rows(); ++i) {
        Row row;
        if (Status s = binaryRow(r, i, fields, row); !s.ok()) return s;
        ahead_.push_back(std::move(row));
        aheadHeld_.push_back(r.length(i, held) == 1 && r.bytes(i, held)[0] != 0);
    }
    aheadAt_ = 0;
    aheadFilter_ = filterOn_ ? filterTurns_ : 0;
    aheadForward_ = forward;
    aheadWrites_ = session_.writes;
    return Status::okay();
}

Status ServerDriver::step(bool forward, bool hold) {
    if (!open_) return Status::error(kFileNotOpen);
    const bool usable = !ahead_.empty() && aheadForward_ == forward &&
                        aheadWrites_ == session_.writes && aheadAt_ < ahead_.size() &&
                        aheadFilter_ == (filterOn_ ? filterTurns_ : 0);
    if (!usable) {
        // A batch used up in the same direction: the pass goes on, read more at once.
        batch_ = !ahead_.empty() && aheadForward_ == forward && aheadAt_ >= ahead_.size()
                     ? std::min(batch_ * 4, kLargestBatch)
                     : kFirstBatch;
        if (Status s = fetch(forward, batch_); !s.ok()) return s;
    }
    if (aheadAt_ >= ahead_.size()) {
        dropAhead();
        (forward ? atEof_ : atBof_) = true;
        return Status::error(kRecordNotAvailable);
    }
    const Row row = ahead_[aheadAt_];
    const bool heldByOther = aheadHeld_[aheadAt_];
    ++aheadAt_;
    placeAt(row);
    // A row another desk holds is not delivered; the pass has moved past it.
    if (!hold && heldByOther) return Status::error(kRecordHeld, static_cast<uint32_t>(row.id.row));
    return deliver(row, hold);
}

Status ServerDriver::readRow(int64_t row, Row& out) {
    Status st;
    Result r =
        session_.run("SELECT " + selectList(decl_) + " FROM " + table_ + " WHERE \"kw_row\" = $1",
                     {std::to_string(row)}, st);
    if (!st.ok()) return st;
    if (r.rows() == 0) return Status::error(kRecordNotFound, static_cast<uint32_t>(row));
    return rowOf(decl_, r, 0, out);
}

// Makes `row` the current record and fills the buffer; with `hold`, held first and
// read again under the hold, so that the copy is what the hold protects.
Status ServerDriver::deliver(const Row& row, bool hold) {
    Row fresh;
    const Row* use = &row;
    if (hold) {
        Status st = Status::okay();
        if (held_ != row.id.row || heldLink_ != session_.links) {
            dropHold();
            if (!tryHold(row.id.row, st))
                return st.ok() ? Status::error(kRecordHeld, static_cast<uint32_t>(row.id.row)) : st;
            held_ = row.id.row;
            heldLink_ = session_.links;
        }
        st = readRow(row.id.row, fresh);
        if (!st.ok()) {
            dropHold();
            return st;
        }
        use = &fresh;
    }
    std::memcpy(buffer_(), use->record.data(), decl_.recordSize);
    current_ = *use;
    currentRollbacks_ = session_.rollbacks;
    atEof_ = atBof_ = false;
    return Status::okay();
}

Status ServerDriver::get(int key, bool hold) {
    if (!open_) return Status::error(kFileNotOpen);
    const int declared = static_cast<int>(decl_.keys.size());
    if (key < 1 || key > static_cast<int>(shapes_.size())) return Status::error(kEntryNotFound);
    const KeyShape& shape = shapes_[static_cast<std::size_t>(key - 1)];
    if (shape.omitted(buffer_())) return Status::error(kRecordNotFound);
    const int declaredKey =
        key > declared ? decl_.partialKeys[static_cast<std::size_t>(key - declared - 1)].key : key;
    Table t(session_.connection, decl_);
    Status st;
    if (!session_.connected(st)) return st;
    Row row;
    st = t.getByKey(declaredKey, buffer_(), row);
    if (!st.ok()) {
        // A statement that failed (rather than found nothing) ends the transaction's
        // chance to commit, as in Session::run.
        const bool failed = st.code == kFileSystemError || st.code == kFileNotFound;
        if (failed && session_.inTransaction) session_.transactionLost = true;
        if (session_.connection.lost()) session_.connection.close();
        return st;
    }
    if (shape.omitted(row.record.data()))
        return Status::error(kRecordNotFound);  // not in the partial key
    order_ = key;
    place_ = Place{};
    placeAt(row);
    dropAhead();
    return deliver(row, hold);
}

Status ServerDriver::getRecord(uint32_t record, bool hold) {
    if (!open_) return Status::error(kFileNotOpen);
    Row row;
    if (Status st = readRow(record, row); !st.ok()) return st;
    if (order_ == 0) {
        place_ = Place{};
        placeAt(row);
        dropAhead();
    }
    return deliver(row, hold);
}

// The count kept in kw_counts (pg_schema.h); a table made before the counts were kept
// is counted row by row, and so is a table that is gone (which fails, as it should). Many changes
// gathered are folded into one row, outside a transaction, so that the fold's locks last only its
// statement and a desk adding at the same time adds its row beside it.
Status ServerDriver::records(uint32_t& count) {
    count = 0;
    if (!open_) return Status::error(kFileNotOpen);
    Status st;
    if (countsLink_ == 0 || countsLink_ != session_.links) {
        Result r = session_.run("SELECT to_regclass('kw_counts') IS NOT NULL", {}, st);
        if (!st.ok()) return st;
        counted_ = r.value(0, 0) == "t";
        countsLink_ = session_.links;
    }
    const std::string name = sqlName(decl_.label);
    if (counted_) {
        Result r = session_.run(
            "SELECT count(*), COALESCE(sum(n), 0) FROM kw_counts WHERE tbl = $1 AND "
            "to_regclass($2) IS NOT NULL",
            {name, table_}, st);
        if (!st.ok()) return st;
        const long changes = std::strtol(r.value(0, 0).c_str(), nullptr, 10);
        if (changes > 0) {
            count = static_cast<uint32_t>(std::strtoul(r.value(0, 1).c_str(), nullptr, 10));
            if (changes > kFoldAfter && !session_.inTransaction)
                (void)session_.run(
                    "WITH d AS (DELETE FROM kw_counts WHERE tbl = $1 RETURNING n) "
                    "INSERT INTO kw_counts SELECT $1, COALESCE(sum(n), 0) FROM d",
                    {name}, st);
            return Status::okay();
        }
    }
    Result r = session_.run("SELECT count(*) FROM " + table_, {}, st);
    if (st.ok()) count = static_cast<uint32_t>(std::strtoul(r.value(0, 0).c_str(), nullptr, 10));
    return st;
}

// The whole table in kw_row order, many rows a query (each a walk on from the last row
// of the one before), each record with its texts in the code page of the data files
// (866), as the flat driver's scan gives them. Only the columns of the fields the
// caller reads are asked for: a pass for totals moves a fraction of each row. The rows
// come in the server's binary form (no number printed and parsed again), and the server
// makes the next page while this thread decodes the one before; perRecord runs with no
// query open, so it may use the server itself.
Status ServerDriver::scan(const std::function<void(const uint8_t* record)>& perRecord,
                          const std::vector<File::Span>& only) {
    if (!open_) return Status::error(kFileNotOpen);
    const std::vector<const FieldDecl*> wanted = fieldsIn(only);
    const std::string list = "\"kw_row\"" + binaryColumns(wanted);
    const std::string sql = "SELECT " + list + " FROM " + table_ +
                            " WHERE \"kw_row\" > $1 ORDER BY \"kw_row\" LIMIT " +
                            std::to_string(kScanPage);
    Status st;
    if (!session_.send(sql, {"0"}, true, st)) return st;
    Result page = session_.receive(st);
    if (!st.ok()) return st;
    std::vector<uint8_t> records;
    for (;;) {
        const int n = page.rows();
        const bool more = n == kScanPage;
        if (more && !session_.send(sql, {std::to_string(rowNumber(page, n - 1))}, true, st))
            return st;
        const Status decoded = decodePage(page, wanted, records);
        Result next = more ? session_.receive(st) : Result();
        if (!decoded.ok()) return decoded;
        if (!st.ok()) return st;
        for (int i = 0; i < n; ++i) perRecord(records.data() + decl_.recordSize * std::size_t(i));
        if (!more) return Status::okay();
        page = std::move(next);
    }
}

// The fields of the table that the byte ranges touch (all when there are none).
std::vector<const FieldDecl*> ServerDriver::fieldsIn(const std::vector<File::Span>& only) const {
    std::vector<const FieldDecl*> wanted;
    for (const auto* f : columns(decl_)) {
        const bool read =
            only.empty() || std::any_of(only.begin(), only.end(), [&](const auto& p) {
                return f->offset < p.offset + p.length && p.offset < f->offset + f->size;
            });
        if (read) wanted.push_back(f);
    }
    return wanted;
}

// ", " and the fields' columns in the binary form, a DECIMAL as its text (setFieldBinary).
std::string ServerDriver::binaryColumns(const std::vector<const FieldDecl*>& fields) {
    std::string list;
    for (const auto* f : fields)
        list += ", " + quoted(f->name) + (f->type == FieldType::Decimal ? "::text" : "");
    return list;
}

void ServerDriver::narrow(const std::vector<File::Span>& only) {
    std::vector<const FieldDecl*> wanted;
    if (!only.empty()) wanted = fieldsIn(only);
    if (wanted.size() == columns(decl_).size()) wanted.clear();
    if (wanted == narrowed_) return;
    narrowed_ = std::move(wanted);
    dropAhead();  // rows read ahead with other fields
}

// The rows read ahead stay while the filter comes back the same: a view sets it for
// each read and takes it away after.
void ServerDriver::filter(const File::Filter& pass) {
    filterOn_ = !pass.empty();
    if (!filterOn_ || pass == filter_) return;
    filter_ = pass;
    ++filterTurns_;
}

// Row `i` of a binary result of "kw_row", "kw_version" and the fields' columns, as rowOf
// gives it from a text result (the bytes of other fields zero); 36 when a value does not
// fit its field.
Status ServerDriver::binaryRow(const Result& r, int i, const std::vector<const FieldDecl*>& fields,
                               Row& out) const {
    out.id.row = rowNumber(r, i);
    out.id.version =
        r.length(i, 1) == 4
            ? static_cast<int32_t>(be::get(reinterpret_cast<const uint8_t*>(r.bytes(i, 1)), 4))
            : 0;
    out.record.assign(decl_.recordSize, 0);
    int column = 2;
    for (const auto* f : fields) {
        if (!setFieldBinary(*f, out.record.data(), r.bytes(i, column), r.length(i, column),
                            r.isNull(i, column)))
            return Status::error(kInvalidDataFile, static_cast<uint32_t>(out.id.row));
        ++column;
    }
    return Status::okay();
}

int64_t ServerDriver::rowNumber(const Result& r, int i) {
    if (r.length(i, 0) != 8) return 0;
    return static_cast<int64_t>(be::get(reinterpret_cast<const uint8_t*>(r.bytes(i, 0)), 8));
}

// The records of a page of scan's rows (kw_row, then the `wanted` fields, binary), one
// after another from the start of `out`, with their texts in the data files' code page.
// The bytes of no wanted field stay as `out` was made: zero.
Status ServerDriver::decodePage(const Result& r, const std::vector<const FieldDecl*>& wanted,
                                std::vector<uint8_t>& out) const {
    const std::size_t size = decl_.recordSize;
    out.resize(std::max(out.size(), size * static_cast<std::size_t>(r.rows())));
    const bool texts = std::any_of(wanted.begin(), wanted.end(),
                                   [](const FieldDecl* f) { return f->type == FieldType::String; });
    for (int i = 0; i < r.rows(); ++i) {
        uint8_t* record = out.data() + size * static_cast<std::size_t>(i);
        int column = 1;
        for (const auto* f : wanted) {
            if (!setFieldBinary(*f, record, r.bytes(i, column), r.length(i, column),
                                r.isNull(i, column)))
                return Status::error(kInvalidDataFile, static_cast<uint32_t>(rowNumber(r, i)));
            ++column;
        }
        if (texts) strings_.toOem(record);
    }
    return Status::okay();
}

Status ServerDriver::duplicate(int key, bool& taken) {
    taken = false;
    if (!open_) return Status::error(kFileNotOpen);
    if (key < 1 || key > static_cast<int>(shapes_.size())) return Status::error(kEntryNotFound);
    if (shapes_[static_cast<std::size_t>(key - 1)].omitted(buffer_())) return Status::okay();
    Order o;
    if (!orderOf(key, o)) return Status::error(kEntryNotFound);
    std::vector<std::string> params{std::to_string(current_.id.row)};
    std::string where = o.where + " AND \"kw_row\" <> $1::bigint";
    for (std::size_t i = 0; i < o.key->components.size(); ++i) {
        std::string p = kDayZero;
        if (const auto v = fieldValue(decl_.field(o.key->components[i]), buffer_())) {
            params.push_back(*v);
            p = keyParameter(decl_, *o.key, i, static_cast<int>(params.size()));
        }
        where += " AND " + o.terms[i] + " = " + p;
    }
    Status st;
    Result r = session_.run("SELECT 1 FROM " + table_ + " WHERE " + where + " LIMIT 1", params, st);
    if (st.ok()) taken = r.rows() > 0;
    return st;
}

std::string ServerDriver::position(int key) {
    std::string p;
    const auto row = static_cast<uint32_t>(current_.id.row);
    if (key >= 1 && key <= static_cast<int>(shapes_.size()) && current_.id.row != 0) {
        const KeyShape& k = shapes_[static_cast<std::size_t>(key - 1)];
        std::vector<uint8_t> v(k.length);
        k.value(current_.record.data(), v.data());
        p.assign(v.begin(), v.end());
    }
    const char n[4] = {static_cast<char>(row), static_cast<char>(row >> 8),
                       static_cast<char>(row >> 16), static_cast<char>(row >> 24)};
    p.append(n, 4);
    return p;
}

bool ServerDriver::decodeKey(int key, const std::string& value, std::vector<uint8_t>& rec) const {
    const KeyShape& k = shapes_[static_cast<std::size_t>(key - 1)];
    if (value.size() != k.length) return false;
    rec.assign(decl_.recordSize, 0);
    const auto* in = reinterpret_cast<const uint8_t*>(value.data());
    for (const auto& c : k.comps) {
        if (!decodeComponent(c, in, rec.data() + c.offset)) return false;
        in += c.length;
    }
    return true;
}

Status ServerDriver::reset(int key, const std::string& position) {
    if (!open_) return Status::error(kFileNotOpen);
    if (position.size() < 4 || key < 0 || key > static_cast<int>(shapes_.size()))
        return Status::error(kRecordNotFound);
    Place p;
    p.start = false;
    p.forward = p.backward = viewutil::littleEndianRecord(position);
    if (key > 0 && !decodeKey(key, position.substr(0, position.size() - 4), p.keys))
        return Status::error(kRecordNotFound);
    order_ = key;
    place_ = std::move(p);
    atEof_ = atBof_ = false;
    dropAhead();
    return Status::okay();
}

Status ServerDriver::reget(int, const std::string& position) {
    if (position.size() < 4) return Status::error(kRecordNotFound);
    return getRecord(viewutil::littleEndianRecord(position), false);
}

int ServerDriver::saveState() {
    const int h = saved_.empty() ? 1 : saved_.rbegin()->first + 1;
    saved_[h] = Saved{order_, place_, current_, atEof_, atBof_};
    return h;
}

Status ServerDriver::restoreState(int handle) {
    auto it = saved_.find(handle);
    if (it == saved_.end()) return Status::error(kEntryNotFound);
    order_ = it->second.order;
    place_ = it->second.place;
    current_ = it->second.current;
    atEof_ = it->second.eof;
    atBof_ = it->second.bof;
    dropAhead();
    return Status::okay();
}

// The server's own switch: a commit returns before its log is on the disk. The thread's
// session keeps it for its other tables too until it is switched back.
void ServerDriver::setDurable(bool on) {
    (void)session_.exec(on ? "SET synchronous_commit = on" : "SET synchronous_commit = off");
}

std::string ServerDriver::send(std::string_view option, Status& st) {
    // The flat files' switches have nothing to change on the server; they answer OFF.
    std::string o(option);
    for (auto& c : o) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const std::string name = o.substr(0, o.find('='));
    st = Status::okay();
    if (name.rfind("IGNORESTATUS", 0) == 0 || name.rfind("IGNORECORRUPTIONS", 0) == 0 ||
        name.rfind("MAINTAINHEADERTIME", 0) == 0 || name.rfind("QUICKSCAN", 0) == 0)
        return o.find('=') == std::string::npos ? "OFF" : "";
    // How long a writer waits for another station: kept for the asking; the server's
    // own wait is its lock timeout.
    if (name.rfind("RECOVER", 0) == 0) {
        if (o.find('=') == std::string::npos) return std::to_string(recoverSeconds_);
        recoverSeconds_ = std::max(0, std::atoi(o.c_str() + o.find('=') + 1));
        return "";
    }
    st = Status::error(kUnsupportedFunction);
    return {};
}

Status ServerDriver::check(std::vector<std::string>& problems) {
    problems.clear();
    if (!open_) return Status::error(kFileNotOpen);
    return Status::okay();  // the server keeps its indexes itself
}

}  // namespace kw::storage::pg
