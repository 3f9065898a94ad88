// KAM_TAB: the list of stones with their price per carat; hands the chosen stone's
// code back in KOD_K.
#include "dictionary/reference.h"
#include "framework/data/dct_init.h"
#include "pledges/reference_list.h"
#include "pledges/reference_procedures.h"
#include "shell/globals.h"

void KAM_TAB() {
    kw::pledges::FieldList ThisWindow(
        "KAM_TAB", &Relate::KAM, kw::dict::kamTable, "Цены за карат драг.комней",
        {{"Код", "n3"}, {"Наименование", "s15"}, {"Цена за карат (0.2 грамма)", "n_15.2"}},
        "&Добавить", [] { KOD_K = KAM.KOD; }, [] { KOD_K = 0; }, UPDATEKAM);
    GlobalResponse = ThisWindow.Run();
}
