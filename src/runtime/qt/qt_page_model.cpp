#include "runtime/qt/qt_page_model.h"

#include <QColor>

#include "runtime/picture.h"
#include "runtime/qt/qt_text.h"

namespace kw::qt {

PageModel::PageModel(const std::vector<ui::Column>& columns, QObject* parent)
    : QAbstractTableModel(parent) {
    for (const ui::Column& c : columns) {
        titles_ << fromCp(c.title);
        const picture::Kind k = picture::parse(c.picture).kind;
        right_.push_back(c.right || k == picture::Kind::Number || k == picture::Kind::Date ||
                         k == picture::Kind::Time);
        // Windows colour values are 0x00BBGGRR.
        colors_.push_back(c.color == ui::Column::kDefaultColor
                              ? QVariant()
                              : QVariant(QColor(static_cast<int>(c.color & 0xFF),
                                                static_cast<int>((c.color >> 8) & 0xFF),
                                                static_cast<int>((c.color >> 16) & 0xFF))));
    }
}

void PageModel::setRows(const std::vector<std::vector<std::string>>& rows) {
    beginResetModel();
    rows_.clear();
    for (const auto& r : rows) {
        QStringList cells;
        for (const std::string& c : r) cells << fromCp(c);
        rows_.push_back(cells);
    }
    endResetModel();
}

int PageModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int PageModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : titles_.size();
}

QVariant PageModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(rows_.size())) return QVariant();
    const QStringList& r = rows_[static_cast<std::size_t>(index.row())];
    if (role == Qt::DisplayRole) return index.column() < r.size() ? r[index.column()] : QString();
    if (role == Qt::ForegroundRole && index.column() < static_cast<int>(colors_.size()))
        return colors_[static_cast<std::size_t>(index.column())];
    if (role == Qt::TextAlignmentRole && index.column() < static_cast<int>(right_.size()))
        return QVariant::fromValue(
            Qt::AlignVCenter |
            (right_[static_cast<std::size_t>(index.column())] ? Qt::AlignRight : Qt::AlignLeft));
    return QVariant();
}

QVariant PageModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section < titles_.size())
        return titles_[section];
    return QVariant();
}

}  // namespace kw::qt
