// UPDATEKAM: adds, changes or deletes one stone and its price per carat.
#include "dictionary/reference.h"
#include "framework/data/dct_init.h"
#include "framework/window/update_form.h"
#include "pledges/reference_procedures.h"
#include "runtime/codepage.h"
#include "shell/globals.h"

void UPDATEKAM() {
    kw::RowsForm ThisWindow(
        "UPDATEKAM", &Relate::KAM, kw::dict::kamTable, kw::W("Цена  за карат драг.камня"),
        {{"Код:", "KOD", "n3b"}, {"Имя:", "NAME", "s15"}, {"Цена за карат:", "ZEN", "n15.2b"}});
    GlobalResponse = ThisWindow.Run();
}
