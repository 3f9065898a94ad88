// The page canvas of the preview window: `across` x `down` pages from `page` on, at a
// zoom in percent of their printed size, or fitted to the window (tile: every page of
// the grid whole; page width: the grid as wide as the window).
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QWidget>
#include <algorithm>
#include <sstream>

#include "runtime/qt/qt_report.h"

namespace kw::qt {

namespace {

constexpr int kGap = 12;  // pixels between pages and around them

class Sheets : public QWidget {
  public:
    explicit Sheets(const report::Document* doc) : doc_(doc) { setAutoFillBackground(false); }

    void setView(int page, int across, int down, int zoom) {
        page_ = std::max(1, page);
        across_ = std::clamp(across, 1, 10);
        down_ = std::clamp(down, 1, 10);
        zoom_ = zoom;
        relayout();
    }

    // Pixels to the millimetre for the viewport size `room`.
    double pxPerMm(QSize room) const {
        if (!doc_ || doc_->widthMm <= 0) return 1;
        const double fitW = (room.width() - kGap * (across_ + 1)) / (doc_->widthMm * across_);
        const double fitH = (room.height() - kGap * (down_ + 1)) / (doc_->heightMm * down_);
        if (zoom_ == -2) return std::max(0.05, std::min(fitW, fitH));
        if (zoom_ == -1) return std::max(0.05, fitW);
        return logicalDpiX() / 25.4 * std::max(10, zoom_) / 100.0;
    }

    void relayout() {
        QWidget* port = parentWidget();
        const QSize room = port ? port->size() : size();
        scale_ = pxPerMm(room);
        if (!doc_) return;
        const int w = static_cast<int>(doc_->widthMm * scale_),
                  h = static_cast<int>(doc_->heightMm * scale_);
        setFixedSize(kGap + across_ * (w + kGap), kGap + down_ * (h + kGap));
        update();
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), QColor(128, 128, 128));
        if (!doc_) return;
        const int w = static_cast<int>(doc_->widthMm * scale_),
                  h = static_cast<int>(doc_->heightMm * scale_);
        const int count = static_cast<int>(doc_->pages.size());
        for (int r = 0; r < down_; ++r) {
            for (int c = 0; c < across_; ++c) {
                const int index = page_ - 1 + r * across_ + c;
                if (index >= count) return;
                const int x = kGap + c * (w + kGap), y = kGap + r * (h + kGap);
                p.fillRect(x + 3, y + 3, w, h, QColor(64, 64, 64));  // the sheet's shadow
                p.save();
                p.translate(x, y);
                p.setClipRect(0, 0, w, h);
                paintPage(p, *doc_, index, scale_);
                paintPrintable(p, w, h);
                p.restore();
            }
        }
    }

  private:
    // The border the printer leaves blank, as a thin dashed frame on the sheet.
    void paintPrintable(QPainter& p, int w, int h) const {
        const double m = doc_->printableMm * scale_;
        if (m <= 0) return;
        QPen pen(QColor(160, 190, 230));
        pen.setStyle(Qt::DashLine);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(m, m, w - 2 * m, h - 2 * m));
    }

    const report::Document* doc_;
    int page_ = 1, across_ = 1, down_ = 1, zoom_ = -1;
    double scale_ = 1;
};

class Canvas : public QScrollArea {
  public:
    explicit Canvas(const report::Document* doc) : sheets_(new Sheets(doc)) {
        setWidget(sheets_);
        setAlignment(Qt::AlignCenter);
        setBackgroundRole(QPalette::Dark);
        setMinimumSize(480, 360);
    }
    Sheets* sheets() const { return sheets_; }

  protected:
    void resizeEvent(QResizeEvent* e) override {
        QScrollArea::resizeEvent(e);
        sheets_->relayout();
    }

  private:
    Sheets* sheets_;
};

}  // namespace

QWidget* makeReportCanvas(const report::Document* doc) {
    return new Canvas(doc);
}

void syncReportCanvas(QWidget* canvas, const std::string& text) {
    auto* c = dynamic_cast<Canvas*>(canvas);
    if (!c) return;
    std::istringstream in(text);
    int page = 1, across = 1, down = 1, zoom = -1;
    in >> page >> across >> down >> zoom;
    c->sheets()->setView(page, across, down, zoom);
}

}  // namespace kw::qt
