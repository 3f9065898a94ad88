#include "runtime/qt/qt_report.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMetaObject>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QStandardPaths>
#include <QThread>
#include <algorithm>
#include <functional>

#include "runtime/qt/qt_text.h"

namespace kw::qt {

namespace {

// The painter works in hundredths of a millimetre, so fonts get whole pixel sizes
// within a fraction of a percent of the size the engine measured the texts with; the
// device scale comes on top.
constexpr double kUnitsPerMm = 100;
constexpr double kPointMm = 25.4 / 72;

// Runs `work` on the GUI thread when there is an application, else here.
void onGuiThread(const std::function<void()>& work) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread()) {
        work();
        return;
    }
    QMetaObject::invokeMethod(app, work, Qt::BlockingQueuedConnection);
}

std::vector<int> pageIndexes(const report::Document& doc, const std::vector<int>& pages) {
    std::vector<int> out;
    const int n = static_cast<int>(doc.pages.size());
    if (pages.empty()) {
        for (int i = 0; i < n; ++i) out.push_back(i);
    } else {
        for (int p : pages)
            if (p >= 1 && p <= n) out.push_back(p - 1);
    }
    return out;
}

QPageLayout layoutOf(const report::Document& doc) {
    const QPageSize size = doc.paper == report::kPaperA4
                               ? QPageSize(QPageSize::A4)
                               : QPageSize(QSizeF(std::min(doc.widthMm, doc.heightMm),
                                                  std::max(doc.widthMm, doc.heightMm)),
                                           QPageSize::Millimeter);
    const auto o = doc.widthMm > doc.heightMm ? QPageLayout::Landscape : QPageLayout::Portrait;
    return QPageLayout(size, o, QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

// Draws the chosen pages on a device that is already set up, one sheet each.
bool paintPages(QPagedPaintDevice& device, const report::Document& doc,
                const std::vector<int>& indexes, double pxPerMm,
                const std::function<bool()>& newPage) {
    QPainter p;
    if (!p.begin(&device)) return false;
    bool first = true;
    for (int i : indexes) {
        if (!first && !newPage()) break;
        first = false;
        paintPage(p, doc, i, pxPerMm);
    }
    return p.end();
}

}  // namespace

QString familyFor(const std::string& reportFamily) {
    if (reportFamily == "Arial" || reportFamily == "MS Sans Serif" || reportFamily == "Helvetica")
        return QStringLiteral("Liberation Sans");
    if (reportFamily == "Times New Roman") return QStringLiteral("Liberation Serif");
    if (reportFamily == "Courier New") return QStringLiteral("Liberation Mono");
    return QString::fromStdString(reportFamily);
}

QFont qtFont(const report::Font& f, double unitsPerMm) {
    QFont font(familyFor(f.name));
    font.setPixelSize(std::max(1, static_cast<int>(f.size * kPointMm * unitsPerMm + 0.5)));
    font.setWeight(f.weight >= report::kBold ? QFont::Bold : QFont::Normal);
    font.setItalic(f.italic);
    font.setUnderline(f.underline);
    font.setStyleStrategy(QFont::PreferAntialias);
    // The widths the engine planned with are the face's own advances, unhinted and
    // without kerning.
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setKerning(false);
    return font;
}

void paintPage(QPainter& p, const report::Document& doc, int index, double pxPerMm) {
    if (index < 0 || index >= static_cast<int>(doc.pages.size())) return;
    p.save();
    p.scale(pxPerMm / kUnitsPerMm, pxPerMm / kUnitsPerMm);
    const QRectF sheet(0, 0, doc.widthMm * kUnitsPerMm, doc.heightMm * kUnitsPerMm);
    p.fillRect(sheet, Qt::white);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    std::vector<QFont> fonts;
    for (const report::Font& f : doc.fonts) fonts.push_back(qtFont(f, kUnitsPerMm * doc.fontScale));
    for (const report::Drawn& d : doc.pages[static_cast<std::size_t>(index)].items) {
        const double x = d.x * kUnitsPerMm, y = d.y * kUnitsPerMm;
        const double w = d.width * kUnitsPerMm, h = d.height * kUnitsPerMm;
        QPen pen(Qt::black);
        pen.setWidthF((d.pen > 0 ? d.pen : 0.15) *
                      kUnitsPerMm);  // 0.15 mm: the thinnest line that prints
        p.setPen(pen);
        switch (d.kind) {
            case report::ItemKind::Line:
                p.drawLine(QPointF(x, y), QPointF(x + w, y + h));
                break;
            case report::ItemKind::Box:
                p.setBrush(Qt::NoBrush);
                p.drawRect(QRectF(x, y, w, h));
                break;
            case report::ItemKind::Text: {
                if (d.font < fonts.size()) p.setFont(fonts[d.font]);
                int flags = Qt::AlignTop | Qt::TextDontClip | Qt::TextSingleLine;
                flags |= d.align == report::Align::Right    ? Qt::AlignRight
                         : d.align == report::Align::Center ? Qt::AlignHCenter
                                                            : Qt::AlignLeft;
                const double width = w > 0 ? w : sheet.width() - x;
                p.drawText(QRectF(x, y, width, h), flags, fromCp(d.text));
                break;
            }
        }
    }
    p.restore();
}

bool QtReport::print(const report::Document& doc, const std::vector<int>& pages) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return false;
    bool ok = false;
    onGuiThread([&] {
        QPrinter printer(QPrinter::HighResolution);
        printer.setPageLayout(layoutOf(doc));
        printer.setFullPage(true);
        printer.setDocName(fromCp(doc.title));
        QPrintDialog dialog(&printer, QApplication::activeWindow());
        if (dialog.exec() != QDialog::Accepted) return;
        const double pxPerMm = printer.resolution() / 25.4;
        // A printer whose border is wider than the one the pages were planned for gets
        // them brought inside its own.
        const QMarginsF border = printer.pageLayout().minimumMargins();
        const double widest =
            std::max({border.left(), border.top(), border.right(), border.bottom()});
        report::Document fitted = doc;
        if (widest > doc.printableMm) (void)report::fitToPrintable(fitted, widest);
        ok = paintPages(printer, fitted, pageIndexes(fitted, pages), pxPerMm,
                        [&] { return printer.newPage(); });
    });
    return ok;
}

