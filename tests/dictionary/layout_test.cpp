// Record layouts: sizes, every field's offset and width as the files hold them, types,
// and the bytes the record buffers really carry.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <sstream>
#include <string>

#include "dictionary/tables.h"

using kw::storage::FieldType;
using kw::storage::TableDecl;

namespace {

// "NAME:offset:size ..." in record order, as the file layout defines them.
const std::map<std::string, std::string>& expectedLayouts() {
    static const std::map<std::string, std::string> m = {
        {"SEC",
         "K_POL:0:1 FIO:1:25 DOL:26:25 PAROL:51:10 OP1:61:1 OP2:62:1 OP3:63:1 OP4:64:1 OP5:65:1 "
         "OP6:66:1 OP7:67:1 OP8:68:1 OP9:69:1 OP10:70:1"},
        {"DAY", "DATA:0:4 OBO:4:8 KAS:12:8 PRIB:20:8 KAS_N:28:8"},
        {"KLM", "DATA:0:4 FIO:4:30 PRI:34:8 RAS:42:8 NAME:50:30"},
        {"FIL", "KOD:0:1"},
        {"IZD", "KOD:0:2 NAME:2:80"},
        {"ZAL",
         "OPER:0:1 DATA:1:4 FIO:5:60 ADR:65:60 PAS:125:60 N_KV:185:4 MET:189:1 PROB:190:2 "
         "Z1G:192:8 "
         "OP_IZ:200:80 VEC:280:8 KAM:288:1 VEC_K:289:8 Z1K:297:8 VEC_CH:305:8 OZ_K:313:8 "
         "PRIM:321:80 "
         "KOL_D:401:2 S_OZEN:403:8 S_CCYD:411:8 PROZ_CC:419:8 DATA_K:427:4 P_CC_D:431:8 "
         "P_XR_D:439:8 "
         "S_P_S:447:8 S_P_X:455:8 S_VID:463:8 DATA_PO:471:4 S_ST0:475:8 S_DW:483:8 S_OT:491:8 "
         "DATA_PR1:499:4 S_ST1:503:8 DATA_P11:511:4 KOL_D1:515:2 DATA_P12:517:4 S_P_C1:521:8 "
         "S_P_X1:529:8 S_POL1:537:8 "
         "DATA_PR2:545:4 S_ST2:549:8 DATA_P21:557:4 KOL_D2:561:2 DATA_P22:563:4 S_P_C2:567:8 "
         "S_P_X2:575:8 S_POL2:583:8 "
         "DATA_PR3:591:4 S_ST3:595:8 DATA_P31:603:4 KOL_D3:607:2 DATA_P32:609:4 S_P_C3:613:8 "
         "S_P_X3:621:8 S_POL3:629:8 "
         "DATA_PRW:637:4 S_STW:641:8 S_P_CW:649:8 S_P_XW:657:8 S_W:665:8 DATA_R:673:4 D_PROR:677:2 "
         "S_STR:679:8 S_P_CR:687:8 S_P_XR:695:8 S_R:703:8 SOST:711:1"},
        {"MET", "KOD:0:1 NAME:1:10"},
        {"PRB", "KOD:0:1 PROB:1:2 ZEN:3:8"},
        {"KAM", "KOD:0:1 NAME:1:15 ZEN:16:8"},
        {"KBP",
         "NAME:0:60 ADR:60:80 TEL:140:60 FIO_N:200:30 N_LIZ:230:14 N_PROZ:244:8 KDZ:252:3 "
         "PRO_S:255:8 "
         "PDX:263:8 S11:271:8 S12:279:8 PS1:287:8 S21:295:8 S22:303:8 PS2:311:8 S31:319:8 "
         "S32:327:8 "
         "PS3:335:8 S41:343:8 S42:351:8 PS4:359:8 S51:367:8 S52:375:8 PS5:383:8 S_NAD:391:60 "
         "SW:451:8 "
         "SD:459:2 P0:461:8 P11:469:8 P1:477:8 SD1:485:2 SW1:487:8 P22:495:8 P2:503:8 SD2:511:2 "
         "SW2:513:8 P33:521:8 P3:529:8 SD3:537:2 SW3:539:8 S_N:547:4 KAS_N:551:8 KAS_R:559:8 "
         "KAS_P:567:8"},
        {"PKL", "FIO:0:60 ADR:60:60 PAS:120:60"},
        {"PSK", "DATA:0:4 LIM:4:8 BIL:12:1"},
        {"AUD",
         "N:0:4 DATA:4:4 TIME:8:4 KOD:12:1 FIO:13:30 HOST:43:20 TAB:63:3 KEY:66:20 KIND:86:2 "
         "TEXT:88:1000 HASH:1088:64"},
        {"PRM", "BKDIR:0:120 BKKEEP:120:2"},
    };
    return m;
}

unsigned char* raw(const TableDecl& t) {
    return static_cast<unsigned char*>(t.buffer());
}

}  // namespace

