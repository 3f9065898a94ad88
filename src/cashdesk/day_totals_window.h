// What ZAC_D (closing the day) and AVA_D (emergency reopening) share: the same window
// of today's totals, recomputed on every refresh, with one action button whose press
// only sets a request flag; the refresh that follows the confirmation box carries the
// action out (Act) and clears the flag.
//
// Window values (procedure-local): DATA_T today, KAS_NN the opening balance, T_PRI,
// T_RAS the day's receipts and expenses, TEK_O the current balance, OBO in
// circulation, PRIBI the profit, MESSAGE the message line.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "cashdesk/day_totals.h"
#include "framework/window/procedure_window.h"
#include "runtime/fixed_string.h"

namespace kw::cashdesk {

class DayTotalsWindow : public ProcedureWindow {
  public:
    // `button` the action button's text, `messagePicture` the message line's picture.
    DayTotalsWindow(std::string procedureName, std::string title, std::string button,
                    std::string messagePicture);

    ui::WindowDef Define() override;
    void Reset(uint8_t Force = 0) override;
    Level TakeAccepted() override;

    int32_t DATA_T = 0;
    double KAS_NN = 0;
    double T_PRI = 0;
    double T_RAS = 0;
    double TEK_O = 0;
    double OBO = 0;
    double PRIBI = 0;
    FixedString<30> MESSAGE;

  protected:
    // The action button was pressed: set the flag (and the message).
    virtual void Request() = 0;
    // Whether the action's flag is up (the next refresh carries it out).
    virtual bool Requested() const = 0;
    // The confirmation box was closed without OK: clear the flag.
    virtual void Cancelled() = 0;
    // The refresh found today's DAY record (in the DAY buffer, KBP read): the action
    // when its flag is up.
    virtual void Act() = 0;
    // After the action, once the day's lock is given back (other desks work again).
    virtual void Acted() {}

    // Writes KBP and DAY (both buffers as the action set them) as one transaction.
    // When either fails both stay as they were, the KBP buffer gets `savedKbp` back,
    // and the action can be repeated with the same figures. True when both held.
    bool writeSettingsThenDay(const void* savedKbp);

  private:
    std::string title_, button_, messagePicture_;
    bool passFailed_ = false;
};

// The thread's KBP and DAY buffers written back as one transaction: true when both
// were written; otherwise neither is (the error manager has told the user).
bool writeSettingsAndDay();
// Test seam: called between the two writes (empty: nothing).
void setBetweenWritesObserver(std::function<void()> observer);

// The controls of the window.
enum DayTotalsControl : int {
    kDateLabel = 1,
    kDate,
    kOpeningLabel,
    kOpening,
    kReceiptsLabel,
    kReceipts,
    kExpensesLabel,
    kExpenses,
    kBalanceLabel,
    kBalance,
    kCirculationLabel,
    kCirculation,
    kProfitLabel,
    kProfit,
    kAction,
    kMessage,
    kOk,
    kExit,
};

}  // namespace kw::cashdesk
