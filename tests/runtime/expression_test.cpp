// The filter-expression evaluator: the filters of the program's lists and reports on
// records built for them, the value rules, the functions, and texts that do not parse.
#include "runtime/expression.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>

#include "runtime/clock.h"
#include "runtime/codepage.h"
#include "runtime/date.h"
#include "runtime/fixed_string.h"

namespace kw::expr {
namespace {

// Records with the fields the filters name (a pledge, a price, a cash entry).
#pragma pack(push, 1)
struct Pledge {
    int32_t DATA = 0;
    FixedString<60> FIO;
    int32_t DATA_K = 0, DATA_P12 = 0, DATA_P22 = 0, DATA_P32 = 0, DATA_R = 0;
    uint8_t SOST = 0;
    uint8_t MET = 0;
    double S_VID = 0;
    int16_t PROB = 0;
    unsigned char KDZ[3] = {0, 0, 0x0C};  // DECIMAL(5)
    char CODE[8] = {};                    // CSTRING(8)
    unsigned char NOTE[6] = {};           // PSTRING(6)
};
struct Price {
    uint8_t KOD = 0;
};
struct Cash {
    int32_t DATA = 0;
};
#pragma pack(pop)

Pledge zal;
Price prb;
Cash klm;

struct FieldInfo {
    const char* name;
    const void* record;
    std::size_t offset;
    ValueType type;
    std::size_t size;
    int places;
};

const FieldInfo kFields[] = {
    {"ZAL:DATA", &zal, offsetof(Pledge, DATA), ValueType::Long, 4, 0},
    {"ZAL:FIO", &zal, offsetof(Pledge, FIO), ValueType::String, 60, 0},
    {"ZAL:DATA_K", &zal, offsetof(Pledge, DATA_K), ValueType::Long, 4, 0},
    {"ZAL:DATA_P12", &zal, offsetof(Pledge, DATA_P12), ValueType::Long, 4, 0},
    {"ZAL:DATA_P22", &zal, offsetof(Pledge, DATA_P22), ValueType::Long, 4, 0},
    {"ZAL:DATA_P32", &zal, offsetof(Pledge, DATA_P32), ValueType::Long, 4, 0},
    {"ZAL:DATA_R", &zal, offsetof(Pledge, DATA_R), ValueType::Long, 4, 0},
    {"ZAL:SOST", &zal, offsetof(Pledge, SOST), ValueType::Byte, 1, 0},
    {"ZAL:MET", &zal, offsetof(Pledge, MET), ValueType::Byte, 1, 0},
    {"ZAL:S_VID", &zal, offsetof(Pledge, S_VID), ValueType::Real, 8, 0},
    {"ZAL:PROB", &zal, offsetof(Pledge, PROB), ValueType::Short, 2, 0},
    {"ZAL:KDZ", &zal, offsetof(Pledge, KDZ), ValueType::Decimal, 3, 1},
    {"ZAL:CODE", &zal, offsetof(Pledge, CODE), ValueType::CString, 8, 0},
    {"ZAL:NOTE", &zal, offsetof(Pledge, NOTE), ValueType::PString, 6, 0},
    {"PRB:KOD", &prb, offsetof(Price, KOD), ValueType::Byte, 1, 0},
    {"KLM:DATA", &klm, offsetof(Cash, DATA), ValueType::Long, 4, 0},
};

// Record fields by name; the ZAL fields carry tags (their place in kFields + 1), as a
// view's own fields would.
class TestFields : public Resolver {
  public:
    bool resolve(std::string_view name, Source& out) const override {
        std::string n(name);
        for (char& c : n)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
        for (std::size_t i = 0; i < std::size(kFields); ++i) {
            const FieldInfo& f = kFields[i];
            if (n != f.name) continue;
            const void* rec = f.record;
            const int tag = f.record == &zal ? static_cast<int>(i + 1) : 0;
            out = Source::field([rec] { return rec; }, f.offset, f.type, f.size, f.places, tag);
            return true;
        }
        return false;
    }
};

int tagOf(const char* name) {
    for (std::size_t i = 0; i < std::size(kFields); ++i)
        if (std::string(kFields[i].name) == name) return static_cast<int>(i + 1);
    return 0;
}

// The globals the filters name.
int32_t D1 = 0, D2 = 0, D_PRR = 0, SP_IND = 0;
FixedString<20> NAME_P;

class Filters : public ::testing::Test {
  protected:
    void SetUp() override {
        zal = Pledge{};
        prb = Price{};
        klm = Cash{};
        D1 = D2 = D_PRR = SP_IND = 0;
        NAME_P.clear();
        vars.bind("D1", ui::Binding::of(D1));
        vars.bind("d2", ui::Binding::of(D2));
        vars.bind("D_PRR", ui::Binding::of(D_PRR));
        vars.bind("Sp_Ind", ui::Binding::of(SP_IND));
        vars.bind("NAME_P", ui::Binding::of(NAME_P));
        clock::setToday(today);
    }
    void TearDown() override { clock::setToday(0); }

