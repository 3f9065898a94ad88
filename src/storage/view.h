// kw::storage::View: an ordered, filtered pass over the records of one table.
//
// Order: a list of the table's fields, each ascending or descending, strings optionally
// compared without regard to letter case. When the order is one of the table's keys,
// a prefix of one, or a whole unique key followed by further fields, the view reads
// through that key (backwards for an all-descending order) and never touches records
// outside the page it is asked for. Any other order is served from a list of record
// numbers sorted once by the order's values (built at setStart, setEnd, setFromBuffer,
// setKey and refresh, and again at reset when the file's record count has changed);
// that list holds the records that passed the range and the filter when it was built.
// Without an order the view reads in record-number order.
// A record that a key leaves out (OPT: all its components blank or zero) is not in a
// view read through that key.
//
// Filter: an expression text (runtime/expression.h) evaluated on every record read; a
// record for which it is false is skipped. Its names are the table's own fields
// ("PREFIX:FIELD", read from the file's record buffer) and then whatever the resolver
// given with it knows (the program's variables by default). A filter that does not
// parse gives kInvalidFilter, and the view then has no records until another filter is
// set. The file is told the top-level conditions that a back end can test exactly as
// the program does (File::filter: fields of whole numbers and dates compared with a
// number, texts compared for equality), with their values taken at every positioning,
// around each read of the view only; the server then sends only the rows that meet
// them (those that narrow the part of a key read, below, need not be told). When the
// view reads through a key, comparisons of key fields with values that
// name none of the table's fields, joined by AND at the top of the filter
// ("zal:data>=d1 and zal:data<=d2", "prb:kod=zal:met", "upper(zal:fio)='X'"), narrow the
// part of the key that is read: the scan starts at the first key value they allow and
// stops at the first one beyond. BYTE, SHORT and LONG components take =, <, <=, > and >=;
// texts take = only (a NOCASE key orders texts by their upper case, which an inequality
// of the filter does not). The filter is still evaluated on every record; the values of
// the conditions are taken again at every positioning.
//
// A view in the order of a key that has a partial key (table_decl.h) reads the partial
// key instead when one of those top-level conditions lets through only records the
// partial key keeps ("zal:sost=1", "zal:sost<4" for the open pledges): its entries are
// the key's entries of those records, in the key's order, so the view shows the same
// records in the same order and reads only them. The choice is made at every
// positioning, with the conditions' values of that moment.
//
// Range: low and high values of the leading order fields (inclusive, compared as the
// order compares them); records outside are not in the view. Through a key it bounds the
// scan like the filter's conditions.
//
// Reading: setStart, setEnd, setFromBuffer, setKey or reset position the view; next()
// and previous() then read the following or preceding record of the view into the
// file's record buffer. After setStart next() reads the first record and previous()
// gives 33; after setEnd the reverse. After reset(position), setFromBuffer and setKey,
// next() reads the first record at or after that place and previous() the last one at
// or before it. Otherwise next and previous move from the record last read. Past either
// end they give 33 ("Record Not Available") and the view stays at that end: one more
// call in the other direction reads the last (first) record. position() names the
// record last read; reget() reads the record of a position again.
//
// The view moves its file's sequential position and fills the file's record buffer;
// it belongs to one thread (the file's state is the calling thread's). The file must
// be open; the view does not open or close it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/expression.h"
#include "storage/file.h"
#include "storage/record_codec.h"
#include "storage/status.h"
#include "storage/table_decl.h"

namespace kw::storage {

// Status codes of the view (beside the driver's own).
inline constexpr int kInvalidFilter = 800;  // the filter text does not parse
inline constexpr int kInvalidOrder = 801;   // the order names no field of the table
inline constexpr int kInvalidRange = 802;   // range or key values that the fields cannot hold

struct OrderPart {
    int field = 0;  // 1-based field number
    bool descending = false;
    bool nocase = false;  // strings by their upper-case letters
    bool operator==(const OrderPart&) const = default;
};

// Order texts: parts separated by commas, each "+NAME", "-NAME" or "NAME" (ascending),
// NAME a field "PREFIX:FIELD" of the table in any letter case, or UPPER(NAME) to compare
// without regard to case: "+ZAL:DATA,-UPPER(ZAL:FIO)". False with a message in `error`.
bool parseOrder(std::string_view text, const TableDecl& table, std::vector<OrderPart>& out,
                std::string& error);
// The text of an order, as parseOrder reads it.
std::string orderText(const TableDecl& table, const std::vector<OrderPart>& order);
// The order of key `key` (1-based): its components ascending, strings of a NOCASE key
// without regard to case.
std::vector<OrderPart> keyOrder(const TableDecl& table, int key);

class View {
  public:
    explicit View(File& file);
    ~View();
    View(const View&) = delete;
    View& operator=(const View&) = delete;

    File& file() { return file_; }

    // --- set-up: each change puts the view back to its start ---
    Status setOrder(std::vector<OrderPart> order);  // kInvalidOrder for a field not in the table
    Status setOrder(std::string_view text);
    const std::vector<OrderPart>& order() const { return order_; }

