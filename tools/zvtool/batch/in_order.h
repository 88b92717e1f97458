// Lets work finished in any order take effect in the order of its positions.
#ifndef ZVTOOL_IN_ORDER_H
#define ZVTOOL_IN_ORDER_H

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>

namespace zvtool {

// Files convert in parallel, but each claims its output name and prints its line in the
// order of the input list, so that name clashes, "exists" refusals and the log come out as a
// run on one thread gives them. Every position from 0 up must be run exactly once, and the
// positions are taken in increasing order, so a waiting worker always waits for work in
// flight.
class InOrder {
public:
    // Waits until every earlier position has run, then runs `step` under the lock.
    void Run(size_t position, const std::function<void()>& step);

private:
    std::mutex mutex_;
    std::condition_variable turnChanged_;
    size_t next_ = 0;
};

} // namespace zvtool

#endif
