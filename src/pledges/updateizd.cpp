// UPDATEIZD: adds, changes or deletes one typical item.
#include "dictionary/izd.h"
#include "framework/data/dct_init.h"
#include "framework/window/update_form.h"
#include "pledges/reference_procedures.h"
#include "runtime/codepage.h"
#include "shell/globals.h"

void UPDATEIZD() {
    kw::RowsForm ThisWindow("UPDATEIZD", &Relate::IZD, kw::dict::izdTable,
                            kw::W("Описание типового изделия"),
                            {{"Код:", "KOD", "n3"}, {"Наименование:", "NAME", "s80"}});
    GlobalResponse = ThisWindow.Run();
}
