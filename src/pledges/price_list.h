// PriceList: the two lists of the prices per gram (MET_ZEN_TAB for maintenance,
// PRB_TAB to choose for a pledge). Each row shows the name of its metal, NAME1, read
// from MET when the row is built; a row whose metal does not exist shows it blank.
// The caller's MET record is given back when the list closes.
#pragma once

#include <string>

#include "pledges/reference_list.h"
#include "runtime/fixed_string.h"

namespace kw::pledges {

class PriceList : public ReferenceList {
  public:
    explicit PriceList(std::string procedureName);

  protected:
    // The columns "Код", "Имя", "Проба", "Цена за грамм" and the title.
    RefListLook PriceLook();
    void BeforeRow() override;
    Level Prepare() override;
    void Closing() override;

    FixedString<20> NAME1;  // the row's metal name, shown "s20"

  private:
    std::string callerMet_;
};

}  // namespace kw::pledges