    Expression parse(std::string_view text) {
        Expression e = Expression::parse(text, names);
        EXPECT_TRUE(e.ok()) << text << ": " << e.error();
        return e;
    }
    bool passes(std::string_view text) { return parse(text).test(); }

    const int32_t today = date::fromYmd(2024, 3, 15);
    TestFields fields;
    Variables vars;
    Resolvers names{&fields, &vars};
};

// ------------------------------------------------------------- the program's filters

TEST_F(Filters, StateListsSelectTheirStates) {
    const char* texts[] = {"(zal:sost=0)", "(zal:sost=1)", "(zal:sost=2)", "(zal:sost<=3)"};
    const bool expected[4][7] = {
        {1, 0, 0, 0, 0, 0, 0}, {0, 1, 0, 0, 0, 0, 0}, {0, 0, 1, 0, 0, 0, 0}, {1, 1, 1, 1, 0, 0, 0}};
    for (int t = 0; t < 4; ++t) {
        Expression e = parse(texts[t]);
        for (int s = 0; s <= 6; ++s) {
            zal.SOST = static_cast<uint8_t>(s);
            EXPECT_EQ(e.test(), expected[t][s]) << texts[t] << " state " << s;
        }
    }
}

TEST_F(Filters, DayListShowsTodaysPledges) {
    Expression e = parse("(zal:data=today())");
    zal.DATA = today;
    EXPECT_TRUE(e.test());
    zal.DATA = today - 1;
    EXPECT_FALSE(e.test());
    clock::setToday(today - 1);  // the same expression follows the clock
    EXPECT_TRUE(e.test());
}

TEST_F(Filters, SaleListWantsEveryEndMoreThan30DaysAgoZeroDatesCountAsPast) {
    Expression e = parse(
        "((today()-zal:data_k)>30  and  (today()-zal:data_p12)>30 and (today()-zal:data_p22)>30 "
        "and "
        "(today()-zal:data_p32)>30 and zal:sost<4)");
    zal.DATA_K = today - 31;  // prolongation dates all zero
    EXPECT_TRUE(e.test());
    zal.DATA_K = today - 30;
    EXPECT_FALSE(e.test());
    zal.DATA_K = today - 100;
    zal.DATA_P12 = today - 40;
    zal.DATA_P22 = today - 29;
    EXPECT_FALSE(e.test());
    zal.DATA_P22 = today - 31;
    zal.DATA_P32 = today - 31;
    EXPECT_TRUE(e.test());
    zal.SOST = 4;
    EXPECT_FALSE(e.test());
}

TEST_F(Filters, StateInquiryByIndexAndOverdue) {
    Expression e = parse(
        "((zal:sost=sp_ind and sp_ind<=5) or (sp_ind=6 and today()>zal:data_k and "
        "today()>zal:data_p12 and "
        "today() >zal:data_p22 and today() > zal:data_p32 and zal:sost<4))");
    for (int ind = 0; ind <= 5; ++ind) {
        SP_IND = ind;
        for (int s = 0; s <= 6; ++s) {
            zal.SOST = static_cast<uint8_t>(s);
            EXPECT_EQ(e.test(), s == ind) << ind << " " << s;
        }
    }
    SP_IND = 6;
    zal.DATA_K = today - 1;  // overdue, prolongation dates zero
    for (int s = 0; s <= 6; ++s) {
        zal.SOST = static_cast<uint8_t>(s);
        EXPECT_EQ(e.test(), s < 4) << s;
    }
    zal.SOST = 1;
    zal.DATA_P12 = today;  // not yet past
    EXPECT_FALSE(e.test());
    SP_IND = 7;  // shows nothing at all
    zal.DATA_P12 = 0;
    for (int s = 0; s <= 6; ++s) {
        zal.SOST = static_cast<uint8_t>(s);
        EXPECT_FALSE(e.test());
    }
}

TEST_F(Filters, PeriodFiltersIncludeBothEnds) {
    D1 = today - 10;
    D2 = today;
    Expression fin = parse("(zal:data>=d1 and zal:data<=d2 and zal:sost<>6)");
    Expression cash = parse("(klm:data>=d1 and klm:data<=d2)");
    for (int32_t d : {today - 11, today - 10, today - 5, today, today + 1}) {
        zal.DATA = d;
        klm.DATA = d;
        const bool in = d >= D1 && d <= D2;
        EXPECT_EQ(fin.test(), in) << d;
        EXPECT_EQ(cash.test(), in) << d;
    }
    zal.DATA = today;
    zal.SOST = 6;
    EXPECT_FALSE(fin.test());
    D1 = today + 1;  // the variables are read on every evaluation
    klm.DATA = today;
    EXPECT_FALSE(cash.test());
}

TEST_F(Filters, SaleReportsWantState5InThePeriod) {
    D1 = today - 30;
    D2 = today;
    Expression real = parse("zal:data_r>=d1 and zal:data_r<=d2 and zal:sost=5");
    Expression notary = parse("zal:sost=5 and zal:data_r>=d1 and zal:data_r<=d2");
    zal.SOST = 5;
    zal.DATA_R = today - 30;
    EXPECT_TRUE(real.test());
    EXPECT_TRUE(notary.test());
    zal.DATA_R = today - 31;
    EXPECT_FALSE(real.test());
    EXPECT_FALSE(notary.test());
    zal.DATA_R = today;
    zal.SOST = 4;
    EXPECT_FALSE(real.test());
    EXPECT_FALSE(notary.test());
}

TEST_F(Filters, OverdueReportAgainstControlDate) {
    Expression e = parse(
        "(d1-zal:data_k)>=d_prr  and (d1-zal:data_p12)>=d_prr and (d1-zal:data_p22)>=d_prr and  "
        "(d1-zal:data_p32)>=d_prr and zal:sost<4");
    D1 = today;
    D_PRR = 0;  // every active pledge whose end dates are all on or before the control date
    zal.DATA_K = today;
    EXPECT_TRUE(e.test());
    zal.DATA_P12 = today + 1;
    EXPECT_FALSE(e.test());
    zal.DATA_P12 = today - 50;
    D_PRR = 10;
    EXPECT_FALSE(e.test());  // DATA_K only 0 days before
    zal.DATA_K = today - 10;
    EXPECT_TRUE(e.test());
    zal.SOST = 5;
    EXPECT_FALSE(e.test());
}

TEST_F(Filters, FinenessListFollowsTheMetalOfThePledge) {
    Expression e = parse("(prb:kod=zal:met)");
    zal.MET = 3;
    prb.KOD = 3;
    EXPECT_TRUE(e.test());
    prb.KOD = 2;
    EXPECT_FALSE(e.test());
}

TEST_F(Filters, NameSearchFindsLowerCaseFragmentAnywhereButNotACapitalisedOne) {
    Expression e = parse("(instring(clip(name_p),lower(zal:fio),1)>0  and zal:sost<>6)");
    NAME_P = W("иван");
    for (const char* fio : {"Иванов Пётр", "ПЕТРОВ ИВАН", "Сидорова Иванна", "петр иванович"}) {
        zal.FIO = W(fio);
        EXPECT_TRUE(e.test()) << fio;
    }
    zal.FIO = W("Петров Пётр");
    EXPECT_FALSE(e.test());
    zal.FIO = W("Иванов");
    zal.SOST = 6;  // deleted pledges are never shown
    EXPECT_FALSE(e.test());
    zal.SOST = 0;
    NAME_P = W("Иван");  // the fragment is not lower-cased: a capital finds nothing
    EXPECT_FALSE(e.test());
    NAME_P = W("ёлк");
    zal.FIO = W("ЁЛКИН");
    EXPECT_TRUE(e.test());
    NAME_P.clear();  // a blank fragment finds nothing either
    EXPECT_FALSE(e.test());
}

// ------------------------------------------------------------- value rules

TEST_F(Filters, ArithmeticPrecedenceAndUnaryOperators) {
    EXPECT_EQ(parse("1+2*3").evaluate().number, 7);
    EXPECT_EQ(parse("(1+2)*3").evaluate().number, 9);
    EXPECT_EQ(parse("10-4-3").evaluate().number, 3);
    EXPECT_EQ(parse("24/4/3").evaluate().number, 2);
    EXPECT_EQ(parse("-2*-3").evaluate().number, 6);
    EXPECT_EQ(parse("- -+5").evaluate().number, 5);
    EXPECT_EQ(parse("7/0").evaluate().number, 0);
    EXPECT_DOUBLE_EQ(parse("1.5*.5").evaluate().number, 0.75);
    EXPECT_TRUE(passes("1+1=2 and 2*2>3"));
    EXPECT_TRUE(passes("NOT 1=2"));
    EXPECT_FALSE(passes("not 1<2 Or 1>2"));
    EXPECT_TRUE(passes("1=1 OR 1=2 AND 1=2"));  // AND binds tighter
}

TEST_F(Filters, RealsCompareWithTheRealRule) {
    zal.S_VID = 0.1 + 0.2;
    EXPECT_TRUE(passes("zal:s_vid = 0.3"));
    EXPECT_FALSE(passes("zal:s_vid > 0.3"));
    EXPECT_TRUE(passes("zal:s_vid >= 0.3"));
    EXPECT_FALSE(passes("zal:s_vid <> 0.3"));
}

TEST_F(Filters, TextsIgnoreTrailingBlanksAndCompareWithNumbersWhenNumeric) {
    zal.FIO = "ABC";
    EXPECT_TRUE(passes("zal:fio = 'ABC'"));
    EXPECT_TRUE(passes("zal:fio = 'ABC   '"));
    EXPECT_FALSE(passes("zal:fio = 'abc'"));
    EXPECT_TRUE(passes("zal:fio < 'ABD'"));
    EXPECT_TRUE(passes("zal:fio > 'AB'"));
    EXPECT_TRUE(passes("'AB' < 'AB!'"));  // as if padded with blanks
    EXPECT_TRUE(passes("' 12 ' = 12"));   // a text that spells a number
    EXPECT_TRUE(passes("'12.50' = 12.5"));
    EXPECT_TRUE(passes("'9' < 10"));   // numerically, not '9' > '10'
    EXPECT_TRUE(passes("'x9' > 10"));  // not a number: compared as texts
    EXPECT_EQ(parse("'3' * '4'").evaluate().number, 12);
    EXPECT_EQ(parse("'abc' + 1").evaluate().number, 1);
    EXPECT_TRUE(passes("'it''s' = 'it''s'"));
    EXPECT_EQ(parse("'it''s'").evaluate().text, "it's");
}

TEST_F(Filters, TruthOfValues) {
    EXPECT_TRUE(passes("2"));
    EXPECT_FALSE(passes("0"));
    EXPECT_TRUE(passes("'x'"));
    EXPECT_FALSE(passes("'   '"));
    EXPECT_FALSE(passes("''"));
    EXPECT_TRUE(truth(Value(W("я"))));
    EXPECT_LT(compare(Value(1), Value("2")), 0);
}

TEST_F(Filters, KeywordsFunctionsAndNamesInAnyCase) {
    zal.SOST = 2;
    zal.FIO = "Ab";
    EXPECT_TRUE(passes("ZAL:SOST = 2 AnD Zal:Sost <> 3 oR nOt 1"));
    EXPECT_TRUE(passes("UPPER(zal:fio) = 'AB' and LoWeR(ZAL:FIO) = 'ab' and Clip('x  ') = 'x'"));
}

TEST_F(Filters, AndOrStopOnceTheResultIsKnown) {
    int reads = 0;
    vars.bind("COUNTED", [&reads] {
        ++reads;
        return Value(1);
    });
    EXPECT_FALSE(parse("1=2 and counted=1").test());
    EXPECT_TRUE(parse("1=1 or counted=1").test());
    EXPECT_EQ(reads, 0);
    EXPECT_TRUE(parse("1=1 and counted=1").test());
    EXPECT_EQ(reads, 1);
}

TEST_F(Filters, FieldsOfEveryStorageType) {
    zal.PROB = -583;
    zal.KDZ[0] = 0x12, zal.KDZ[1] = 0x34, zal.KDZ[2] = 0x5D;  // -1234.5
    std::memcpy(zal.CODE, "AB\0zz", 5);
    zal.NOTE[0] = 3, std::memcpy(zal.NOTE + 1, "xyz", 3);
    EXPECT_EQ(parse("zal:prob").evaluate().number, -583);
    EXPECT_DOUBLE_EQ(parse("zal:kdz").evaluate().number, -1234.5);
    EXPECT_EQ(parse("zal:code").evaluate().text, "AB");
    EXPECT_EQ(parse("zal:note").evaluate().text, "xyz");
    zal.NOTE[0] = 200;  // a length beyond the field is cut to it
    EXPECT_EQ(parse("zal:note").evaluate().text.size(), 5u);
}

// ------------------------------------------------------------- functions

TEST_F(Filters, CaseMappingCoversCyrillic) {
    zal.FIO = W("ПЁТР Иванович Ёж");
    EXPECT_EQ(parse("clip(lower(zal:fio))").evaluate().text, W("пётр иванович ёж"));
    EXPECT_EQ(parse("clip(upper(zal:fio))").evaluate().text, W("ПЁТР ИВАНОВИЧ ЁЖ"));
    EXPECT_EQ(parse("lower(12)").evaluate().text, "12");
}

TEST_F(Filters, InStringStepsAndStart) {
    EXPECT_EQ(parse("instring('an', 'banana', 1)").evaluate().number, 2);
    EXPECT_EQ(parse("instring('an', 'banana', 1, 3)").evaluate().number, 4);
    EXPECT_EQ(parse("instring('an', 'banana', 2)").evaluate().number, 0);  // tries 1, 3, 5
    EXPECT_EQ(parse("instring('na', 'banana', 2)").evaluate().number, 3);
    EXPECT_EQ(parse("instring('x', 'banana', 1)").evaluate().number, 0);
    EXPECT_EQ(parse("instring('a', 'banana', 0)").evaluate().number, 0);  // no step: nothing
    EXPECT_EQ(parse("instring('a', 'banana', 1, -5)").evaluate().number, 2);
    EXPECT_EQ(parse("instring('a', 'banana', 1, 99)").evaluate().number, 0);
    EXPECT_EQ(parse("instring('banana!', 'banana', 1)").evaluate().number, 0);
    EXPECT_EQ(parse("instring(2, 12321, 1, 3)").evaluate().number, 4);
    EXPECT_EQ(parse("instring('na', 'banana', 1, 5)").evaluate().number,
              5);  // the last place it fits
    EXPECT_EQ(parse("instring('an', 'banana', 1.5)").evaluate().number,
              2);  // a step below 2 tries every place
    EXPECT_EQ(parse("instring('a', 'banana', 1, 6)").evaluate().number, 6);
}

TEST_F(Filters, ClipTakesOnlyTrailingBlanks) {
    EXPECT_EQ(parse("clip('  a b  ')").evaluate().text, "  a b");
    EXPECT_EQ(parse("clip('    ')").evaluate().text, "");
    EXPECT_EQ(parse("clip('')").evaluate().text, "");
}

TEST_F(Filters, TodayIsTheClocksDay) {
    EXPECT_EQ(parse("today()").evaluate().number, today);
    EXPECT_EQ(parse("today() - 30").evaluate().number, today - 30);
}

TEST_F(Filters, VariablesRegisteredByTheProgram) {
    int32_t level = 4;
    globals().bind("TEST_LEVEL", ui::Binding::of(level));
    Expression e = Expression::parse("test_level > 3", globals());
    ASSERT_TRUE(e.ok()) << e.error();
    EXPECT_TRUE(e.test());
    level = 3;
    EXPECT_FALSE(e.test());
    globals().unbind("test_level");
    EXPECT_FALSE(Expression::parse("test_level > 3", globals()).ok());
    // An expression keeps what it was bound to: it still follows the variable.
    level = 5;
    EXPECT_TRUE(e.test());
    level = 2;
    EXPECT_FALSE(e.test());
}

// ------------------------------------------------------------- texts that do not parse

struct Bad {
    const char* text;
    const char* message;  // part of the message
    int position;
};

TEST_F(Filters, MalformedTextsGiveAClearErrorAndEvaluateToFalse) {
    const Bad cases[] = {
        {"", "empty expression", 1},
        {"   ", "empty expression", 1},
        {"(zal:sost=0", "')' expected, text ends", 12},
        {"zal:sost=0)", "unexpected ')'", 11},
        {"((zal:sost=0)", "')' expected", 14},
        {"zal:nosuch=1", "unknown name 'zal:nosuch'", 1},
        {"sost=1", "unknown name 'sost'", 1},
        {"nosuch(1)>0", "unknown function 'nosuch'", 1},
        {"instring('a', zal:fio)", "takes 3 or 4 arguments, not 2", 1},
        {"today(1)", "takes 0 arguments, not 1", 1},
        {"clip()", "takes 1 argument, not 0", 1},
        {"zal:sost=0 zal:sost", "unexpected 'zal:sost'", 12},
        {"zal:sost=0 and", "a value expected, text ends", 15},
        {"zal:sost==0", "a value expected, found '='", 10},
        {"zal:fio='abc", "text not closed", 9},
        {"zal:sost # 1", "unexpected character '#'", 10},
        {"zal:sost = 1e5", "unexpected 'e5'", 13},
        {"lower(zal:fio,", "a value expected, text ends", 15},
        {"1 + (", "a value expected, text ends", 6},
        {"\x01", "unexpected character '\\x01'", 1},
    };
    for (const Bad& b : cases) {
        Expression e = Expression::parse(b.text, names);
        EXPECT_FALSE(e.ok()) << b.text;
        EXPECT_NE(e.error().find(b.message), std::string::npos) << b.text << ": " << e.error();
        EXPECT_EQ(e.errorPosition(), b.position) << b.text << ": " << e.error();
        EXPECT_FALSE(e.test());
        EXPECT_EQ(e.evaluate().number, 0);
        EXPECT_TRUE(e.conditions().empty());
    }
    EXPECT_FALSE(Expression().ok());
}

TEST_F(Filters, DeepNestingIsRefusedWithoutExhaustingTheStack) {
    for (int n : {kMaxNesting + 1, 100000}) {
        const std::string parens = std::string(n, '(') + "1" + std::string(n, ')');
        Expression e = Expression::parse(parens, names);
        EXPECT_FALSE(e.ok());
        EXPECT_NE(e.error().find("nested more than"), std::string::npos) << e.error();
        std::string minus(n, '-');
        EXPECT_FALSE(Expression::parse(minus + "1", names).ok());
        std::string nots;
        for (int i = 0; i < n; ++i) nots += "not ";
        EXPECT_FALSE(Expression::parse(nots + "1", names).ok());
        std::string calls;
        for (int i = 0; i < n; ++i) calls += "clip(";
        EXPECT_FALSE(Expression::parse(calls + "1" + std::string(n, ')'), names).ok());
    }
    // Nesting within the limit works.
    const int ok = kMaxNesting - 1;
    Expression e = Expression::parse(std::string(ok, '(') + "41+1" + std::string(ok, ')'), names);
    ASSERT_TRUE(e.ok()) << e.error();
    EXPECT_EQ(e.evaluate().number, 42);
}

TEST_F(Filters, LongChainsAreBoundedToo) {
    std::string sum = "1";
    for (int i = 0; i < 100000; ++i) sum += "+1";
    Expression e = Expression::parse(sum, names);
    EXPECT_FALSE(e.ok());
    EXPECT_NE(e.error().find("too long"), std::string::npos) << e.error();
    std::string fine = "1";
    for (int i = 1; i < kMaxDepth / 2; ++i) fine += "+1";
    Expression f = Expression::parse(fine, names);
    ASSERT_TRUE(f.ok()) << f.error();
    EXPECT_EQ(f.evaluate().number, kMaxDepth / 2);
}

TEST_F(Filters, CopiesEvaluateIndependently) {
    Expression a = parse("zal:sost + 1");
    Expression b = a;
    zal.SOST = 4;
    EXPECT_EQ(a.evaluate().number, 5);
    EXPECT_EQ(b.evaluate().number, 5);
    Expression c = std::move(a);
    EXPECT_EQ(c.evaluate().number, 5);
    EXPECT_EQ(c.text(), "zal:sost + 1");
}

// ------------------------------------------------------------- conditions for key ranges

TEST_F(Filters, ConditionsAreTheTaggedComparisonsTheWholeFilterNeeds) {
    D1 = 100;
    D2 = 200;
    Expression e =
        parse("(zal:data>=d1 and (d2 >= zal:data and zal:sost<>6)) and prb:kod = zal:met");
    const auto cs = e.conditions();
    ASSERT_EQ(cs.size(), 4u);
    EXPECT_EQ(cs[0].tag, tagOf("ZAL:DATA"));
    EXPECT_EQ(cs[0].op, Compare::Ge);
    EXPECT_EQ(e.evaluate(cs[0]).number, 100);
    EXPECT_EQ(cs[1].tag, tagOf("ZAL:DATA"));
    EXPECT_EQ(cs[1].op, Compare::Le);  // turned round: the field stood on the right
    EXPECT_EQ(e.evaluate(cs[1]).number, 200);
    EXPECT_EQ(cs[2].tag, tagOf("ZAL:SOST"));
    EXPECT_EQ(cs[2].op, Compare::Ne);
    // prb:kod = zal:met: the untagged side is a value, the tagged one the field.
    EXPECT_EQ(cs[3].tag, tagOf("ZAL:MET"));
    EXPECT_EQ(cs[3].op, Compare::Eq);
    prb.KOD = 7;
    EXPECT_EQ(e.evaluate(cs[3]).number, 7);

    EXPECT_TRUE(parse("zal:data>=d1 or zal:sost=0").conditions().empty());
    EXPECT_TRUE(parse("not zal:sost=0").conditions().empty());
    EXPECT_TRUE(parse("zal:data = zal:data_k").conditions().empty());
    EXPECT_TRUE(parse("zal:data + 1 = 5").conditions().empty());
    const auto up = parse("upper(zal:fio) = 'X'").conditions();
    ASSERT_EQ(up.size(), 1u);
    EXPECT_TRUE(up[0].upper);
}

}  // namespace
}  // namespace kw::expr
