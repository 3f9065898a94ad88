// The reference tables of the appraisal: their lists and update forms. Each list runs
// in key order of its table's KEY_1 and serves two purposes: maintenance from the main
// menu, and selection from the pledge forms. Opened with GlobalRequest 4 (select) a
// list shows its select button ("&Выбрать"); choosing a row (the button, Enter on the
// list or a double click) stores the row's values into the hand-back globals and
// closes the list with response 1. A list opened to select sets its hand-back globals
// to 0 first, so closing it without a choice leaves them at 0 (response 2).
//
//     MET_TAB      metals             KOD_M = MET:KOD
//     PRB_TAB      prices of the      PROBA = PRB:PROB, Z1G = PRB:ZEN; shows only the
//                  pledge's metal     rows of ZAL:MET (the calling thread's ZAL record)
//     KAM_TAB      stones             KOD_K = KAM:KOD
//     IZD_TAB      item kinds         K_IZD = IZD:KOD
//     MET_ZEN_TAB  all prices         hands nothing back
//
// UPDATEMET, UPDATEPRB, UPDATEKAM, UPDATEIZD are their insert/change/delete forms;
// UPDATEPRB chooses the metal of its row from MET_TAB.
#pragma once

void MET_TAB();
void UPDATEMET();
void MET_ZEN_TAB();
void UPDATEPRB();
void PRB_TAB();
void KAM_TAB();
void UPDATEKAM();
void IZD_TAB();
void UPDATEIZD();
