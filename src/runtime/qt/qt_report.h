// The Qt back end of the report engine: pages drawn with QPainter, printed through the
// system's print dialog, written to PDF; and the page canvas of the preview window.
//
// The typefaces the reports name are those of the program's first home; they are
// drawn with free fonts of the same measures (Arial as Liberation Sans, MS Sans Serif
// as Liberation Sans too, the nearest free face with Cyrillic), so a line of text takes
// the room the report planned for it.
#pragma once

#include <QFont>
#include <string>
#include <vector>

#include "runtime/report.h"

class QPainter;
class QWidget;

namespace kw::qt {

// The free family drawn for a family a report names.
QString familyFor(const std::string& reportFamily);
// The Qt font of a report font, sized for a painter whose unit is `unitsPerMm` of a
// millimetre.
QFont qtFont(const report::Font& f, double unitsPerMm);

// Draws page `index` (from 0) of `doc` with its top-left corner at the painter's
// origin, `pxPerMm` device pixels to the millimetre. White paper, black ink.
void paintPage(QPainter& p, const report::Document& doc, int index, double pxPerMm);

class QtReport : public report::Backend {
  public:
    // Each call runs on the GUI thread when there is an application (waiting for it
    // from other threads), else on the calling thread (PDF only: printing needs one).
    bool print(const report::Document& doc, const std::vector<int>& pages) override;
    bool writePdf(const report::Document& doc, const std::vector<int>& pages,
                  const std::string& path, std::string& error) override;
    std::string askPdfPath(const std::string& suggested) override;
};

// The process's Qt report back end, installed on first call.
QtReport& installQtReport();

// The widget of a Canvas control (qt_report_canvas.cpp): shows the document's pages as
// its state text says ("page across down zoom"). GUI thread only.
QWidget* makeReportCanvas(const report::Document* doc);
void syncReportCanvas(QWidget* canvas, const std::string& text);

}  // namespace kw::qt
