// The three prolongation forms share one shape: the stage's own group of fields, its
// hint, and the stage computation.
#pragma once

#include "pledges/event_form.h"

namespace kw::pledges {

class ProlongationForm : public EventForm {
public:
    explicit ProlongationForm(int stage);

protected:
    void Event() override;
    void AddEventFields(ui::WindowDef& s) override;
    std::vector<std::string> HintLines() const override;
    void ClearEvent() override;
    int ShownProlongations() const override { return stage_ - 1; }

private:
    int stage_;
};

// Runs prolongation form `stage` with GlobalRequest; GlobalResponse is its answer.
void runProlongation(int stage);

}  // namespace kw::pledges
