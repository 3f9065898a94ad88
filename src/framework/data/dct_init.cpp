#include "framework/data/dct_init.h"

#include <string>

#include "dictionary/tables.h"
#include "framework/data/error_class.h"
#include "framework/data/hide_managers.h"

namespace Access {
kw::FileManager* SEC = nullptr;
kw::FileManager* DAY = nullptr;
kw::FileManager* KLM = nullptr;
kw::FileManager* FIL = nullptr;
kw::FileManager* IZD = nullptr;
kw::FileManager* ZAL = nullptr;
kw::FileManager* MET = nullptr;
kw::FileManager* PRB = nullptr;
kw::FileManager* KAM = nullptr;
kw::FileManager* KBP = nullptr;
kw::FileManager* PKL = nullptr;
kw::FileManager* PSK = nullptr;
kw::FileManager* AUD = nullptr;
kw::FileManager* PRM = nullptr;
}  // namespace Access

namespace Relate {
kw::RelationManager* SEC = nullptr;
kw::RelationManager* DAY = nullptr;
kw::RelationManager* KLM = nullptr;
kw::RelationManager* FIL = nullptr;
kw::RelationManager* IZD = nullptr;
kw::RelationManager* ZAL = nullptr;
kw::RelationManager* MET = nullptr;
kw::RelationManager* PRB = nullptr;
kw::RelationManager* KAM = nullptr;
kw::RelationManager* KBP = nullptr;
kw::RelationManager* PKL = nullptr;
kw::RelationManager* PSK = nullptr;
kw::RelationManager* AUD = nullptr;
kw::RelationManager* PRM = nullptr;
}  // namespace Relate

namespace kw {

namespace {
DctStepObserver& observer() {
    static DctStepObserver o;
    return o;
}

void note(const storage::TableDecl& t, std::string_view step) {
    if (observer()) observer()(t.label, step);
}

// Steps (a) to (f) of an access object's Init, over the table's FILE.
void initAccess(FileManager& fm, storage::File& file, const storage::TableDecl& t) {
    note(t, "a");
    fm.FileManager::Init(file, GlobalErrors);
    note(t, "b");
    fm.FileNameValue = t.messageName;
    note(t, "c");
    fm.Buffer = RecordReference{t.buffer, t.recordSize};
    note(t, "d");
    fm.Create = 1;
    note(t, "e");
    fm.LockRecover = 10;
    for (const auto& key : t.keys) {
        note(t, "f " + key.description);
        fm.AddKey(key, key.description, 0);
    }
}
}  // namespace

void setDctStepObserver(DctStepObserver o) {
    observer() = std::move(o);
}

}  // namespace kw

#define KW_DEFINE_HIDE_MANAGERS(T, DECL)          \
    namespace {                                   \
    HideAccess##T access##T;                      \
    HideRelate##T relate##T;                      \
    kw::storage::File& file##T() {                \
        static kw::storage::File f(DECL());       \
        return f;                                 \
    }                                             \
    }                                             \
    void HideAccess##T::Init() {                  \
        kw::initAccess(*this, file##T(), DECL()); \
        Access::T = this;                         \
    }                                             \
    void HideAccess##T::Kill() {                  \
        kw::FileManager::Kill();                  \
        Access::T = nullptr;                      \
    }                                             \
    void HideRelate##T::Init() {                  \
        access##T.Init();                         \
        kw::note(DECL(), "relate");               \
        kw::RelationManager::Init(access##T, 1);  \
    }                                             \
    void HideRelate##T::Kill() {                  \
        kw::note(DECL(), "kill");                 \
        if (Access::T) Access::T->Kill();         \
        kw::RelationManager::Kill();              \
        Relate::T = nullptr;                      \
    }

KW_DEFINE_HIDE_MANAGERS(SEC, kw::dict::secTable)
KW_DEFINE_HIDE_MANAGERS(DAY, kw::dict::dayTable)
KW_DEFINE_HIDE_MANAGERS(KLM, kw::dict::klmTable)
KW_DEFINE_HIDE_MANAGERS(FIL, kw::dict::filTable)
KW_DEFINE_HIDE_MANAGERS(IZD, kw::dict::izdTable)
KW_DEFINE_HIDE_MANAGERS(ZAL, kw::dict::zalTable)
KW_DEFINE_HIDE_MANAGERS(MET, kw::dict::metTable)
KW_DEFINE_HIDE_MANAGERS(PRB, kw::dict::prbTable)
KW_DEFINE_HIDE_MANAGERS(KAM, kw::dict::kamTable)
KW_DEFINE_HIDE_MANAGERS(KBP, kw::dict::kbpTable)
KW_DEFINE_HIDE_MANAGERS(PKL, kw::dict::pklTable)
KW_DEFINE_HIDE_MANAGERS(PSK, kw::dict::pskTable)
KW_DEFINE_HIDE_MANAGERS(AUD, kw::dict::audTable)
KW_DEFINE_HIDE_MANAGERS(PRM, kw::dict::prmTable)

#undef KW_DEFINE_HIDE_MANAGERS

void FilesInit() {
    Access::SEC = &accessSEC;
    Relate::SEC = &relateSEC;
    Access::DAY = &accessDAY;
    Relate::DAY = &relateDAY;
    Access::KLM = &accessKLM;
    Relate::KLM = &relateKLM;
    Access::FIL = &accessFIL;
    Relate::FIL = &relateFIL;
    Access::IZD = &accessIZD;
    Relate::IZD = &relateIZD;
    Access::ZAL = &accessZAL;
    Relate::ZAL = &relateZAL;
    Access::MET = &accessMET;
    Relate::MET = &relateMET;
    Access::PRB = &accessPRB;
    Relate::PRB = &relatePRB;
    Access::KAM = &accessKAM;
    Relate::KAM = &relateKAM;
    Access::KBP = &accessKBP;
    Relate::KBP = &relateKBP;
    Access::PKL = &accessPKL;
    Relate::PKL = &relatePKL;
    Access::PSK = &accessPSK;
    Relate::PSK = &relatePSK;
    Access::AUD = &accessAUD;
    Relate::AUD = &relateAUD;
    Access::PRM = &accessPRM;
    Relate::PRM = &relatePRM;
}

void DctInit() {
    FilesInit();
    relateSEC.Init();
    relateDAY.Init();
    relateKLM.Init();
    relateFIL.Init();
    relateIZD.Init();
    relateZAL.Init();
    relateMET.Init();
    relatePRB.Init();
    relateKAM.Init();
    relateKBP.Init();
    relatePKL.Init();
    relatePSK.Init();
    relateAUD.Init();
    relatePRM.Init();
}

void DctKill() {
    relateSEC.Kill();
    relateDAY.Kill();
    relateKLM.Kill();
    relateFIL.Kill();
    relateIZD.Kill();
    relateZAL.Kill();
    relateMET.Kill();
    relatePRB.Kill();
    relateKAM.Kill();
    relateKBP.Kill();
    relatePKL.Kill();
    relatePSK.Kill();
    relateAUD.Kill();
    relatePRM.Kill();
}
