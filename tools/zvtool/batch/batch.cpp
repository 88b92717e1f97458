#include "batch.h"

#include "convert.h"
#include "in_order.h"
#include "inputs.h"
#include "interruption.h"
#include "progress.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <thread>
#include <utility>
#include <unistd.h>

namespace zvtool {
namespace {

// The files of one run (the shard's share of the list) converted by a pool of workers. Each
// worker takes the next file in list order; results take effect in list order (InOrder).
class ParallelBatch {
public:
    ParallelBatch(const BatchOptions& options, const std::string& folder, const std::vector<std::string>& files,
                  std::vector<size_t> positions, Progress* progress, BatchSummary* summary)
        : options_(options), folder_(folder), files_(files), positions_(std::move(positions)), progress_(progress),
          summary_(summary)
    {
    }

    void Run()
    {
        const size_t workers = std::clamp<size_t>(options_.jobs, 1, std::max<size_t>(positions_.size(), 1));
        {
            std::vector<std::jthread> pool;
            for (size_t i = 0; i < workers; ++i) {
                pool.emplace_back([this] { Work(); });
            }
        }
        const size_t started = std::min(nextSlot_.load(), positions_.size());
        summary_->notStarted = positions_.size() - started;
    }

private:
    void Work()
    {
        while (!StopRequested()) {
            const size_t slot = nextSlot_.fetch_add(1);
            if (slot >= positions_.size()) {
                return;
            }
            Convert(slot);
        }
    }

    // Counter A comes from the file's place in the whole list, never from the order in which
    // files finish, so every run and every shard names a file alike. Past INT32_MAX it wraps
    // around to INT32_MIN rather than overflowing.
    Counters CountersAt(size_t position) const
    {
        Counters counters = options_.counters;
        counters.values[0] = static_cast<int32_t>(static_cast<uint32_t>(counters.values[0]) +
                                                  static_cast<uint32_t>(position));
        return counters;
    }

    void Convert(size_t slot)
    {
        const size_t position = positions_[slot];
        const std::string& input = files_[position];
        const std::string suffix = ".part-" + std::to_string(getpid()) + "-" + std::to_string(position);
        std::string error;
        std::optional<PreparedFile> prepared;
        try {
            prepared = PrepareFile(input, folder_, options_, CountersAt(position), suffix, &error);
        } catch (const std::exception& failure) {
            error = failure.what();
        }
        order_.Run(slot, [&] {
            if (prepared && CommitFile(*prepared, options_.overwrite, &error)) {
                progress_->Succeeded(input, prepared->target);
                ++summary_->converted;
            } else {
                progress_->Failed(input, error);
                ++summary_->failed;
            }
        });
    }

    const BatchOptions& options_;
    const std::string& folder_;
    const std::vector<std::string>& files_;
    const std::vector<size_t> positions_;
    Progress* progress_;       // used under order_'s lock only
    BatchSummary* summary_;    // likewise
    std::atomic<size_t> nextSlot_{0};
    InOrder order_;
};

void PrintSummary(const BatchSummary& summary, const std::string& folder, FILE* stream)
{
    std::fprintf(stream, "%zu converted, %zu failed, into %s\n", summary.converted, summary.failed, folder.c_str());
    if (summary.interrupted) {
        std::fprintf(stream, "interrupted: %zu files not started\n", summary.notStarted);
    }
}

} // namespace

BatchSummary RunBatch(const BatchOptions& options, FILE* progressStream, FILE* summaryStream)
{
    BatchSummary summary;
    const InputList inputs = ExpandInputs(options.inputs);
    std::string error;
    const std::optional<std::string> folder = PrepareOutputFolder(options.outputFolder, &error);
    std::vector<size_t> positions = PositionsOfShard(inputs.files.size(), options.shard);
    Progress progress(progressStream, positions.size() + inputs.missing.size());
    for (const std::string& missing : inputs.missing) {
        progress.Failed(missing, "no such file or folder");
        ++summary.failed;
    }
    if (!folder) {
        progress.Finish();
        std::fprintf(summaryStream, "zvtool: %s\n", error.c_str());
        summary.failed += positions.size();
        return summary;
    }
    ParallelBatch run(options, *folder, inputs.files, std::move(positions), &progress, &summary);
    run.Run();
    summary.interrupted = StopRequested();
    progress.Finish();
    PrintSummary(summary, *folder, summaryStream);
    return summary;
}

} // namespace zvtool
