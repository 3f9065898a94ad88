// Records of the reference tables for the tests, and their fixture: a procedure run
// directly (tests/shell/procedure_test_util.h).
#pragma once

#include "dictionary/izd.h"
#include "dictionary/reference.h"
#include "dictionary/zal.h"
#include "shell/procedure_test_util.h"

namespace kwref {

using namespace kwproc;
using ReferenceTest = kwproc::ProcedureTest;

inline kw::dict::MetRecord met(uint8_t kod, const char* name) {
    kw::dict::MetRecord r;
    r.KOD = kod;
    r.NAME = W(name);
    return r;
}
inline kw::dict::PrbRecord prb(uint8_t kod, int16_t prob, double zen) {
    kw::dict::PrbRecord r;
    r.KOD = kod;
    r.PROB = prob;
    r.ZEN = zen;
    return r;
}
inline kw::dict::KamRecord kam(uint8_t kod, const char* name, double zen) {
    kw::dict::KamRecord r;
    r.KOD = kod;
    r.NAME = W(name);
    r.ZEN = zen;
    return r;
}
inline kw::dict::IzdRecord izd(int16_t kod, const char* name) {
    kw::dict::IzdRecord r;
    r.KOD = kod;
    r.NAME = W(name);
    return r;
}

}  // namespace kwref
