// IZD_TAB: the list of typical items; hands the chosen kind's code back in K_IZD.
#include "dictionary/izd.h"
#include "framework/data/dct_init.h"
#include "pledges/reference_list.h"
#include "pledges/reference_procedures.h"
#include "shell/globals.h"

void IZD_TAB() {
    kw::pledges::FieldList ThisWindow(
        "IZD_TAB", &Relate::IZD, kw::dict::izdTable, "Справочник типовых изделий",
        {{"Код", "n3"}, {"Наименование", "s80"}}, "&Добавить", [] { K_IZD = IZD.KOD; },
        [] { K_IZD = 0; }, UPDATEIZD);
    GlobalResponse = ThisWindow.Run();
}
