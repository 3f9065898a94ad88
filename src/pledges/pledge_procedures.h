// The pledge procedures: the lists and inquiries, the pledge forms and the
// calculation window. Each takes GlobalRequest and answers through GlobalResponse.
#pragma once

void UPDATEZAL();
void UPDATEZAL1();
void UPDATEZAL2();
void UPDATEZAL3();
void UPDATEZALW();
void UPDATEZALR();
void RAS();

void ZAL_TAB();
void ZAL_TAB1();
void ZAL_TAB2();
void ZAL_TAB3();
void ZAL_TABV();
void ZAL_TABR();
void SPR();
void ZAL_SP();
void SPR1();
void ZAL_SP1();
void P_FORM();
void ARX_TAB();
