#include "framework/window/ini_class.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "runtime/codepage.h"

namespace kw {

namespace {

#ifdef _WIN32
constexpr std::string_view kNewLine = "\r\n";
#else
constexpr std::string_view kNewLine = "\n";
#endif

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

bool sameName(std::string_view a, std::string_view b) {
    return cp::compareNoCase(a, b) == 0;
}

bool hasLineBreak(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
}

std::vector<std::string> readLines(const std::string& fileName) {
    std::vector<std::string> lines;
    std::ifstream in(fileName, std::ios::binary);
    if (!in) return lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// "[Name]" gives Name; anything else gives false.
bool sectionOf(std::string_view line, std::string_view& name) {
    line = trim(line);
    if (line.size() < 2 || line.front() != '[' || line.back() != ']') return false;
    name = trim(line.substr(1, line.size() - 2));
    return true;
}

// "Entry=Value" gives both; comments and lines without "=" give false.
bool entryOf(std::string_view line, std::string_view& entry, std::string_view& value) {
    std::string_view t = trim(line);
    if (t.empty() || t.front() == ';') return false;
    auto eq = t.find('=');
    if (eq == std::string_view::npos) return false;
    entry = trim(t.substr(0, eq));
    value = trim(t.substr(eq + 1));
    return true;
}

// Writes the lines to a temporary file beside the target and renames it over the target.
bool replaceFile(const std::string& fileName, const std::vector<std::string>& lines) {
    const std::string tmp = fileName + ".tmp";
    std::FILE* f = std::fopen(tmp.c_str(), "wb");
    if (!f) return false;
    bool ok = true;
    for (const auto& l : lines) {
        ok = ok && std::fwrite(l.data(), 1, l.size(), f) == l.size();
        ok = ok && std::fwrite(kNewLine.data(), 1, kNewLine.size(), f) == kNewLine.size();
    }
    ok = ok && std::fflush(f) == 0;
#ifndef _WIN32
    ok = ok && ::fsync(::fileno(f)) == 0;
#endif
    ok = (std::fclose(f) == 0) && ok;
    std::error_code ec;
    if (ok) std::filesystem::rename(tmp, fileName, ec);
    if (!ok || ec) {
        std::filesystem::remove(tmp, ec);
        return false;
    }
    return true;
}

std::vector<std::string> splitSectors(std::string_view list) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start <= list.size()) {
        auto bar = list.find('|', start);
        if (bar == std::string_view::npos) bar = list.size();
        auto name = trim(list.substr(start, bar - start));
        if (!name.empty()) out.emplace_back(name);
        start = bar + 1;
    }
    return out;
}

std::string fetchFrom(const std::vector<std::string>& lines, std::string_view section,
                      std::string_view entry, std::string_view defaultValue) {
    bool inSection = false;
    for (const auto& l : lines) {
        std::string_view name, e, v;
        if (sectionOf(l, name))
            inSection = sameName(name, section);
        else if (inSection && entryOf(l, e, v) && sameName(e, entry))
            return std::string(v);
    }
    return std::string(defaultValue);
}

}  // namespace

void INIClass::Init(std::string_view fileName) {
    std::lock_guard lock(mutex_);
    fileName_ = std::string(fileName);
    initialised_ = true;
    sectors_.clear();
    const auto lines = readLines(fileName_);
    for (auto& s : splitSectors(fetchFrom(lines, kOwnSection, kSectorsEntry, ""))) noteSector(s);
}

std::string INIClass::Fetch(std::string_view section, std::string_view entry,
                            std::string_view defaultValue) const {
    std::lock_guard lock(mutex_);
    if (!initialised_) return std::string(defaultValue);
    return fetchFrom(readLines(fileName_), section, entry, defaultValue);
}

bool INIClass::Update(std::string_view section, std::string_view entry, std::string_view value) {
    section = trim(section);
    entry = trim(entry);
    if (section.empty() || entry.empty() || hasLineBreak(section) || hasLineBreak(entry) ||
        hasLineBreak(value) || section.find(']') != std::string_view::npos ||
        entry.find('=') != std::string_view::npos || entry.front() == '[' || entry.front() == ';')
        return false;
    std::lock_guard lock(mutex_);
    if (!initialised_) return false;
    if (!write(section, entry, value)) return false;
    if (!sameName(section, kOwnSection)) noteSector(section);
    return true;
}

bool INIClass::Update() {
    std::lock_guard lock(mutex_);
    if (!initialised_) return false;
    std::string list;
    for (const auto& s : sectors_) {
        if (!list.empty()) list += '|';
        list += s;
    }
    return write(kOwnSection, kSectorsEntry, list);
}

void INIClass::AddSector(std::string_view section) {
    std::lock_guard lock(mutex_);
    noteSector(trim(section));
}

std::vector<std::string> INIClass::GetSectors() const {
    std::lock_guard lock(mutex_);
    return sectors_;
}

void INIClass::Kill() {
    std::lock_guard lock(mutex_);
    initialised_ = false;
    fileName_.clear();
    sectors_.clear();
}

std::string INIClass::FileName() const {
    std::lock_guard lock(mutex_);
    return fileName_;
}

// Under mutex_.
bool INIClass::write(std::string_view section, std::string_view entry, std::string_view value) {
    std::vector<std::string> lines = readLines(fileName_);
    const std::string newEntry = std::string(entry) + "=" + std::string(value);
    bool inSection = false;
    std::size_t sectionEnd = 0;  // after the last non-blank line of the section
    bool sectionFound = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string_view name, e, v;
        if (sectionOf(lines[i], name)) {
            if (inSection) break;
            inSection = sameName(name, section);
            if (inSection) {
                sectionFound = true;
                sectionEnd = i + 1;
            }
            continue;
        }
        if (!inSection) continue;
        if (entryOf(lines[i], e, v) && sameName(e, entry)) {
            lines[i] = std::string(e) + "=" + std::string(value);  // the name keeps its spelling
            return replaceFile(fileName_, lines);
        }
        if (!trim(lines[i]).empty()) sectionEnd = i + 1;
    }
    if (sectionFound) {
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(sectionEnd), newEntry);
    } else {
        if (!lines.empty() && !trim(lines.back()).empty()) lines.emplace_back();
        lines.push_back("[" + std::string(section) + "]");
        lines.push_back(newEntry);
    }
    return replaceFile(fileName_, lines);
}

// Under mutex_.
void INIClass::noteSector(std::string_view section) {
    if (section.empty() || section.find('|') != std::string_view::npos) return;
    for (const auto& s : sectors_)
        if (sameName(s, section)) return;
    sectors_.emplace_back(section);
}

}  // namespace kw
