#include "pledges/price_list.h"

#include <cstring>

#include "dictionary/reference.h"
#include "framework/data/dct_init.h"
#include "pledges/metal_name.h"
#include "runtime/codepage.h"

namespace kw::pledges {

PriceList::PriceList(std::string procedureName)
    : ReferenceList(std::move(procedureName), {&Relate::PRB, &Relate::MET}, &Relate::PRB,
                    dict::prbTable) {}

RefListLook PriceList::PriceLook() {
    const storage::TableDecl& t = dict::prbTable();
    const std::string price = W("Цена за грамм");
    RefListLook l;
    l.title = W("Цены за грамм драгметалла");
    l.columns = {
        {W("Код"), columnWidth(W("Код"), "n3"), "n3", {&t, 1}, {}},
        {W("Имя"), columnWidth(W("Имя"), "s20"), "s20", {}, ui::Binding::of(NAME1).named("NAME1")},
        {W("Проба"), columnWidth(W("Проба"), "n3"), "n3", {&t, 2}, {}},
        {price, columnWidth(price, "n_15.2"), "n_15.2", {&t, 3}, {}}};
    return l;
}

void PriceList::BeforeRow() {
    NAME1.clear();
    NAME1 = metalName(PRB.KOD).clip();
}

Level PriceList::Prepare() {
    callerMet_.assign(reinterpret_cast<const char*>(&MET), sizeof(MET));
    return ReferenceList::Prepare();
}

void PriceList::Closing() {
    if (callerMet_.size() == sizeof(MET)) std::memcpy(&MET, callerMet_.data(), sizeof(MET));
}

}  // namespace kw::pledges
