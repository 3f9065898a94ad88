// The data dictionary: the eleven tables of the system, their record layouts and keys.
// Including this header gives the record buffers (ZAL, KBP, ...: one per table and per
// procedure thread, blank and zero when the thread first uses them) and the tables'
// declarations.
#pragma once

#include <string_view>
#include <vector>

#include "dictionary/aud.h"
#include "dictionary/day.h"
#include "dictionary/fil.h"
#include "dictionary/izd.h"
#include "dictionary/kbp.h"
#include "dictionary/klm.h"
#include "dictionary/pkl.h"
#include "dictionary/prm.h"
#include "dictionary/psk.h"
#include "dictionary/reference.h"
#include "dictionary/sec.h"
#include "dictionary/zal.h"
#include "storage/table_decl.h"

namespace kw::dict {

// The declaration of the table with this label ("ZAL"; letter case does not matter).
// An unknown label gives an empty declaration (no label, no fields, record size 0).
const storage::TableDecl& table(std::string_view label);

// Every table in dictionary order: SEC, DAY, KLM, FIL, IZD, ZAL, MET, PRB, KAM, KBP, PKL.
const std::vector<const storage::TableDecl*>& allTables();

}  // namespace kw::dict
