// The report engine: bands laid out on pages, and the registry of the back end.
#include "runtime/report.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <mutex>

#include "runtime/text_metrics.h"

namespace kw::report {

namespace {

constexpr double kA4Width = 210, kA4Height = 297;
constexpr double kPointMm = 25.4 / 72;

std::atomic<Backend*> g_backend{nullptr};
std::mutex g_lastMutex;
std::shared_ptr<const Document> g_last;

std::string clipped(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

}  // namespace

struct Report::Prepared {
    double height = 0;  // mm
    std::vector<Item> items;
    std::vector<picture::Picture> pics;  // per item
    std::vector<uint16_t> fonts;         // per item, index into the document's fonts
};

namespace {

// A band with its pictures parsed and its fonts entered in the document.
template <typename P>
P prepareBand(const Band& b, Document& doc, const Font& reportFont, double scale) {
    P p;
    p.height = b.height * scale;
    p.items = b.items;
    for (const Item& i : b.items) {
        p.pics.push_back(i.use.bound() || i.pageNumber ? picture::parse(i.picture)
                                                       : picture::Picture{});
        p.fonts.push_back(doc.fontIndex(i.font ? *i.font : reportFont));
    }
    return p;
}

}  // namespace

Band& Band::add(Item i) {
    items.push_back(std::move(i));
    return *this;
}

namespace {

Item placed(ItemKind kind, double x, double y, double width, double height = 0) {
    Item i;
    i.kind = kind;
    i.x = x;
    i.y = y;
    i.width = width;
    i.height = height;
    return i;
}

}  // namespace

Band& Band::text(double x, double y, std::string cp1251, std::optional<Font> f, double width) {
    Item i = placed(ItemKind::Text, x, y, width);
    i.text = std::move(cp1251);
    i.font = std::move(f);
    return add(std::move(i));
}

Band& Band::field(double x, double y, ui::Binding use, std::string picture, std::optional<Font> f,
                  double width) {
    Item i = placed(ItemKind::Text, x, y, width);
    i.use = std::move(use);
    i.picture = std::move(picture);
    i.font = std::move(f);
    return add(std::move(i));
}

Band& Band::pageNumber(double x, double y, std::string picture, std::optional<Font> f,
                       double width) {
    Item i = placed(ItemKind::Text, x, y, width);
    i.picture = std::move(picture);
    i.font = std::move(f);
    i.pageNumber = true;
    return add(std::move(i));
}

Band& Band::line(double x, double y, double width, double height, double pen) {
    Item i = placed(ItemKind::Line, x, y, width, height);
    i.pen = pen;
    return add(std::move(i));
}

Band& Band::box(double x, double y, double width, double height, double pen) {
    Item i = placed(ItemKind::Box, x, y, width, height);
    i.pen = pen;
    return add(std::move(i));
}

uint16_t Document::fontIndex(const Font& f) {
    for (std::size_t i = 0; i < fonts.size(); ++i)
        if (fonts[i] == f) return static_cast<uint16_t>(i);
    fonts.push_back(f);
    return static_cast<uint16_t>(fonts.size() - 1);
}

const Font& Document::fontOf(const Drawn& d) const {
    static const Font none;
    return d.font < fonts.size() ? fonts[d.font] : none;
}

bool Document::contains(std::string_view cp1251) const {
    for (const Page& p : pages)
        for (const Drawn& d : p.items)
            if (d.kind == ItemKind::Text && d.text.find(cp1251) != std::string::npos) return true;
    return false;
}

double mmPerUnit(Units u) {
    return u == Units::Millimetres ? 1.0 : 0.0254;
}

double lineHeightMm(const Font& f) {
    return f.size * kPointMm * 1.2;
}

Report::Report() = default;
Report::~Report() = default;

bool Report::open(ReportDef def) {
    open_ = false;
    pageOpen_ = false;
    error_.clear();
    def_ = std::move(def);
    scale_ = mmPerUnit(def_.units);
    auto doc = std::make_shared<Document>();
    doc->title = def_.title;
    doc->fileName = def_.fileName;
    doc->paper = def_.paper;
    doc->orientation = def_.orientation;
    double w = kA4Width, h = kA4Height;
    if (def_.paper == kPaperUser) {
        w = def_.paperWidth * scale_;
        h = def_.paperHeight * scale_;
    }
    if (w <= 0 || h <= 0) {
        error_ = "the report's paper has no size";
        return false;
    }
    if (def_.orientation == Orientation::Landscape) std::swap(w, h);
    doc->widthMm = w;
    doc->heightMm = h;

    auto prepare = [&](const Band& b) { return prepareBand<Prepared>(b, *doc, def_.font, scale_); };
    prepared_.clear();
    prepared_.push_back(prepare(def_.form));
    prepared_.push_back(prepare(def_.header));
    prepared_.push_back(prepare(def_.footer));
    for (const Band& b : def_.details) prepared_.push_back(prepare(b));
    const double room = h - (def_.top + def_.bottom) * scale_;
    for (std::size_t i = 1; i < prepared_.size(); ++i) {
        const double need =
            prepared_[i].height + (i >= 3 ? prepared_[1].height + prepared_[2].height : 0);
        if (need > room + 1e-9) {
            error_ = "a band of the report is higher than its page";
            return false;
        }
    }
    doc_ = std::move(doc);
    open_ = true;
    bandOnPage_ = false;
    return true;
}

int Report::pages() const {
    return doc_ ? static_cast<int>(doc_->pages.size()) : 0;
}

double Report::freeBottomMm() const {
    return doc_->heightMm - def_.bottom * scale_ - prepared_[2].height;
}

void Report::startPage() {
    doc_->pages.emplace_back();
    pageOpen_ = true;
    bandOnPage_ = false;
    const double top = def_.top * scale_;
    draw(prepared_[0], top);
    draw(prepared_[1], top);
    cursorMm_ = top + prepared_[1].height;
}

void Report::draw(const Prepared& band, double topMm) {
    Page& page = doc_->pages.back();
    const double left = def_.left * scale_;
    for (std::size_t k = 0; k < band.items.size(); ++k) {
        const Item& i = band.items[k];
        Drawn d;
        d.kind = i.kind;
        d.align = i.align;
        d.font = band.fonts[k];
        d.x = static_cast<float>(left + i.x * scale_);
        d.y = static_cast<float>(topMm + i.y * scale_);
        d.width = static_cast<float>(i.width * scale_);
        d.height = static_cast<float>(i.height * scale_);
        d.pen = static_cast<float>(i.pen * scale_);
        if (i.kind == ItemKind::Text) {
            if (i.pageNumber)
                d.text =
                    clipped(picture::format(static_cast<double>(doc_->pages.size()), band.pics[k]));
            else
                d.text = i.use.bound() ? clipped(i.use.text(band.pics[k])) : i.text;
            d.text = fitToWidth(doc_->fonts[d.font], d.text, d.width);
            if (d.height <= 0) d.height = static_cast<float>(lineHeightMm(doc_->fonts[d.font]));
        }
        page.items.push_back(std::move(d));
    }
}

bool Report::print(int number) {
    if (!open_ || number < 1 || static_cast<std::size_t>(number) + 2 >= prepared_.size())
        return false;
    place(prepared_[static_cast<std::size_t>(number) + 2]);
    return true;
}

bool Report::print(const Band& band) {
    if (!open_) return false;
    // Prepared on the spot: bands printed this way are rare (totals, one-off lines).
    place(prepareBand<Prepared>(band, *doc_, def_.font, scale_));
    return true;
}

void Report::place(const Prepared& band) {
    if (!pageOpen_) {
        startPage();
    } else if (bandOnPage_ && cursorMm_ + band.height > freeBottomMm() + 1e-9) {
        endPage();
        startPage();
    }
    draw(band, cursorMm_);
    cursorMm_ += band.height;
    bandOnPage_ = true;
}

void Report::endPage() {
    if (!open_ || !pageOpen_) return;
    draw(prepared_[2], freeBottomMm());
    pageOpen_ = false;
}

void Report::finish() {
    if (!doc_) return;
    if (open_) endPage();
    if (doc_->printableMm <= 0) {
        (void)fitToPrintable(*doc_, def_.printableMm);
        doc_->printableMm = def_.printableMm;
    }
}

void Report::close() {
    finish();
    open_ = false;
}

namespace {

// What the pages cover, over the whole document; false when nothing is drawn.
bool coverage(const Document& doc, Extent& all) {
    bool any = false;
    for (const Page& p : doc.pages)
        for (const Drawn& d : p.items) {
            if (d.kind == ItemKind::Text && d.text.empty()) continue;
            const Extent e = roomOf(doc, d);
            if (!any) all = e;
            all = {std::min(all.x0, e.x0), std::min(all.y0, e.y0), std::max(all.x1, e.x1),
                   std::max(all.y1, e.y1)};
            any = true;
        }
    return any;
}

// The shift that brings [lo, hi] (scaled by s) inside [m, size - m] by the least move.
double shiftInto(double lo, double hi, double s, double m, double size) {
    if (lo * s < m) return m - lo * s;
    if (hi * s > size - m) return std::max(m - lo * s, size - m - hi * s);
    return 0;
}

}  // namespace

bool fitToPrintable(Document& doc, double marginMm) {
    Extent all;
    if (marginMm <= 0 || !coverage(doc, all)) return false;
    const double m = marginMm, w = doc.widthMm, h = doc.heightMm;
    if (all.x0 >= m && all.y0 >= m && all.x1 <= w - m && all.y1 <= h - m) return false;
    const double s =
        std::min({1.0, (w - 2 * m) / (all.x1 - all.x0), (h - 2 * m) / (all.y1 - all.y0)});
    const double dx = shiftInto(all.x0, all.x1, s, m, w), dy = shiftInto(all.y0, all.y1, s, m, h);
    for (Page& p : doc.pages)
        for (Drawn& d : p.items) {
            d.x = static_cast<float>(d.x * s + dx);
            d.y = static_cast<float>(d.y * s + dy);
            d.width = static_cast<float>(d.width * s);
            d.height = static_cast<float>(d.height * s);
            d.pen = static_cast<float>(d.pen * s);
        }
    doc.originX = doc.originX * s + dx;
    doc.originY = doc.originY * s + dy;
    doc.fontScale *= s;
    return true;
}

Backend* installBackend(Backend* b) {
    return g_backend.exchange(b);
}

Backend* backend() {
    return g_backend.load();
}

void setLastDocument(std::shared_ptr<const Document> doc) {
    std::lock_guard lock(g_lastMutex);
    g_last = std::move(doc);
}

std::shared_ptr<const Document> lastDocument() {
    std::lock_guard lock(g_lastMutex);
    return g_last;
}

std::vector<int> parsePageList(std::string_view text, int count) {
    std::vector<int> out;
    std::size_t i = 0;
    auto number = [&](int& n) {
        while (i < text.size() && text[i] == ' ') ++i;
        if (i >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i]))) return false;
        long v = 0;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
            v = std::min<long>(v * 10 + (text[i] - '0'), 1000000);
            ++i;
        }
        while (i < text.size() && text[i] == ' ') ++i;
        n = static_cast<int>(v);
        return true;
    };
    while (i < text.size()) {
        int a = 0, b = 0;
        if (!number(a)) return {};
        b = a;
        if (i < text.size() && text[i] == '-') {
            ++i;
            if (!number(b)) return {};
        }
        for (int p = std::max(a, 1); p <= std::min(b, count); ++p)
            if (std::find(out.begin(), out.end(), p) == out.end()) out.push_back(p);
        if (i < text.size()) {
            if (text[i] != ',') return {};
            ++i;
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace kw::report
