// The three prolongation forms share one shape: the stage's own group of fields, its
// hint, and the stage computation.
#pragma once

#include "pledges/event_form.h"
#include "pledges/full_cost_fields.h"

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
    Level TakeCompleted() override;

  private:
    int32_t PeriodStart() const;  // the first day of the new period
    int stage_;
    FullCostShown cost_;  // the new period's full cost, beside the stage's fields
};

// Runs prolongation form `stage` with GlobalRequest; GlobalResponse is its answer.
void runProlongation(int stage);

}  // namespace kw::pledges
