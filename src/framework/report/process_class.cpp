#include "framework/report/process_class.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>

#include "framework/data/file_manager.h"
#include "framework/data/relation_manager.h"
#include "framework/window/step_class.h"
#include "storage/file.h"

namespace kw {

namespace {

ui::Value upperCased(ui::Value v) {
    if (v.isText)
        for (char& c : v.text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return v;
}

}  // namespace

void ProcessClass::Init(storage::View* View, RelationManager& Primary, int32_t PText,
                        uint8_t* Percentile, StepClass* Step, FieldRef ValueField) {
    this->PText = PText;
    this->Percentile = Percentile;
    StepMgr = Step;
    this->ValueField = ValueField;
    if (Percentile) *Percentile = 0;
    CaseSensitiveValue = 1;
    ViewManager::Init(View, Primary);
}

void ProcessClass::Reset() {
    RecordsProcessed = 0;
    BytesRead = 0;
    FileSize = 0;
    if (!StepMgr) {
        if (RecordsToProcess == 0 && Primary && Primary->Me && Primary->Me->File) {
            (void)Primary->Me->UseFile();
            uint32_t count = 0;
            if (Primary->Me->File->records(count).ok())
                RecordsToProcess = static_cast<int32_t>(std::min<uint32_t>(count, INT32_MAX));
            if (RecordsToProcess == 0) {
                std::error_code ec;
                const auto size = std::filesystem::file_size(Primary->Me->File->dataPath(), ec);
                FileSize = ec ? 0 : static_cast<int32_t>(std::min<uintmax_t>(size, INT32_MAX));
            }
        }
    } else {
        SetProgressLimits();
    }
    ChildRead = 0;
    Open();
    ViewManager::Reset();
}

void ProcessClass::SetProgressLimits() {
    if (!View || !ValueField.valid()) return;
    Open();
    ViewManager::Reset();
    const ui::Value low =
        ViewManager::Next() == Level::Benign ? fieldValue(ValueField) : ui::Value();
    (void)View->setEnd();
    const ui::Value high = ViewManager::Previous() == Level::Benign ? fieldValue(ValueField) : low;
    SetProgressLimits(low, high);
}

void ProcessClass::SetProgressLimits(const ui::Value& Low, const ui::Value& High) {
    if (!StepMgr) return;
    if (CaseSensitiveValue)
        StepMgr->SetLimit(Low, High);
    else
        StepMgr->SetLimit(upperCased(Low), upperCased(High));
}

uint8_t ProcessClass::Progress() {
    int64_t p = 0;
    if (StepMgr && ValueField.valid()) {
        ui::Value v = fieldValue(ValueField);
        p = StepMgr->GetPercentile(CaseSensitiveValue ? v : upperCased(v));
    } else if (RecordsToProcess > 0) {
        p = int64_t{RecordsProcessed} * 100 / RecordsToProcess;
    } else if (FileSize > 0) {
        p = int64_t{BytesRead} * 100 / FileSize;
    }
    return static_cast<uint8_t>(std::clamp<int64_t>(p, 0, 100));
}

Level ProcessClass::Next(uint8_t CountIt) {
    const Level l = ViewManager::Next();
    if (l != Level::Benign || !CountIt) return l;
    if (FileSize > 0 && Table()) BytesRead += static_cast<int32_t>(Table()->recordSize);
    ++RecordsProcessed;
    const uint8_t p = Progress();
    if (Percentile && *Percentile != p) {
        *Percentile = p;
        UpdateDisplay();
    }
    return l;
}

Level ProcessClass::TakeAccepted() {
    return Level::Benign;
}

Level ProcessClass::TakeLocate() {
    return Level::Benign;
}

Level ProcessClass::TakeRecord() {
    return Level::Benign;
}

void ProcessClass::UpdateDisplay() {
    if (!Win || !Percentile) return;
    if (PText != 0) Win->setText(PText, std::to_string(*Percentile) + "% Complete");
    if (Thermometer != 0) Win->display(Thermometer);
}

}  // namespace kw
