// The small forms around the pledge work.
//
//  - KBP_FORM: the single settings record of KBP (the pawnshop's details and default
//    tariffs), main-menu item "Основные константы". It reads the first KBP record in
//    file order when it opens and again after each successful OK, never in between,
//    so what the operator types stays until OK; OK writes it back (or, on an empty
//    KBP, adds it) and only then says "Задание выполнено". Opened with request 6 it
//    closes after OK.
//  - PKL_TAB: the remembered clients (PKL) in name order, with the quick search by
//    name; "&Выбрать" copies the highlighted client into FIO_G, ADR_G and PAS_G and
//    ends the list with response 1; closed otherwise it leaves them as they were and
//    answers 2. With request 6 its update buttons do nothing.
//  - PKL_FORM: adds, changes or deletes one remembered client.
#pragma once

#include <string>

void KBP_FORM();
void PKL_TAB();
void PKL_FORM();

namespace kw::shell {

// The titles, CP1251.
std::string kbpTitle();
std::string pklListTitle();
std::string pklFormTitle();

}  // namespace kw::shell
