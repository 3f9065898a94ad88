// MET_TAB: the list of metals; hands the chosen metal's code back in KOD_M.
#include "dictionary/reference.h"
#include "framework/data/dct_init.h"
#include "pledges/reference_list.h"
#include "pledges/reference_procedures.h"
#include "shell/globals.h"

void MET_TAB() {
    kw::pledges::FieldList ThisWindow(
        "MET_TAB", &Relate::MET, kw::dict::metTable, "Справочник драгметаллов",
        {{"Код", "n3"}, {"Наименование", "s10"}}, "Добавить", [] { KOD_M = MET.KOD; },
        [] { KOD_M = 0; }, UPDATEMET);
    GlobalResponse = ThisWindow.Run();
}
