// PSD image resources, and the same resources in JPEG's APP13: a bounded walk over the
// resource list that stops at the first entry that does not fit.
#include "imaging/metadata/block_finders.h"

#include <cstring>

namespace zv::imaging {
namespace {

constexpr uint8_t kSignature[4] = {'8', 'B', 'P', 'S'};
constexpr uint8_t kResourceTag[4] = {'8', 'B', 'I', 'M'};
constexpr size_t kPsdHeaderBytes = 26;

void Keep(FoundBlocks* found, int block, const uint8_t* data, size_t size)
{
    auto& slot = found->blocks[static_cast<size_t>(block)];
    if (!slot && size <= kMaxBlockBytes) {
        slot.emplace(data, data + size);
    }
}

} // namespace

void FindPhotoshopResources(const uint8_t* data, size_t size, bool allBlocks, FoundBlocks* found)
{
    ByteReader reader(data, size);
    while (reader.remaining() >= 12) {
        uint8_t tag[4];
        uint16_t id = 0;
        uint8_t nameLength = 0;
        uint32_t length = 0;
        if (!reader.Bytes(tag, 4) || std::memcmp(tag, kResourceTag, 4) != 0 || !reader.U16BE(&id) ||
            !reader.U8(&nameLength)) {
            return;
        }
        // The name is a Pascal string whose length byte and text together take an even count.
        const uint64_t namePadding = (nameLength % 2 == 0) ? 1 : 0;
        if (!reader.Skip(uint64_t{nameLength} + namePadding) || !reader.U32BE(&length) || !reader.Has(length)) {
            return;
        }
        const uint8_t* payload = reader.current();
        switch (id) {
        case 0x0404:
            Keep(found, kBlockIptc, payload, length);
            break;
        case 0x040F:
        case 0x0422:
        case 0x0424:
            if (allBlocks) {
                Keep(found, id == 0x040F ? kBlockIcc : id == 0x0422 ? kBlockExif : kBlockXmp, payload, length);
            }
            break;
        default:
            break;
        }
        // The data is padded to an even length; the last resource may omit its padding.
        const uint64_t padded = uint64_t{length} + (length % 2);
        if (!reader.Skip(reader.Has(padded) ? padded : length)) {
            return;
        }
    }
}

void FindPsdBlocks(const IS40Source& source, FoundBlocks* found)
{
    ByteReader reader(source);
    uint8_t signature[4];
    uint32_t modeDataLength = 0;
    uint32_t resourcesLength = 0;
    if (!reader.Bytes(signature, 4) || std::memcmp(signature, kSignature, 4) != 0 || !reader.Seek(kPsdHeaderBytes) ||
        !reader.U32BE(&modeDataLength) || !reader.Skip(modeDataLength) || !reader.U32BE(&resourcesLength)) {
        return;
    }
    // A section that claims more than the file holds is read as far as the file goes.
    const size_t available = reader.Has(resourcesLength) ? resourcesLength : reader.remaining();
    FindPhotoshopResources(reader.current(), available, true, found);
}

} // namespace zv::imaging
