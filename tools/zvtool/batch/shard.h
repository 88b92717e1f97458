// Splitting the input list into deterministic shares for the tasks of a cluster job.
#ifndef ZVTOOL_SHARD_H
#define ZVTOOL_SHARD_H

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace zvtool {

// Share `index` of `count`, 0-based like Slurm's SLURM_ARRAY_TASK_ID and Kubernetes'
// JOB_COMPLETION_INDEX.
struct Shard {
    size_t index = 0;
    size_t count = 1;
};

std::optional<Shard> ParseShard(const std::string& text);  // "K/N" with 0 <= K < N

// The positions in a list of `total` files that belong to the shard: every count-th one from
// its index, so that neighbouring files, which tend to be alike, spread over all tasks.
std::vector<size_t> PositionsOfShard(size_t total, const Shard& shard);

} // namespace zvtool

#endif
