// JPEG's metadata markers through libjpeg: jpeg_read_header with APP1 (EXIF, XMP), APP2 (the
// ICC profile, which jpeg_read_icc_profile reassembles from its chunks) and APP13 (Photoshop
// resources holding IPTC) saved. No pixel is decoded.
//
// libjpeg reports fatal errors through a callback that must not return; we leave it with
// longjmp, so the function that calls setjmp keeps only trivially destructible locals, and the
// decompressor lives in a session owned by its caller.
#include "imaging/metadata/block_finders.h"

#include <algorithm>
#include <climits>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>

namespace zv::imaging {
namespace {

constexpr char kExifPrefix[] = "Exif\0";           // then a second NUL (or 0xFF in some files)
constexpr char kXmpPrefix[] = "http://ns.adobe.com/xap/1.0/";  // then a NUL
constexpr char kPhotoshopPrefix[] = "Photoshop 3.0";           // then a NUL

struct JpegErrors {
    jpeg_error_mgr base;  // first member: libjpeg only sees this part
    std::jmp_buf jump;
};

[[noreturn]] void OnError(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<JpegErrors*>(cinfo->err)->jump, 1);
}

void OnMessage(j_common_ptr, int) {}
void OnOutputMessage(j_common_ptr) {}

struct JpegSession {
    jpeg_decompress_struct cinfo{};  // zeroed, so destroying it is safe at any point
    JpegErrors errors{};
    JOCTET* icc = nullptr;            // malloc'ed by jpeg_read_icc_profile

    JpegSession() = default;
    JpegSession(const JpegSession&) = delete;
    JpegSession& operator=(const JpegSession&) = delete;
    ~JpegSession()
    {
        std::free(icc);
        jpeg_destroy_decompress(&cinfo);
    }
};

// The markers' bytes stay in libjpeg's pool until the session ends, so the header is read
// under setjmp here and the markers are copied out afterwards.
bool ReadMarkers(JpegSession& session, const IS40Source& source, unsigned* iccLength)
{
    j_decompress_ptr cinfo = &session.cinfo;
    cinfo->err = jpeg_std_error(&session.errors.base);
    session.errors.base.error_exit = OnError;
    session.errors.base.emit_message = OnMessage;
    session.errors.base.output_message = OnOutputMessage;
    if (setjmp(session.errors.jump) != 0) {
        return false;
    }
    jpeg_create_decompress(cinfo);
    cinfo->mem->max_memory_to_use = static_cast<long>(std::min<uint64_t>(platform::AllocationLimit(), LONG_MAX));
    for (int marker : {JPEG_APP0 + 1, JPEG_APP0 + 2, JPEG_APP0 + 13}) {
        jpeg_save_markers(cinfo, marker, 0xFFFF);
    }
    jpeg_mem_src(cinfo, source.data, static_cast<unsigned long>(source.size));
    jpeg_read_header(cinfo, TRUE);
    // A profile whose chunks are missing or numbered wrongly reads as absent.
    if (!jpeg_read_icc_profile(cinfo, &session.icc, iccLength)) {
        session.icc = nullptr;
    }
    return true;
}

bool StartsWith(const jpeg_marker_struct& marker, const char* prefix, size_t length)
{
    return marker.data_length >= length && std::memcmp(marker.data, prefix, length) == 0;
}

void Keep(FoundBlocks* found, int block, const uint8_t* data, size_t size)
{
    auto& slot = found->blocks[static_cast<size_t>(block)];
    if (!slot) {
        slot.emplace(data, data + size);
    }
}

} // namespace

void FindJpegBlocks(const IS40Source& source, FoundBlocks* found)
{
    JpegSession session;
    unsigned iccLength = 0;
    // A file damaged after its metadata still gives what libjpeg saved before the damage.
    ReadMarkers(session, source, &iccLength);
    for (jpeg_saved_marker_ptr marker = session.cinfo.marker_list; marker != nullptr; marker = marker->next) {
        if (marker->marker == JPEG_APP0 + 1 && StartsWith(*marker, kExifPrefix, 5) && marker->data_length >= 6) {
            Keep(found, kBlockExif, marker->data + 6, marker->data_length - 6);
        } else if (marker->marker == JPEG_APP0 + 1 && StartsWith(*marker, kXmpPrefix, sizeof kXmpPrefix)) {
            Keep(found, kBlockXmp, marker->data + sizeof kXmpPrefix, marker->data_length - sizeof kXmpPrefix);
        } else if (marker->marker == JPEG_APP0 + 13 && StartsWith(*marker, kPhotoshopPrefix, sizeof kPhotoshopPrefix)) {
            FindPhotoshopResources(marker->data + sizeof kPhotoshopPrefix, marker->data_length - sizeof kPhotoshopPrefix,
                                   false, found);
        }
    }
    if (session.icc != nullptr) {
        Keep(found, kBlockIcc, session.icc, iccLength);
    }
}

} // namespace zv::imaging
