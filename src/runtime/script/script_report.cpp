#include "runtime/script/script_report.h"

namespace kw::script {

bool ScriptReport::print(const report::Document& doc, const std::vector<int>& pages) {
    std::lock_guard lock(mu_);
    if (!answer_) return false;
    printed_.push_back(Printed{std::make_shared<const report::Document>(doc), pages});
    return true;
}

bool ScriptReport::writePdf(const report::Document& doc, const std::vector<int>& pages,
                            const std::string& path, std::string& error) {
    report::Backend* writer = nullptr;
    {
        std::lock_guard lock(mu_);
        writer = writer_;
    }
    if (!writer) {
        error = "no PDF writer is installed";
        return false;
    }
    return writer->writePdf(doc, pages, path, error);
}

std::string ScriptReport::askPdfPath(const std::string&) {
    std::lock_guard lock(mu_);
    if (paths_.empty()) return std::string();
    std::string p = std::move(paths_.front());
    paths_.pop_front();
    return p;
}

void ScriptReport::setPrintAnswer(bool print) {
    std::lock_guard lock(mu_);
    answer_ = print;
}

void ScriptReport::queuePdfPath(std::string path) {
    std::lock_guard lock(mu_);
    paths_.push_back(std::move(path));
}

void ScriptReport::setPdfWriter(report::Backend* writer) {
    std::lock_guard lock(mu_);
    writer_ = writer;
}

std::vector<ScriptReport::Printed> ScriptReport::printed() const {
    std::lock_guard lock(mu_);
    return printed_;
}

void ScriptReport::clear() {
    std::lock_guard lock(mu_);
    printed_.clear();
    paths_.clear();
    answer_ = true;
}

ScriptReport& installScriptReport() {
    static ScriptReport backend;
    if (report::backend() != &backend) report::installBackend(&backend);
    return backend;
}

}  // namespace kw::script
