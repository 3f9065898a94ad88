// The report engine as a report procedure sees it. A report is made of bands (the form
// printed on every page, the page header and footer, and detail bands), each holding
// fixed texts, fields bound to variables with their pictures, lines and boxes at
// positions in the report's units. The procedure opens the report, prints detail bands
// on demand (a band that does not fit on the page starts the next one), may end a page
// itself, and closes the report; what was printed is a Document: pages of drawn items
// in millimetres from the top-left corner of the sheet as it lies (after orientation).
// A text with a width keeps to it: a longer one is cut with "…" (text_metrics.h). When
// the report is finished every page is brought inside the sheet's printable area: the
// whole document moved, and scaled down uniformly only when it does not fit.
//
//     report::Report r;
//     r.open(def);              // no page yet
//     r.print(1);               // detail band 1, values of its fields taken now
//     r.close();                // ends the last page
//     report::backend()->print(*r.document(), {});
//
// Everything is plain data: the Qt back end draws a Document with QPainter (preview,
// printer, PDF), the scripted one records it for tests. A Report is used on the
// procedure thread that owns the variables its fields are bound to; a finished
// Document is read-only and may be shared with any thread.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/binding.h"
#include "runtime/picture.h"

namespace kw::report {

enum class Units : uint8_t { Millimetres, Thousandths };  // Thousandths: of an inch
enum class Orientation : uint8_t { Portrait, Landscape };

inline constexpr int kPaperA4 = 9;    // paper code of A4 (210 x 297 mm)
inline constexpr int kPaperUser = 0;  // the size the report gives

// The border a printer cannot print on, as the report plans for it (a PDF's too).
inline constexpr double kPrintableMm = 5;

inline constexpr int kNormal = 400;  // font weights
inline constexpr int kBold = 700;

struct Font {
    std::string name = "Arial";  // the typeface as the report names it
    int size = 10;               // points
    int weight = kNormal;
    bool italic = false;
    bool underline = false;
    bool operator==(const Font&) const = default;
};

enum class ItemKind : uint8_t { Text, Line, Box };
enum class Align : uint8_t { Left, Right, Center };

// One item of a band, at a position relative to the band's top-left corner, in the
// report's units. A Text with a bound `use` is a field: it shows the variable through
// `picture` at the moment the band is printed.
struct Item {
    ItemKind kind = ItemKind::Text;
    double x = 0, y = 0;
    double width = 0, height = 0;  // Text: 0 = as wide/high as the text; Line: the extent
    std::string text;              // CP1251
    ui::Binding use;
    std::string picture;
    std::optional<Font> font;  // none: the report's font
    Align align = Align::Left;
    double pen = 0;           // Line, Box: pen width in the report's units; 0 thinnest
    bool pageNumber = false;  // Text: shows the number of its page through `picture`
};

struct Band {
    double height = 0;  // report units
    std::vector<Item> items;

    Band& add(Item i);
    // A fixed text at (x, y); width 0 = as wide as the text.
    Band& text(double x, double y, std::string cp1251, std::optional<Font> f = {},
               double width = 0);
    // A field: `use` shown through `picture`.
    Band& field(double x, double y, ui::Binding use, std::string picture,
                std::optional<Font> f = {}, double width = 0);
    // The number of the page it is drawn on, shown through `picture` (for footers).
    Band& pageNumber(double x, double y, std::string picture, std::optional<Font> f = {},
                     double width = 0);
    // A horizontal (height 0) or vertical (width 0) line from (x, y).
    Band& line(double x, double y, double width, double height, double pen = 0);
    Band& box(double x, double y, double width, double height, double pen = 0);
};

struct ReportDef {
    std::string title;  // CP1251: names the print job and the PDF
    // CP1251: the name a saved PDF is offered under, without extension (the document and
    // its ticket or period); empty: the title.
    std::string fileName;
    Units units = Units::Millimetres;
    int paper = kPaperA4;
    double paperWidth = 0, paperHeight = 0;  // kPaperUser: the sheet upright, in units
    Orientation orientation = Orientation::Portrait;
    double left = 0, top = 0, right = 0, bottom = 0;  // margins, in units
    double printableMm = kPrintableMm;                // unprintable border of the sheet
    Font font;                                        // the report's font
    Band form;
    Band header;
    Band footer;
    std::vector<Band> details;  // printed by number (from 1)
};

// One item as drawn on a page: millimetres from the sheet's top-left corner.
struct Drawn {
    ItemKind kind = ItemKind::Text;
    Align align = Align::Left;
    uint16_t font = 0;  // index into Document::fonts
    float x = 0, y = 0, width = 0, height = 0;
    float pen = 0;     // mm
    std::string text;  // CP1251; Text only
};

struct Page {
    std::vector<Drawn> items;
};

class Document {
  public:
    std::string title;     // CP1251
    std::string fileName;  // CP1251, as ReportDef's
    double widthMm = 0;    // the sheet as it lies
    double heightMm = 0;
    int paper = kPaperA4;
    Orientation orientation = Orientation::Portrait;
    std::vector<Font> fonts;
    std::vector<Page> pages;
    // Where fitting into the printable area put the layout: a layout point (x, y) mm is
    // drawn at (x * fontScale + originX, y * fontScale + originY).
    double fontScale = 1;  // texts are drawn at their font's size times this
    double originX = 0, originY = 0;
    double printableMm = 0;  // the border the pages were brought inside of (0: none yet)

