// The register of the full cost of the loan ("Реестр ПСК") over D1..D2: every loan and
// every prolongation of the period (a prolongation by the start of its new period),
// pledges in state 6 left out, each with its date, ticket, kind, client, days, the
// amount received, the full cost in roubles and in % a year and the limit in force on
// that date; after the last, the number of operations and the period's highest and
// average yearly cost (the average over the operations that have a yearly figure).
// PSK_M asks for the period and prints PR_PSK. A4 landscape, millimetres.
#pragma once

void PSK_M();
void PR_PSK();