TEST(RecordLayout, SizesAndFieldCountsOfEveryTable) {
    struct Expect {
        const char* label;
        std::size_t size, fields, keys;
    };
    const Expect expect[] = {{"SEC", 71, 14, 2},   {"DAY", 36, 5, 1},  {"KLM", 80, 5, 1},
                             {"FIL", 1, 1, 1},     {"IZD", 82, 2, 1},  {"ZAL", 712, 67, 3},
                             {"MET", 11, 2, 1},    {"PRB", 11, 3, 1},  {"KAM", 24, 3, 1},
                             {"KBP", 575, 44, 0},  {"PKL", 180, 3, 1}, {"PSK", 13, 3, 1},
                             {"AUD", 1152, 11, 2}, {"PRM", 122, 2, 0}};
    const auto& all = kw::dict::allTables();
    ASSERT_EQ(all.size(), 14u);
    for (std::size_t i = 0; i < all.size(); ++i) {
        SCOPED_TRACE(expect[i].label);
        EXPECT_EQ(all[i]->label, expect[i].label) << "dictionary order";
        EXPECT_EQ(all[i]->recordSize, expect[i].size);
        EXPECT_EQ(all[i]->fields.size(), expect[i].fields);
        EXPECT_EQ(all[i]->keys.size(), expect[i].keys);
    }
    EXPECT_EQ(sizeof(SEC), 71u);
    EXPECT_EQ(sizeof(ZAL), 712u);
    EXPECT_EQ(sizeof(KBP), 575u);
}

TEST(RecordLayout, EveryFieldHasItsFileOffsetAndWidth) {
    for (const auto* t : kw::dict::allTables()) {
        SCOPED_TRACE(t->label);
        std::istringstream in(expectedLayouts().at(t->label));
        std::string item;
        std::size_t n = 0;
        while (in >> item) {
            auto c1 = item.find(':'), c2 = item.rfind(':');
            ASSERT_LT(n, t->fields.size());
            const auto& f = t->fields[n++];
            EXPECT_EQ(f.name, item.substr(0, c1));
            EXPECT_EQ(f.offset, std::stoi(item.substr(c1 + 1, c2 - c1 - 1))) << f.name;
            EXPECT_EQ(f.size, std::stoi(item.substr(c2 + 1))) << f.name;
        }
        EXPECT_EQ(n, t->fields.size());
        // laid end to end, no gap, filling the record exactly
        std::size_t end = 0;
        for (const auto& f : t->fields) {
            EXPECT_EQ(f.offset, end) << f.name;
            end = f.offset + f.size;
        }
        EXPECT_EQ(end, t->recordSize);
    }
}

TEST(RecordLayout, FieldTypeCodesAndDates) {
    for (const auto* t : kw::dict::allTables()) {
        for (const auto& f : t->fields) {
            SCOPED_TRACE(t->label + ":" + f.name);
            switch (f.type) {
                case FieldType::Byte:
                    EXPECT_EQ(f.size, 1);
                    break;
                case FieldType::Short:
                    EXPECT_EQ(f.size, 2);
                    break;
                case FieldType::Long:
                    EXPECT_EQ(f.size, 4);
                    break;
                case FieldType::Real:
                    EXPECT_EQ(f.size, 8);
                    break;
                case FieldType::String:
                    EXPECT_GE(f.size, 1);
                    break;
                case FieldType::Decimal:
                    EXPECT_EQ(t->label + f.name, "KBPKDZ");
                    break;
                default:
                    ADD_FAILURE() << "type code " << int(f.type)
                                  << " does not occur in the dictionary";
            }
            if (f.isDate) {
                EXPECT_EQ(f.type, FieldType::Long);
            }
            // every date field shows as a date; a LONG with "D6" is a date
            EXPECT_EQ(f.picture == "D6", f.isDate);
        }
    }
    const auto& zal = kw::dict::table("ZAL");
    for (const char* d :
         {"DATA", "DATA_K", "DATA_PR1", "DATA_P11", "DATA_P12", "DATA_P32", "DATA_PRW", "DATA_R"})
        EXPECT_TRUE(zal.field(zal.fieldNumber(d)).isDate) << d;
    EXPECT_FALSE(zal.field(zal.fieldNumber("DATA_PO")).isDate);  // shown on no form
    EXPECT_EQ(zal.field(zal.fieldNumber("N_KV")).type, FieldType::Long);
}

