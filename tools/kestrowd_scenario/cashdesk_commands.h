// Scenario commands for the records on disk and the cells of the active window's list
// (beside the list commands of list_commands.h): see docs/scenarios.md.
//
//   expect-records TABLE N                 the table has N live records
//   expect-record TABLE N "F=V F=V ..."    its N-th record in file order (from 1), as
//                                          kestrowd-file dump writes it, has these
//                                          values (numbers compared as numbers)
//   expect-cell ROW COLUMN "TEXT"          ... that cell shows TEXT
//   select-row ROW                         highlights that row as a click would
//   expect-column-color COLUMN COLOUR      the column's text colour, a Windows colour
//                                          value written as 0FF0000H or 0xFF0000
#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "runtime/script/script_driver.h"
#include "scenario.h"

namespace kw::scenario {

struct StepContext {
    std::function<script::WindowDriver()> active;  // the active window, looked at afresh
};

// Runs `s` when it is one of these commands (`known` true); false when it did not
// hold, with `expected` saying what was looked for.
bool cashdeskStep(const Step& s, const StepContext& context, std::string& expected, bool& known);

}  // namespace kw::scenario
