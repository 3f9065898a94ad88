// The per-table access and relate classes. HideAccessXXX sets up the FileManager of
// table XXX as the dictionary declares it; HideRelateXXX sets up its RelationManager over
// it. Each has one global instance, reached through Access::XXX and Relate::XXX
// (dct_init.h).
#pragma once

#include "framework/data/file_manager.h"
#include "framework/data/relation_manager.h"

#define KW_DECLARE_HIDE_MANAGERS(T)                                          \
    class HideAccess##T : public kw::FileManager {                           \
      public:                                                                \
        using kw::FileManager::Init;                                         \
        /* Init over the table with GlobalErrors, then sets it up (a)-(f) */ \
        /* and stores itself in Access::T. */                                \
        void Init();                                                         \
        /* Base Kill, then clears Access::T. */                              \
        void Kill() override;                                                \
    };                                                                       \
    class HideRelate##T : public kw::RelationManager {                       \
      public:                                                                \
        using kw::RelationManager::Init;                                     \
        /* Access::T's Init, then Init over it with use-logout 1. */         \
        void Init();                                                         \
        /* Access::T's Kill, base Kill, then clears Relate::T. */            \
        void Kill() override;                                                \
    };

KW_DECLARE_HIDE_MANAGERS(SEC)
KW_DECLARE_HIDE_MANAGERS(DAY)
KW_DECLARE_HIDE_MANAGERS(KLM)
KW_DECLARE_HIDE_MANAGERS(FIL)
KW_DECLARE_HIDE_MANAGERS(IZD)
KW_DECLARE_HIDE_MANAGERS(ZAL)
KW_DECLARE_HIDE_MANAGERS(MET)
KW_DECLARE_HIDE_MANAGERS(PRB)
KW_DECLARE_HIDE_MANAGERS(KAM)
KW_DECLARE_HIDE_MANAGERS(KBP)
KW_DECLARE_HIDE_MANAGERS(PKL)
KW_DECLARE_HIDE_MANAGERS(PSK)
KW_DECLARE_HIDE_MANAGERS(AUD)
KW_DECLARE_HIDE_MANAGERS(PRM)

#undef KW_DECLARE_HIDE_MANAGERS
