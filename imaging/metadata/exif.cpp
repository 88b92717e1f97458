#include "imaging/metadata/exif.h"

#include <cstdarg>
#include <cstring>

#include <libexif/exif-data.h>
#include <libexif/exif-log.h>
#include <libexif/exif-mem.h>

namespace zv::imaging {
namespace {

constexpr uint8_t kExifHeader[6] = {'E', 'x', 'i', 'f', 0, 0};

// libexif's objects for one block, all made and released by one call.
class ExifSession {
public:
    ExifSession() : mem_(exif_mem_new_default()), log_(exif_log_new_mem(mem_))
    {
        if (mem_ != nullptr) {
            data_ = exif_data_new_mem(mem_);
        }
        if (data_ != nullptr && log_ != nullptr) {
            exif_log_set_func(log_, OnLog, &corrupt_);
            exif_data_log(data_, log_);
            // Load what the block says and nothing more: no entries added to "fix" it, unknown
            // tags and the maker note kept as they are for rewriting.
            exif_data_unset_option(data_, EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
            exif_data_unset_option(data_, EXIF_DATA_OPTION_IGNORE_UNKNOWN_TAGS);
            exif_data_set_option(data_, EXIF_DATA_OPTION_DONT_CHANGE_MAKER_NOTE);
        }
    }
    ~ExifSession()
    {
        exif_data_unref(data_);
        exif_log_unref(log_);
        exif_mem_unref(mem_);
    }
    ExifSession(const ExifSession&) = delete;
    ExifSession& operator=(const ExifSession&) = delete;

    // Loads a block; false when it is refused.
    bool Load(const std::vector<uint8_t>& block)
    {
        if (data_ == nullptr || log_ == nullptr || !ExifStructureIsSound(block.data(), block.size())) {
            return false;
        }
        std::vector<uint8_t> bytes(kExifHeader, kExifHeader + sizeof kExifHeader);
        bytes.insert(bytes.end(), block.begin(), block.end());
        exif_data_load_data(data_, bytes.data(), static_cast<unsigned int>(bytes.size()));
        return !corrupt_ && data_->ifd[EXIF_IFD_0] != nullptr && data_->ifd[EXIF_IFD_0]->count > 0;
    }

    ExifData* data() const { return data_; }
    ExifMem* mem() const { return mem_; }
    ExifEntry* Entry(ExifIfd ifd, ExifTag tag) const
    {
        return data_->ifd[ifd] != nullptr ? exif_content_get_entry(data_->ifd[ifd], tag) : nullptr;
    }
    ExifByteOrder Order() const { return exif_data_get_byte_order(data_); }

private:
    static void OnLog(ExifLog*, ExifLogCode code, const char*, const char*, va_list, void* corrupt)
    {
        if (code == EXIF_LOG_CODE_CORRUPT_DATA || code == EXIF_LOG_CODE_NO_MEMORY) {
            *static_cast<bool*>(corrupt) = true;
        }
    }

    ExifMem* mem_;
    ExifLog* log_;
    ExifData* data_ = nullptr;
    bool corrupt_ = false;
};

// An ASCII entry's text, up to its first NUL, without trailing blanks.
std::string Text(const ExifEntry* entry)
{
    if (entry == nullptr || entry->format != EXIF_FORMAT_ASCII || entry->data == nullptr) {
        return {};
    }
    const auto* text = reinterpret_cast<const char*>(entry->data);
    std::string value(text, strnlen(text, entry->size));
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) {
        value.pop_back();
    }
    return value;
}

// Sets a SHORT or LONG entry; a SHORT that cannot hold the value becomes a LONG.
void SetPixelDimension(const ExifSession& session, ExifTag tag, uint32_t value)
{
    ExifEntry* entry = session.Entry(EXIF_IFD_EXIF, tag);
    if (entry == nullptr) {
        return;  // not added: an output without it says nothing wrong
    }
    if (entry->format == EXIF_FORMAT_SHORT && entry->size >= 2 && value <= 0xFFFF) {
        exif_set_short(entry->data, session.Order(), static_cast<ExifShort>(value));
        return;
    }
    if (entry->format == EXIF_FORMAT_LONG && entry->size >= 4) {
        exif_set_long(entry->data, session.Order(), value);
        return;
    }
    ExifContent* content = session.data()->ifd[EXIF_IFD_EXIF];
    exif_content_remove_entry(content, entry);
    ExifEntry* replacement = exif_entry_new_mem(session.mem());
    if (replacement == nullptr) {
        return;
    }
    exif_content_add_entry(content, replacement);
    exif_entry_initialize(replacement, tag);  // LONG, one component
    if (replacement->format == EXIF_FORMAT_LONG && replacement->size >= 4) {
        exif_set_long(replacement->data, session.Order(), value);
    }
    exif_entry_unref(replacement);
}

} // namespace

std::optional<ExifFacts> ReadExif(const std::vector<uint8_t>& block)
{
    ExifSession session;
    if (!session.Load(block)) {
        return std::nullopt;
    }
    ExifFacts facts;
    const ExifEntry* orientation = session.Entry(EXIF_IFD_0, EXIF_TAG_ORIENTATION);
    if (orientation != nullptr && orientation->format == EXIF_FORMAT_SHORT && orientation->size >= 2) {
        facts.orientation = exif_get_short(orientation->data, session.Order());
    }
    facts.dateTaken = Text(session.Entry(EXIF_IFD_EXIF, EXIF_TAG_DATE_TIME_ORIGINAL));
    if (facts.dateTaken.empty()) {
        facts.dateTaken = Text(session.Entry(EXIF_IFD_0, EXIF_TAG_DATE_TIME));
    }
    facts.make = Text(session.Entry(EXIF_IFD_0, EXIF_TAG_MAKE));
    facts.model = Text(session.Entry(EXIF_IFD_0, EXIF_TAG_MODEL));
    return facts;
}

std::optional<std::vector<uint8_t>> ExifForOutput(const std::vector<uint8_t>& block, uint32_t width, uint32_t height)
{
    ExifSession session;
    if (!session.Load(block)) {
        return std::nullopt;
    }
    ExifData* data = session.data();
    if (ExifEntry* orientation = session.Entry(EXIF_IFD_0, EXIF_TAG_ORIENTATION);
        orientation != nullptr && orientation->format == EXIF_FORMAT_SHORT && orientation->size >= 2) {
        exif_set_short(orientation->data, session.Order(), 1);
    }
    SetPixelDimension(session, EXIF_TAG_PIXEL_X_DIMENSION, width);
    SetPixelDimension(session, EXIF_TAG_PIXEL_Y_DIMENSION, height);
    // The thumbnail shows the stored pixels, not the upright ones: its bytes and the directory
    // that describes it go.
    exif_mem_free(session.mem(), data->data);
    data->data = nullptr;
    data->size = 0;
    ExifContent* ifd1 = data->ifd[EXIF_IFD_1];
    while (ifd1 != nullptr && ifd1->count > 0) {
        exif_content_remove_entry(ifd1, ifd1->entries[ifd1->count - 1]);
    }
    unsigned char* saved = nullptr;
    unsigned int savedSize = 0;
    exif_data_save_data(data, &saved, &savedSize);
    std::optional<std::vector<uint8_t>> result;
    if (saved != nullptr && savedSize > sizeof kExifHeader &&
        std::memcmp(saved, kExifHeader, sizeof kExifHeader) == 0) {
        result.emplace(saved + sizeof kExifHeader, saved + savedSize);
    }
    exif_mem_free(session.mem(), saved);
    return result;
}

} // namespace zv::imaging