    // The index of `f` in fonts, added when new.
    uint16_t fontIndex(const Font& f);
    const Font& fontOf(const Drawn& d) const;
    // Every text of every page, in drawing order; for searches.
    bool contains(std::string_view cp1251) const;
};

// Millimetres per unit.
double mmPerUnit(Units u);
// Height in mm of a line of text in `f` (its point size with the usual leading).
double lineHeightMm(const Font& f);

class Report {
  public:
    Report();
    ~Report();
    Report(const Report&) = delete;
    Report& operator=(const Report&) = delete;

    // Starts a new document from `def` (an open one is discarded). False, with
    // error(), when the paper has no size or a band is higher than the page.
    bool open(ReportDef def);
    bool isOpen() const { return open_; }
    const std::string& error() const { return error_; }
    // Prints detail band `number` (from 1), starting a page first when none is
    // started or when the band does not fit above the footer of the current one.
    // False when the report is not open or there is no such band.
    bool print(int number);
    bool print(const Band& band);
    // Ends the current page (with its footer); the next print starts a new one.
    void endPage();
    // Ends the last page and brings the document inside the printable area (both
    // only once); the report stays open for nothing more to be printed.
    void finish();
    // Ends the last page as finish() does; the document stays.
    void close();
    // The document printed so far (null before the first open).
    std::shared_ptr<Document> document() const { return doc_; }
    int pages() const;
    const ReportDef& def() const { return def_; }

  private:
    struct Prepared;  // a band with its pictures parsed
    void startPage();
    // Prints a band at the cursor, on a new page when it does not fit above the footer.
    void place(const Prepared& band);
    void draw(const Prepared& band, double topMm);
    double freeBottomMm() const;

    ReportDef def_;
    std::vector<Prepared> prepared_;  // form, header, footer, details...
    std::shared_ptr<Document> doc_;
    double scale_ = 1;     // mm per unit
    double cursorMm_ = 0;  // where the next band goes
    bool open_ = false;
    bool pageOpen_ = false;
    bool bandOnPage_ = false;
    std::string error_;
};

// What shows the printed pages: the Qt back end (printer, PDF) or the scripted one.
class Backend {
  public:
    virtual ~Backend() = default;
    // Prints `pages` (numbers from 1; empty: all) of `doc` through the system's print
    // dialog; false when the user cancelled or printing failed. Any thread.
    virtual bool print(const Document& doc, const std::vector<int>& pages) = 0;
    // Writes `pages` (empty: all) of `doc` to a PDF file at `path`; false (and
    // `error`) when it cannot. Any thread.
    virtual bool writePdf(const Document& doc, const std::vector<int>& pages,
                          const std::string& path, std::string& error) = 0;
    // Asks the user for the file to save a PDF to, suggesting the file name `suggested`
    // (UTF-8, no folder) in the user's documents folder, never the data directory; ""
    // when cancelled. Any thread.
    virtual std::string askPdfPath(const std::string& suggested) = 0;
};

// Installs the back end (nullptr: none) and returns the previous one; the caller keeps
// it alive while installed.
Backend* installBackend(Backend* b);
Backend* backend();

// The last report printed or previewed, for scenarios and tests (null: none yet).
void setLastDocument(std::shared_ptr<const Document> doc);
std::shared_ptr<const Document> lastDocument();

// Moves every item of every page of `doc` by one shift, scaled down uniformly about
// the sheet's corner only when that is needed, so that what the pages cover (a text's
// box, or its ink when it has none) lies at least `marginMm` inside the sheet. Keeps
// the proportions of the layout. True when anything moved.
bool fitToPrintable(Document& doc, double marginMm);

// "1-3,5" -> {1, 2, 3, 5}, each within 1..count; empty when the text names no page.
std::vector<int> parsePageList(std::string_view text, int count);

}  // namespace kw::report
