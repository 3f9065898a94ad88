// The rows of a list box as Qt shows them: a copy of the formatted cells that the
// window engine took from the list's page queue.
#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <vector>

#include "runtime/window_def.h"

namespace kw::qt {

class PageModel : public QAbstractTableModel {
  public:
    explicit PageModel(const std::vector<ui::Column>& columns, QObject* parent = nullptr);

    void setRows(const std::vector<std::vector<std::string>>& rows);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    QStringList titles_;
    std::vector<bool> right_;
    std::vector<QVariant> colors_;  // per column: a QColor, or none for the list's own
    std::vector<QStringList> rows_;
};

}  // namespace kw::qt
