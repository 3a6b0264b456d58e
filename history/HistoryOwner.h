#pragma once

#include "history/HistoryItem.h"

namespace kestrova {

// What the history panel asks of the panel that owns it: to play one of its records, without
// a new request and without touching the history.
class HistoryOwner {
public:
    virtual void PlayFromHistory(HistoryItem item) = 0;

protected:
    ~HistoryOwner() = default;
};

} // namespace kestrova
