// PledgeForm: what the six pledge forms (the new pledge, three prolongations, the
// redemption, the hand-over for sale) share. Each is an update form of ZAL opened by
// its list; all of its computation lives in its refresh, and its calculate button
// clears the computed amounts so that the next refresh computes them again.
//
//  - at the start the hand-back globals of the reference lists (KOD_M, KOD_K, PROBA,
//    Z1G, Z1K) and the shown metal and stone names are cleared;
//  - every refresh (except during the accept-all pass of OK) reads the settings
//    record, fills the operator and today's date, runs the form's Compute(), and then
//    shows the fields;
//  - OK checks again that today's business day is open (another station may have
//    closed it while the form was open) and that the pledge has a ticket number, and
//    refuses a pledge no loan can rest on (Refusal: no client's name, a net weight,
//    appraisal, loan or amount paid out of zero or less); the form says why in its
//    message line and stays open, writing nothing. Then the form's own last step
//    (Complete: the new state) and the write;
//  - every accepted entry first takes the entry's own effect (Accepting: a typed value
//    overrides an earlier choice) and then refreshes the form, so what the operator
//    types shows in the computed fields at once;
//  - text that an entry cannot hold (a number too large for its field, a date that
//    does not exist) is refused with a message in the message line.
#pragma once

#include <functional>
#include <string>

#include "dictionary/zal.h"
#include "framework/window/procedure_window.h"
#include "runtime/fixed_string.h"

namespace kw::pledges {

class PledgeForm : public ProcedureWindow {
  public:
    explicit PledgeForm(std::string procedureName);

    // The window-local values every pledge form shows.
    FixedString<25> OPER;     // operator's name
    FixedString<10> MET_N;    // metal name
    FixedString<15> KAM_N;    // stone name
    FixedString<40> MESSAGE;  // the message line
    int32_t DATA_T = 0;       // today

  protected:
    Level Prepare() override;
    void Reset(uint8_t Force = 0) override;
    Level TakeCompleted() override;
    void SayRejected(const std::string& Text) override;
    Level PrimeUpdate() override;
    // A value typed into an entry is taken into the computation at once: the form
    // refreshes after every accepted entry, as after every button.
    Level TakeAccepted() override;
    // A pledge written by the form is offered for printing once more: the ticket-print
    // window opens after OK, on the record as written.
    void Closing() override;

    // The form's own steps of the refresh, after the settings, the operator and the
    // date.
    virtual void Compute() = 0;
    // The form's own step right before the record is written (the new state).
    virtual void Complete() {}
    // The entry `field` was accepted; runs before the refresh that follows it.
    virtual void Accepting(int32_t field) { (void)field; }
    // Why OK may not write the pledge as it stands (CP1251, one message-line text), ""
    // when it may. The common rules: a client's name, and a net weight, an appraisal, a
    // loan and an amount paid out each above zero.
    virtual std::string Refusal() const;
    // Runs Refusal(): a refusal is said in the message line, and false is returned.
    bool Validated();

    // Takes the screen into the record, runs `procedure` (a list, RAS), then refreshes.
    void OpenFromForm(const std::function<void()>& procedure);
    // "Распечатать": the pledge as the form shows it, into the print globals and onto
    // the ticket.
    void PrintTicket();
    // Puts `textCp1251` into the message line and shows it.
    void Say(const std::string& textCp1251);

    // An entry of field `name` of ZAL with the dictionary's picture (or `picture`).
    static ui::Control Field(const char* name, const char* picture = nullptr);
    // A prompt (UTF-8 text).
    static ui::Control Prompt(const char* utf8);

    // The control numbers of the message line and of the calculate button, when the
    // form has them (0 otherwise).
    int32_t MessageControl = 0;
};

// The message line (bound to form.MESSAGE, "s40").
ui::Control messageLine(PledgeForm& form);
// The operator field "Оператор:" and today's date "Текущая дата:", read-only.
ui::Control operatorField(PledgeForm& form);
ui::Control todayField(PledgeForm& form);

}  // namespace kw::pledges
