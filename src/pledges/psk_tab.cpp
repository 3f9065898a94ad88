// PSK_TAB: the limits of the full cost of the loan, by the date they come into force.
#include "dictionary/psk.h"
#include "framework/data/dct_init.h"
#include "pledges/full_cost_procedures.h"
#include "pledges/reference_list.h"
#include "shell/globals.h"

void PSK_TAB() {
    kw::pledges::FieldList ThisWindow(
        "PSK_TAB", &Relate::PSK, kw::dict::pskTable, "Полная стоимость займа: пределы",
        {{"Действует с", "D6"}, {"Предел, % годовых", "n_9.3b"}, {"В билете", "n1"}}, "Добавить",
        nullptr, nullptr, UPDATEPSK);
    GlobalResponse = ThisWindow.Run();
}
