// The rows a conversion run works through: those listed when it starts, in
// their places in the list. Rows removed while the run goes on take the run's
// place with them, so no remaining row is skipped or converted twice; rows
// added meanwhile are left for the next run.
#pragma once

#include <QObject>

class QAbstractItemModel;

namespace brindlemoor::convert {

class RunRows : public QObject {
    Q_OBJECT
public:
    // The run takes on the first `count` rows of `rows`.
    RunRows(const QAbstractItemModel& rows, int count);

    // True while a row the run took on lies beyond the current one.
    bool remaining() const { return current_ < last_; }
    // Moves on to the next such row; false when none is left.
    bool advance();
    // The 1-based place of the row under way; 0 before the first.
    int current() const { return current_; }

private:
    void removed(int first, int last);

    int current_ = 0;
    int last_;
};

}  // namespace brindlemoor::convert
