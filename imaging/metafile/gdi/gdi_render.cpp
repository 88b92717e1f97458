// Renders through the system's own metafile player: the picture is played into a 32-bit DIB
// section painted white. Enhanced metafiles are played as they are; old-style ones are first
// converted by the system, with a picture description that gives their frame's size, so that
// one player stretches every kind onto the output.
#include "imaging/metafile/render.h"

#include "imaging/metafile/gdi/system_guard.h"
#include "imaging/metafile/records/records.h"
#include "imaging/metafile/records/formats/wmf.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace zv::imaging::metafile {
namespace {

constexpr size_t kPlaceableHeaderBytes = 22;
constexpr size_t kEmfStatedBytesAt = 48;
constexpr size_t kWmfStatedWordsAt = 6;

struct EnhMetafileCloser {
    void operator()(HENHMETAFILE handle) const { DeleteEnhMetaFile(handle); }
};
using EnhMetafile = std::unique_ptr<std::remove_pointer_t<HENHMETAFILE>, EnhMetafileCloser>;

struct MetafileCloser {
    void operator()(HMETAFILE handle) const { DeleteMetaFile(handle); }
};
using OldMetafile = std::unique_ptr<std::remove_pointer_t<HMETAFILE>, MetafileCloser>;

struct DcCloser {
    void operator()(HDC dc) const { DeleteDC(dc); }
};
using MemoryDc = std::unique_ptr<std::remove_pointer_t<HDC>, DcCloser>;

struct BitmapCloser {
    void operator()(HBITMAP bitmap) const { DeleteObject(bitmap); }
};
using DibSection = std::unique_ptr<std::remove_pointer_t<HBITMAP>, BitmapCloser>;

LONG Hundredths(double value)
{
    return static_cast<LONG>(value < 1 ? 1 : value + 0.5);
}

const uint8_t* OldStyleRecords(const PictureJob& job, UINT* size)
{
    const size_t skip = job.kind == PictureKind::PlaceableWmf ? kPlaceableHeaderBytes : 0;
    if (job.size <= skip || job.size - skip > 0xFFFFFFFFu) {
        return nullptr;
    }
    *size = static_cast<UINT>(job.size - skip);
    return job.data + skip;
}

// Old-style records handed to the system's converter, described as an anisotropic picture of
// the frame's size: its own window then maps onto that frame.
EnhMetafile ConvertedWmf(const PictureJob& job)
{
    UINT size = 0;
    const uint8_t* records = OldStyleRecords(job, &size);
    if (records == nullptr) {
        return nullptr;
    }
    METAFILEPICT picture{};
    picture.mm = MM_ANISOTROPIC;
    picture.xExt = Hundredths(job.frameWidthHmm);
    picture.yExt = Hundredths(job.frameHeightHmm);
    return EnhMetafile(SetWinMetaFileBits(size, records, nullptr, &picture));
}

// Some old-style files the converter refuses (bitmaps with run lengths, for one) the
// old-style player still draws: the frame is mapped onto the output as the window the
// records then refine.
bool PlayOldStyle(const PictureJob& job, HDC dc)
{
    UINT size = 0;
    const uint8_t* records = OldStyleRecords(job, &size);
    const OldMetafile metafile(records != nullptr ? SetMetaFileBitsEx(size, records) : nullptr);
    if (metafile == nullptr) {
        return false;
    }
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowOrgEx(dc, static_cast<int>(job.frameLeft), static_cast<int>(job.frameTop), nullptr);
    SetWindowExtEx(dc, static_cast<int>(job.frameWidth), static_cast<int>(job.frameHeight), nullptr);
    SetViewportOrgEx(dc, 0, 0, nullptr);
    SetViewportExtEx(dc, job.width, job.height, nullptr);
    return PlayMetaFile(dc, metafile.get()) != 0;
}

// An old-style file whose bitmap claims more rows than its record holds, or that selects an
// object slot past its object count, makes the system's converter read outside the record or
// the handle table (a page fault under Wine); such a file is refused.
bool OldStyleIsSafe(const PictureJob& job)
{
    UINT size = 0;
    const uint8_t* records = OldStyleRecords(job, &size);
    WmfInfo info;
    return records != nullptr && ReadWmfInfo(records, size, &info) &&
           WmfRecordsAreSafe(records, size, info.firstRecord);
}

int CALLBACK PlaySafeRecord(HDC dc, HANDLETABLE* handles, const ENHMETARECORD* record, int handleCount,
                            LPARAM)
{
    const auto* bytes = reinterpret_cast<const uint8_t*>(record);
    if (EmfRecordIsSafe(bytes, record->nSize, static_cast<uint32_t>(handleCount))) {
        PlayEnhMetaFileRecord(dc, handles, record, static_cast<UINT>(handleCount));
    }
    return 1;  // a record the system cannot draw does not stop the rest of the picture
}

uint32_t U32At(const uint8_t* data)
{
    return static_cast<uint32_t>(data[0]) | static_cast<uint32_t>(data[1]) << 8 |
           static_cast<uint32_t>(data[2]) << 16 | static_cast<uint32_t>(data[3]) << 24;
}

void SetU32At(uint8_t* data, uint32_t value)
{
    for (int i = 0; i < 4; ++i) {
        data[i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

// Where the walk of the records stops: after the end-of-file record, or at the end of the data.
size_t WalkedEnd(RecordWalker::Style style, const uint8_t* data, size_t size, size_t firstRecord)
{
    RecordWalker walker(style, data, size, firstRecord);
    for (;;) {
        Record record;
        const Step step = walker.Next(&record);
        if (step == Step::Corrupt) {
            return size;
        }
        if (step == Step::End) {
            return record.data != nullptr ? static_cast<size_t>(record.data - data) + record.size : size;
        }
    }
}

// A copy of the file whose header states the size the check walked: a file cut after a whole
// record still plays up to the cut, as it does in the reader's own player (the system refuses
// a header that claims more bytes than it gets), and nothing after the end-of-file record,
// which the check never saw, reaches the system.
bool CopyWithWalkedSize(const PictureJob& job, std::vector<uint8_t>* copy)
{
    const size_t skip = job.kind == PictureKind::PlaceableWmf ? kPlaceableHeaderBytes : 0;
    copy->assign(job.data, job.data + job.size);
    uint8_t* records = copy->data() + skip;
    const size_t size = copy->size() - skip;
    if (job.kind == PictureKind::Emf) {
        EmfInfo info;
        if (!ReadEmfInfo(records, size, &info) || size < kEmfStatedBytesAt + 4) {
            return false;
        }
        const size_t end = WalkedEnd(RecordWalker::Style::Emf, records, size, info.firstRecord);
        SetU32At(records + kEmfStatedBytesAt, static_cast<uint32_t>(std::min<size_t>(end, U32At(records + kEmfStatedBytesAt))));
        copy->resize(skip + end);
        return true;
    }
    WmfInfo info;
    if (!ReadWmfInfo(records, size, &info) || size < kWmfStatedWordsAt + 4) {
        return false;
    }
    const size_t end = WalkedEnd(RecordWalker::Style::Wmf, records, size, info.firstRecord);
    SetU32At(records + kWmfStatedWordsAt, static_cast<uint32_t>(end / 2));
    copy->resize(skip + end);
    return true;
}

// A plain old-style file that sets no window is framed by the bounds of its drawing, which
// need not start at its origin; the converter would put the origin at the frame's corner, so
// such a file is played with the frame mapped onto the output instead.
bool FramedByItsDrawing(const PictureJob& job)
{
    WmfInfo info;
    Rect window;
    return job.kind == PictureKind::Wmf && ReadWmfInfo(job.data, job.size, &info) &&
           !FindWmfWindow(job.data, job.size, info, &window);
}

EnhMetafile Load(const PictureJob& job)
{
    if (FramedByItsDrawing(job)) {
        return nullptr;
    }
    if (job.kind == PictureKind::Emf) {
        if (job.size > 0xFFFFFFFFu) {
            return nullptr;
        }
        return EnhMetafile(SetEnhMetaFileBits(static_cast<UINT>(job.size), job.data));
    }
    return ConvertedWmf(job);
}

DibSection WhiteDib(HDC dc, int width, int height, void** bits)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first, like the output
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    DibSection dib(CreateDIBSection(dc, &info, DIB_RGB_COLORS, bits, nullptr, 0));
    if (dib != nullptr && *bits != nullptr) {
        std::memset(*bits, 0xFF, static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    }
    return dib;
}

void CopyToRgb(const uint8_t* bgrx, int width, int height, uint8_t* rgb)
{
    const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
    for (size_t i = 0; i < pixels; ++i) {
        rgb[3 * i] = bgrx[4 * i + 2];
        rgb[3 * i + 1] = bgrx[4 * i + 1];
        rgb[3 * i + 2] = bgrx[4 * i];
    }
}

} // namespace

RenderOutcome RenderToRgb(const PictureJob& checkedJob, uint8_t* rgb)
{
    if (checkedJob.check && !checkedJob.check()) {
        return RenderOutcome::Malformed;
    }
    std::vector<uint8_t> bytes;
    if (checkedJob.size > 0xFFFFFFFFu || !CopyWithWalkedSize(checkedJob, &bytes)) {
        return RenderOutcome::Malformed;
    }
    PictureJob job = checkedJob;
    job.data = bytes.data();
    job.size = bytes.size();
    if (job.kind != PictureKind::Emf && !OldStyleIsSafe(job)) {
        return RenderOutcome::Malformed;
    }
    const EnhMetafile metafile = Load(job);
    if (metafile == nullptr && job.kind == PictureKind::Emf) {
        return RenderOutcome::Malformed;
    }
    const MemoryDc dc(CreateCompatibleDC(nullptr));
    if (dc == nullptr) {
        return RenderOutcome::OutOfMemory;
    }
    void* bits = nullptr;
    const DibSection dib = WhiteDib(dc.get(), job.width, job.height, &bits);
    if (dib == nullptr || bits == nullptr) {
        return RenderOutcome::OutOfMemory;
    }
    const HGDIOBJ previous = SelectObject(dc.get(), dib.get());
    const RECT target{0, 0, job.width, job.height};
    // A record the system's player cannot draw does not stop the rest of the picture; what
    // was drawn is kept, as the reader's own player does. Records it cannot take safely are
    // skipped before it sees them.
    if (metafile != nullptr) {
        EnumEnhMetaFile(dc.get(), metafile.get(), PlaySafeRecord, nullptr, &target);
    } else if (!PlayOldStyle(job, dc.get())) {
        SelectObject(dc.get(), previous);
        return RenderOutcome::Malformed;
    }
    GdiFlush();
    CopyToRgb(static_cast<const uint8_t*>(bits), job.width, job.height, rgb);
    SelectObject(dc.get(), previous);
    return RenderOutcome::Drawn;
}

} // namespace zv::imaging::metafile
