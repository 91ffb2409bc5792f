#include "convert/run_rows.h"

#include <QAbstractItemModel>

#include <algorithm>

namespace brindlemoor::convert {

RunRows::RunRows(const QAbstractItemModel& rows, int count) : last_(count) {
    connect(&rows, &QAbstractItemModel::rowsRemoved, this,
            [this](const QModelIndex& parent, int first, int last) {
                if (!parent.isValid()) removed(first + 1, last + 1);
            });
    connect(&rows, &QAbstractItemModel::modelReset, this, [this] { current_ = last_ = 0; });
}

bool RunRows::advance() {
    if (!remaining()) return false;
    ++current_;
    return true;
}

void RunRows::removed(int first, int last) {
    // Rows at or before the current one: the next row moves up to follow
    // the last row still listed before the gap.
    if (first <= current_) current_ = first - 1 + std::max(0, current_ - last);
    // The run's own rows among those removed.
    if (first <= last_) last_ -= std::min(last, last_) - first + 1;
}

}  // namespace brindlemoor::convert