bool QtReport::writePdf(const report::Document& doc, const std::vector<int>& pages,
                        const std::string& path, std::string& error) {
    const std::vector<int> indexes = pageIndexes(doc, pages);
    if (indexes.empty()) {
        error = "the report has no such page";
        return false;
    }
    bool ok = false;
    onGuiThread([&] {
        QPdfWriter pdf(QString::fromStdString(path));
        pdf.setResolution(600);
        pdf.setPageLayout(layoutOf(doc));
        pdf.setTitle(fromCp(doc.title));
        pdf.setCreator(QStringLiteral("kestrowd"));
        ok = paintPages(pdf, doc, indexes, 600 / 25.4, [&] { return pdf.newPage(); });
    });
    if (!ok) error = "the PDF file could not be written: " + path;
    return ok;
}

namespace {

// Where saved documents go: a folder of the program in the user's documents, made when
// missing; the home folder when there is none. Never the data directory (the current
// one), whose files the desks share.
QString documentsFolder() {
    QString base = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (base.isEmpty()) base = QDir::homePath();
    const QString folder = base + QStringLiteral("/kestrowd");
    if (QDir(folder).canonicalPath() == QDir::current().canonicalPath() || !QDir().mkpath(folder))
        return base;
    return folder;
}

}  // namespace

std::string QtReport::askPdfPath(const std::string& suggested) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return std::string();
    std::string chosen;
    onGuiThread([&] {
        const QString file = QFileDialog::getSaveFileName(
            QApplication::activeWindow(), QStringLiteral("Save as PDF"),
            documentsFolder() + QLatin1Char('/') + QString::fromStdString(suggested),
            QStringLiteral("PDF (*.pdf)"));
        if (file.isEmpty()) return;
        chosen = file.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)
                     ? file.toStdString()
                     : (file + QStringLiteral(".pdf")).toStdString();
    });
    return chosen;
}

QtReport& installQtReport() {
    static QtReport backend;
    if (report::backend() != &backend) report::installBackend(&backend);
    return backend;
}

}  // namespace kw::qt
