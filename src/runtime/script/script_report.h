// The scripted back end of the report engine: nothing is drawn; every document printed
// is kept with the pages asked for, so tests and scenarios read what the printer got.
// The file a "Save as" asks for comes from a queue the test fills; PDF files are
// written by another back end when one is given (the Qt one, offscreen).
#pragma once

#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "runtime/report.h"

namespace kw::script {

class ScriptReport : public report::Backend {
  public:
    struct Printed {
        std::shared_ptr<const report::Document> doc;  // a copy as printed
        std::vector<int> pages;                       // as asked; empty: all
    };

    bool print(const report::Document& doc, const std::vector<int>& pages) override;
    bool writePdf(const report::Document& doc, const std::vector<int>& pages,
                  const std::string& path, std::string& error) override;
    std::string askPdfPath(const std::string& suggested) override;

    // What the print dialog answers (true: printed; false: cancelled).
    void setPrintAnswer(bool print);
    // The next askPdfPath answers `path` ("": the user cancels).
    void queuePdfPath(std::string path);
    // The back end that writes PDF files (nullptr: writing fails).
    void setPdfWriter(report::Backend* writer);

    std::vector<Printed> printed() const;
    void clear();

  private:
    mutable std::mutex mu_;
    std::vector<Printed> printed_;
    std::deque<std::string> paths_;
    bool answer_ = true;
    report::Backend* writer_ = nullptr;
};

// The process's scripted report back end, installed on first call (and again when
// another was installed since).
ScriptReport& installScriptReport();

}  // namespace kw::script
