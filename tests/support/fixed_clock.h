#pragma once

#include "core/date_time.h"

// A clock that always reads the same moment, so that dates without a year are predictable.
class FixedClock final : public Clock {
public:
    explicit FixedClock(DateTime now) : now_(now) {}
    DateTime Now() const override { return now_; }

private:
    DateTime now_;
};
