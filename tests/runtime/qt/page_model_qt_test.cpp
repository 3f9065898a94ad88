// The rows of a Qt list: a column's own colour (a Windows colour value, 0x00BBGGRR)
// paints its texts; the other columns keep the list's.
#include <gtest/gtest.h>

#include <QColor>

#include "runtime/qt/qt_page_model.h"

namespace {

TEST(PageModelQt, AColumnColourPaintsThatColumnsTexts) {
    std::vector<kw::ui::Column> columns = {{"N", 7, "n_7"},
                                           kw::ui::Column{"S", 3, "n3"}.colored(0xFF0000),
                                           kw::ui::Column{"R", 3, "n3"}.colored(0x0000FF)};
    kw::qt::PageModel model(columns);
    model.setRows({{"1", "4", "5"}, {"2", "0", "6"}});
    const QVariant plain = model.data(model.index(1, 0), Qt::ForegroundRole);
    EXPECT_FALSE(plain.isValid());
    const QColor blue = model.data(model.index(1, 1), Qt::ForegroundRole).value<QColor>();
    EXPECT_EQ(blue, QColor(0, 0, 255));
    const QColor red = model.data(model.index(0, 2), Qt::ForegroundRole).value<QColor>();
    EXPECT_EQ(red, QColor(255, 0, 0));
    EXPECT_EQ(model.data(model.index(0, 1), Qt::DisplayRole).toString(), "4");
}

}  // namespace
