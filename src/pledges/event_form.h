// EventForm: the forms of a pledge's later events (the three prolongations, the
// redemption, the hand-over for sale). Each is opened from its list on a pledge in one
// of the states its event starts from, shows the whole pledge, fills the loan data
// only where it is zero, computes its own group of fields at every refresh, and on OK
// moves the pledge to its state.
//
// A pledge whose state no longer fits (another station prolonged, redeemed or sold it
// since the list was drawn, or since the form opened: a write refused as "changed by
// another station" brings that station's record into the form) is refused with a
// message, so that no event is ever recorded twice or after the pledge was closed.
#pragma once

#include <string>
#include <vector>

#include "pledges/pledge_form.h"
#include "rules/charge.h"

namespace kw::pledges {

class EventForm : public PledgeForm {
  public:
    // `sources`: the states the event starts from; `target`: the state it ends in.
    EventForm(std::string procedureName, std::string title, std::vector<uint8_t> sources,
              uint8_t target);

    ui::WindowDef Define() override;

    int16_t D_PRO1 = 0;  // overdue days
    int16_t D_PROW = 0;  // days charged

  protected:
    Level Prepare() override;
    void Compute() override;
    Level TakeCompleted() override;
    void Complete() override;
    Level TakeAccepted() override;

    // The event's own computation, after the loan data.
    virtual void Event() = 0;
    // The event's fields (a group of the window) and what the form says under them.
    virtual void AddEventFields(ui::WindowDef& s) = 0;
    virtual std::vector<std::string> HintLines() const = 0;
    // Clears the amounts the event computes ("Рассчитать ???").
    virtual void ClearEvent() = 0;
    // Which earlier prolongations the form shows (0 to 3) and with which prompt for the
    // amount received.
    virtual int ShownProlongations() const { return 0; }
    virtual std::string ReceivedPrompt() const;
    // The prompt of the overdue days.
    virtual std::string OverduePrompt() const;

    // An entry of a ZAL field with a prompt, in the event's group; the entry's number.
    int32_t AddField(ui::WindowDef& s, const char* promptUtf8, const char* field,
                     bool beside = false);

    PenaltyMemo Penalty;

    enum : int32_t {
        kCalculate = 80,
        kPrint,
        kOk,
        kClose,
        kMessage,
        kOverdue,
        kOperator,
        kToday,
        kPledgeColumn,
        kEventColumn,
        kFirstPrompt = 300,
        kFirstField = 100,
    };

  private:
    bool fits() const;
    void addPledge(ui::WindowDef& s);
    void addProlongations(ui::WindowDef& s);

    std::string title_;
    std::vector<uint8_t> sources_;
    uint8_t target_;
    int prompt_ = kFirstPrompt;
    int field_ = kFirstField;
};

}  // namespace kw::pledges
