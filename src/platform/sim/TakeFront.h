#pragma once

#include <deque>
#include <stdexcept>
#include <string>

namespace corv::sim {

// Pops the oldest entry of a log. An empty log is a test's mistake: it throws
// rather than reading past the end.
template <class T>
T takeFront(std::deque<T>& log, const char* what) {
    if (log.empty()) throw std::logic_error(std::string("nothing left in ") + what);
    T entry = std::move(log.front());
    log.pop_front();
    return entry;
}

} // namespace corv::sim