TEST(RecordLayout, ProlongationGroupsRepeatAtPlus46AndPlus92) {
    const auto& zal = kw::dict::table("ZAL");
    const char* first[] = {"DATA_PR1", "S_ST1",  "DATA_P11", "KOL_D1",
                           "DATA_P12", "S_P_C1", "S_P_X1",   "S_POL1"};
    const int base = zal.fieldNumber("DATA_PR1");
    ASSERT_EQ(base, 32);
    for (int i = 0; i < 8; ++i) {
        const auto& f1 = zal.field(base + i);
        EXPECT_EQ(f1.name, first[i]);
        for (int g = 1; g <= 2; ++g) {
            const auto& fg = zal.field(base + 8 * g + i);
            SCOPED_TRACE(fg.name);
            EXPECT_EQ(fg.offset, f1.offset + 46 * g);
            EXPECT_EQ(fg.type, f1.type);
            EXPECT_EQ(fg.size, f1.size);
            EXPECT_EQ(fg.picture, f1.picture);
            EXPECT_EQ(fg.isDate, f1.isDate);
        }
    }
}

TEST(RecordLayout, ZalStateIsTheLastByteOfTheRecord) {
    const auto& zal = kw::dict::table("ZAL");
    std::memset(raw(zal), 0, zal.recordSize);
    ZAL.SOST = 6;
    EXPECT_EQ(raw(zal)[711], 6);
    EXPECT_EQ(zal.fields.back().name, "SOST");
    // and the other way: a byte put at a field's offset is what the field reads
    const auto& f = zal.field(zal.fieldNumber("S_CCYD"));
    const double amount = 12345.67;
    std::memcpy(raw(zal) + f.offset, &amount, sizeof amount);
    EXPECT_EQ(ZAL.S_CCYD, amount);
    ZAL = kw::dict::ZalRecord();
}

TEST(RecordLayout, KbpStorageDaysIsThreeBytesOfPackedDecimalAt252) {
    const auto& kbp = kw::dict::table("KBP");
    const auto& kdz = kbp.field(kbp.fieldNumber("KDZ"));
    EXPECT_EQ(kdz.offset, 252);
    EXPECT_EQ(kdz.size, 3);
    EXPECT_EQ(kdz.type, FieldType::Decimal);
    EXPECT_EQ(kdz.places, 0);
    EXPECT_EQ(kdz.picture, "n_4b");

    KBP.N_PROZ = 1.5;
    KBP.PRO_S = 80;
    KBP.KDZ = 30;
    unsigned char* r = raw(kbp);
    EXPECT_EQ(r[252], 0x00);
    EXPECT_EQ(r[253], 0x03);
    EXPECT_EQ(r[254], 0x0C);  // positive sign nibble
    double before, after;
    std::memcpy(&before, r + 244, 8);
    std::memcpy(&after, r + 255, 8);
    EXPECT_EQ(before, 1.5);  // neighbours untouched
    EXPECT_EQ(after, 80.0);
    KBP = kw::dict::KbpRecord();
}

TEST(RecordLayout, PicturesAndPromptsOfForms) {
    const auto& day = kw::dict::table("DAY");
    EXPECT_EQ(day.field(4).picture, "n-_10.2");
    EXPECT_EQ(day.field(4).prompt, "Прибыль за день");
    const auto& zal = kw::dict::table("ZAL");
    EXPECT_EQ(zal.field(zal.fieldNumber("S_CCYD")).prompt, "Сумма ссуды");
    EXPECT_EQ(zal.field(zal.fieldNumber("VEC_K")).picture, "n10.6b");
    EXPECT_EQ(zal.field(zal.fieldNumber("DATA_P21")).prompt, "Дата начала 2-го перезалога");
    const auto& kbp = kw::dict::table("KBP");
    EXPECT_EQ(kbp.field(kbp.fieldNumber("KAS_N")).picture, "n-_12.2b");
    EXPECT_EQ(kbp.field(kbp.fieldNumber("PS3")).picture, "n_9.6b");
    EXPECT_EQ(kbp.field(kbp.fieldNumber("S32")).picture, "n_15.2b");
    EXPECT_EQ(kbp.field(kbp.fieldNumber("SD2")).picture, "n3b");
    EXPECT_EQ(kw::dict::table("KAM").field(3).picture, "n15.2b");
}
