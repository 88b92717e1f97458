#include "shard.h"

#include <cerrno>
#include <cstdlib>

namespace zvtool {
namespace {

std::optional<size_t> ParseCount(const std::string& text)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    errno = 0;
    const unsigned long long value = std::strtoull(text.c_str(), nullptr, 10);
    if (errno != 0 || value > 1000000) {
        return std::nullopt;
    }
    return static_cast<size_t>(value);
}

} // namespace

std::optional<Shard> ParseShard(const std::string& text)
{
    const size_t slash = text.find('/');
    if (slash == std::string::npos) {
        return std::nullopt;
    }
    const std::optional<size_t> index = ParseCount(text.substr(0, slash));
    const std::optional<size_t> count = ParseCount(text.substr(slash + 1));
    if (!index || !count || *count == 0 || *index >= *count) {
        return std::nullopt;
    }
    return Shard{*index, *count};
}

std::vector<size_t> PositionsOfShard(size_t total, const Shard& shard)
{
    std::vector<size_t> positions;
    for (size_t position = shard.index; position < total; position += shard.count) {
        positions.push_back(position);
    }
    return positions;
}

} // namespace zvtool