    // "" or blanks remove the filter. `names` resolves what is not a field of the table
    // (nullptr: expr::globals()); it is used while parsing only.
    Status setFilter(std::string_view text, const expr::Resolver* names = nullptr);
    const std::string& filterText() const { return filterText_; }
    // The parser's message for a filter that failed, "" otherwise.
    const std::string& filterError() const { return filterError_; }

    // Values of the first low.size() (high.size()) order fields; empty vectors leave
    // that side open. kInvalidRange for more values than order fields or a value the
    // field cannot hold.
    Status setRange(std::vector<expr::Value> low, std::vector<expr::Value> high);
    void clearRange();

    // --- positioning ---
    Status setStart();
    Status setEnd();
    // The place of a position from position() of this view with the same order.
    Status reset(const std::string& position);
    // The place of the order fields' values in the file's record buffer.
    Status setFromBuffer();
    // The place of these values of the leading order fields.
    Status setKey(const std::vector<expr::Value>& leading);
    // Sorted views: builds the list of records again at the next read.
    void refresh();

    // --- reading ---
    Status next();
    Status previous();
    std::string position() const { return position_; }  // "" when nothing was read
    Status reget(const std::string& position);          // 35 when that record is gone
    // The number of records in the view; reads them all when a filter or range is set or
    // the key may leave records out. Keeps the view's place and the record buffer.
    Status records(uint32_t& count);

    // --- how the view reads (tests, benchmarks) ---
    int key() const;        // the key read through, 0 when none
    int fileKey() const;    // the driver's key read: key() or a partial key of it
    bool backward() const;  // reads its key from the end
    bool sorted() const;    // reads a sorted list of record numbers
    uint64_t reads() const { return reads_; }  // records read from the file so far

  private:
    enum class Mode { Physical, Key, Sorted };
    enum class Cursor { Start, End, At, Placed };

    void changed();
    void choosePath();
    void computeRange();
    std::size_t deriveKeyRange();
    void leaveToKeyRange(std::size_t bounded);
    void choosePartialKey();
    void derivePassFilter();
    // Encodes `values` of the leading order fields with `shapes` (their component ends in
    // `ends`); the bytes after those fields are `fill`. False when a value does not fit.
    bool encode(const std::vector<KeyShape>& shapes, const std::vector<std::size_t>& ends,
                const std::vector<expr::Value>& values, uint8_t fill, std::vector<uint8_t>& out);
    static void encodeRecord(const std::vector<KeyShape>& shapes, const uint8_t* record,
                             std::vector<uint8_t>& out);
    bool inGivenRange(const uint8_t* record);
    Status buildSorted();
    void relocate();
    Status placeFile(bool fileForward);
    Status stepKeyed(bool forward);
    Status stepSorted(bool forward);
    Status fail(int code, const std::string& text);
    bool accept();

    File& file_;
    const TableDecl& decl_;
    std::vector<OrderPart> order_;
    std::string filterText_, filterError_;
    std::unique_ptr<expr::Expression> filter_;
    std::vector<expr::Expression::Condition> conditions_;
    File::Filter pass_;  // what the file may keep back, with the values of this positioning
    bool filterBad_ = false;
    std::vector<expr::Value> lowValues_, highValues_;

    // access path
    Mode mode_ = Mode::Physical;
    int key_ = 0;
    int readKey_ = 0;  // Key: the driver's key read, key_ or a partial key of it
    bool back_ = false;
    std::vector<KeyShape> keyShape_;    // Key: the key's encoder
    std::vector<std::size_t> keyEnds_;  // end of each key component in the key value
    std::size_t keyLength_ = 0;
    std::vector<KeyShape> partShapes_;  // one encoder per order part (ascending)
    std::vector<std::size_t> partEnds_;
    std::size_t orderLength_ = 0;

    // ranges of this positioning
    std::vector<uint8_t> lo_, hi_;  // Key: the part of the key read, as key values
    bool ranged_ = false;
    std::vector<uint8_t> xlo_, xhi_;  // the given range, as order bytes
    bool xranged_ = false;
    bool emptyRange_ = false;

    // sorted list
    std::vector<uint8_t> entries_;     // fixed-size entries: order bytes (descending parts
                                       // inverted), record number big-endian
    std::vector<uint32_t> sortedIdx_;  // entry numbers in view order
    std::size_t entryLength_ = 0;
    bool sortedBuilt_ = false;
    bool rebuild_ = true;
    uint32_t builtCount_ = 0;
    std::size_t at_ = 0;  // Sorted: index in sortedIdx_ of the record last read

    // cursor
    Cursor cur_ = Cursor::Start;
    std::string placeLow_, placeHigh_;  // Placed: an upward read starts at the first entry
                                        // >= placeLow_, a downward one at the last <= placeHigh_
    std::string position_;              // of the record last read
    bool aligned_ = false;              // the file's current record is that record
    uint64_t reads_ = 0;
    std::vector<uint8_t> keyBytes_, orderBytes_;
};

}  // namespace kw::storage
