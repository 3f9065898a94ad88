// The summary order and the period reports over its columns, each with the parameter
// window the main menu opens:
//   OR_M   "Подготовка и печать сводного ордера"  D1, D2   PR_ORDER  the summary order
//   O_ME   "справка по операциям"                D1, D2   PR_OPER   every event of the period
//   PR_M   "Просроченные ссуды"                  D1, D_PRR PR_PROC  loans overdue at D1
//   PRIB_M "Справка по прибыли"                  D1, D2   PR_PRIB   profit of the period
// A report reads the period from D1 and D2 (D_PRR: days overdue) and shows its pages in
// the preview.
#pragma once

void PR_ORDER();
void PR_OPER();
void PR_PROC();
void PR_PRIB();

void OR_M();
void O_ME();
void PR_M();
void PRIB_M();
