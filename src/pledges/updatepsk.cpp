// UPDATEPSK: adds, changes or deletes one limit of the full cost of the loan.
#include "dictionary/psk.h"
#include "framework/data/dct_init.h"
#include "framework/window/update_form.h"
#include "pledges/full_cost_procedures.h"
#include "runtime/codepage.h"
#include "shell/globals.h"

void UPDATEPSK() {
    kw::RowsForm ThisWindow("UPDATEPSK", &Relate::PSK, kw::dict::pskTable,
                            kw::W("Предел полной стоимости займа"),
                            {{"Действует с:", "DATA", "D6"},
                             {"Предел ПСК, % годовых:", "LIM", "n_9.3b"},
                             {"Печатать ПСК в билете (1 - да, 0 - нет):", "BIL", "n1"},
                             {"Предел 0: займы не ограничены"}});
    GlobalResponse = ThisWindow.Run();
}
