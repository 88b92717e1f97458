#include "in_order.h"

namespace zvtool {

void InOrder::Run(size_t position, const std::function<void()>& step)
{
    std::unique_lock lock(mutex_);
    turnChanged_.wait(lock, [&] { return next_ == position; });
    step();
    ++next_;
    turnChanged_.notify_all();
}

} // namespace zvtool
