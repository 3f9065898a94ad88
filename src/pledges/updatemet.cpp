// UPDATEMET: adds, changes or deletes one metal.
#include "dictionary/reference.h"
#include "framework/data/dct_init.h"
#include "framework/window/update_form.h"
#include "pledges/reference_procedures.h"
#include "runtime/codepage.h"
#include "shell/globals.h"

void UPDATEMET() {
    kw::RowsForm ThisWindow("UPDATEMET", &Relate::MET, kw::dict::metTable, kw::W("Драгметаллы"),
                            {{"Код:", "KOD", "n3b"}, {"Имя:", "NAME", "s10"}});
    GlobalResponse = ThisWindow.Run();
}
