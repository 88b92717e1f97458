// The frame and the output size of a metafile, shared by every drawing backend.
//
// The picture's frame is the part of the metafile's device space that becomes the output
// image, stretched to the size asked for:
//   - placeable WMF: the header's bounding box. Device units are the box's units; the
//     metafile's window is mapped onto the box, as a player that honours the header does.
//   - plain WMF: the window set by the first SetWindowExt (with the first SetWindowOrg), or,
//     when the file sets none, the bounds of everything it draws.
//   - EMF: the header's frame (hundredths of a millimetre, converted to the reference
//     device's units), or its device bounds when the frame is empty.
//
// Size rule when a wanted width or height is 0 or negative: the picture's natural size at
// 96 pixels per inch —
//   - placeable WMF: bounding box / units-per-inch x 96 (a missing units-per-inch counts 96);
//   - EMF: frame in millimetres / 25.4 x 96 (device bounds converted the same way);
//   - plain WMF: the window extent or the drawing's bounds, one logical unit per pixel.
// When only one side is given, the other follows from the frame's aspect ratio. A derived
// side is at most 16384 pixels, and a fully derived size is scaled down, keeping its aspect,
// to at most 16 megapixels and until the image fits the allocation limit: a header can claim
// any frame for free, so what a file asks for by itself stays cheap to render. Sides asked for explicitly are honoured as they
// are (at most 32767, the drawing surface's limit).
#include "imaging/metafile/picture.h"

#include "imaging/metafile/drawing/canvas.h"
#include "imaging/metafile/records/formats/emf.h"
#include "imaging/metafile/player/player.h"
#include "imaging/metafile/drawing/text.h"
#include "imaging/metafile/records/formats/wmf.h"
#include "platform/memory.h"

#include <algorithm>
#include <cmath>

namespace zv::imaging::metafile {
namespace {

constexpr double kScreenDpi = 96;
constexpr double kMmPerInch = 25.4;
constexpr int64_t kMaxDerivedSide = 16384;
constexpr double kMaxDerivedPixels = 16.0 * 1024 * 1024;
constexpr int64_t kMaxSide = 32767;
constexpr uint64_t kSurfaceBytesPerPixel = 4;

// Window and viewport both cover the frame, so that logical units start out as device units
// and a metafile that sets only its window maps that window onto the frame.
void FrameWindowAndViewport(Picture* picture)
{
    const Rect& f = picture->frame;
    picture->initial.windowOrg = {f.left, f.top};
    picture->initial.windowExt = {f.Width(), f.Height()};
    picture->initial.viewportOrg = {f.left, f.top};
    picture->initial.viewportExt = {f.Width(), f.Height()};
}

void DescribeEmf(Picture* picture)
{
    const EmfInfo& emf = picture->emf;
    picture->kind = PictureKind::Emf;
    picture->unitsPerMmX = emf.deviceUnitsPerMmX;
    picture->unitsPerMmY = emf.deviceUnitsPerMmY;
    const Rect frame = emf.frame.Normalized();
    if (!frame.IsEmpty()) {
        picture->frame = {frame.left / 100 * emf.deviceUnitsPerMmX, frame.top / 100 * emf.deviceUnitsPerMmY,
                          frame.right / 100 * emf.deviceUnitsPerMmX,
                          frame.bottom / 100 * emf.deviceUnitsPerMmY};
        picture->naturalWidth = frame.Width() / 100 / kMmPerInch * kScreenDpi;
        picture->naturalHeight = frame.Height() / 100 / kMmPerInch * kScreenDpi;
        picture->hasFrame = true;
        return;
    }
    const Rect bounds = emf.bounds.Normalized();
    const Rect inclusive{bounds.left, bounds.top, bounds.right + 1, bounds.bottom + 1};
    if (!inclusive.IsEmpty()) {
        picture->frame = inclusive;
        picture->naturalWidth = inclusive.Width() / emf.deviceUnitsPerMmX / kMmPerInch * kScreenDpi;
        picture->naturalHeight = inclusive.Height() / emf.deviceUnitsPerMmY / kMmPerInch * kScreenDpi;
        picture->hasFrame = true;
    }
}

void DescribeWmf(Picture* picture)
{
    const WmfInfo& wmf = picture->wmf;
    picture->kind = wmf.placeable ? PictureKind::PlaceableWmf : PictureKind::Wmf;
    const Rect box = wmf.boundingBox.Normalized();
    Rect window;
    if (wmf.placeable && !box.IsEmpty()) {
        const double unitsPerInch = wmf.unitsPerInch > 0 ? wmf.unitsPerInch : kScreenDpi;
        picture->frame = box;
        picture->naturalWidth = box.Width() / unitsPerInch * kScreenDpi;
        picture->naturalHeight = box.Height() / unitsPerInch * kScreenDpi;
        picture->unitsPerMmX = unitsPerInch / kMmPerInch;
        picture->unitsPerMmY = unitsPerInch / kMmPerInch;
        picture->hasFrame = true;
    } else if (FindWmfWindow(picture->data, picture->size, wmf, &window)) {
        picture->frame = window.Normalized();
        picture->naturalWidth = picture->frame.Width();
        picture->naturalHeight = picture->frame.Height();
        picture->hasFrame = true;
    }
    if (picture->hasFrame) {
        FrameWindowAndViewport(picture);
    }
}

// False when the data is not a metafile.
bool DescribeHeaders(const uint8_t* data, size_t size, Picture* picture)
{
    picture->data = data;
    picture->size = size;
    if (ReadEmfInfo(data, size, &picture->emf)) {
        DescribeEmf(picture);
        return true;
    }
    if (ReadWmfInfo(data, size, &picture->wmf)) {
        DescribeWmf(picture);
        return true;
    }
    return false;
}

bool Play(const Picture& picture, const DeviceSetup& setup, Canvas& canvas)
{
    DeviceContext dc(setup);
    FontResolver fonts;
    Player player(dc, canvas, fonts);
    return picture.kind == PictureKind::Emf ? PlayEmf(picture.data, picture.size, picture.emf, player)
                                     : PlayWmf(picture.data, picture.size, picture.wmf, player);
}

DeviceSetup SetupFor(const Picture& picture, const Affine& deviceToOutput)
{
    DeviceSetup setup;
    setup.deviceToOutput = deviceToOutput;
    setup.deviceUnitsPerMmX = picture.unitsPerMmX;
    setup.deviceUnitsPerMmY = picture.unitsPerMmY;
    setup.initial = picture.initial;
    setup.oldStyleBoxes = picture.kind != PictureKind::Emf;
    return setup;
}

// For a picture without a stated frame: plays it once to find where it draws. False when a
// record is malformed.
bool MeasureDrawing(Picture* picture)
{
    BoundsCanvas bounds;
    if (!Play(*picture, SetupFor(*picture, Affine{}), bounds)) {
        return false;
    }
    Rect frame{0, 0, 1, 1};
    if (bounds.HasBounds()) {
        frame = bounds.Bounds();
        // A drawing that is a single line still needs an area.
        frame.right = std::max(frame.right, frame.left + 1);
        frame.bottom = std::max(frame.bottom, frame.top + 1);
    }
    picture->frame = frame;
    picture->naturalWidth = frame.Width();
    picture->naturalHeight = frame.Height();
    picture->hasFrame = true;
    return true;
}

int64_t RoundedSide(double value, int64_t limit)
{
    if (!std::isfinite(value)) {
        return limit;
    }
    return std::clamp<int64_t>(std::llround(std::min(value, static_cast<double>(limit))), 1, limit);
}

// Scales a derived size down, keeping its aspect, until the surface fits the allocation limit.
void FitAllocationLimit(OutputSize* size)
{
    const double bytes = static_cast<double>(size->width) * static_cast<double>(size->height) *
                         kSurfaceBytesPerPixel;
    const double limit = static_cast<double>(platform::AllocationLimit());
    if (bytes <= limit) {
        return;
    }
    const double shrink = std::sqrt(limit / bytes);
    size->width = std::max<int64_t>(1, static_cast<int64_t>(std::floor(size->width * shrink)));
    size->height = std::max<int64_t>(1, static_cast<int64_t>(std::floor(size->height * shrink)));
}

} // namespace

OutputSize DeriveSize(const Picture& picture, int32_t wantedWidth, int32_t wantedHeight)
{
    const double naturalWidth = std::max(picture.naturalWidth, 1e-9);
    const double naturalHeight = std::max(picture.naturalHeight, 1e-9);
    const double aspect = naturalHeight / naturalWidth;
    OutputSize size;
    if (wantedWidth > 0 && wantedHeight > 0) {
        size = {wantedWidth, wantedHeight};
    } else if (wantedWidth > 0) {
        size = {wantedWidth, RoundedSide(wantedWidth * aspect, kMaxDerivedSide)};
    } else if (wantedHeight > 0) {
        size = {RoundedSide(wantedHeight / aspect, kMaxDerivedSide), wantedHeight};
    } else {
        double width = naturalWidth;
        double height = naturalHeight;
        const double largest = std::max(width, height);
        if (largest > kMaxDerivedSide) {
            width *= kMaxDerivedSide / largest;
            height *= kMaxDerivedSide / largest;
        }
        if (width * height > kMaxDerivedPixels) {
            const double shrink = std::sqrt(kMaxDerivedPixels / (width * height));
            width = std::max(1.0, std::floor(width * shrink));  // down, so the bound holds
            height = std::max(1.0, std::floor(height * shrink));
        }
        size = {RoundedSide(width, kMaxDerivedSide), RoundedSide(height, kMaxDerivedSide)};
        FitAllocationLimit(&size);
    }
    return size;
}

bool DescribePicture(const uint8_t* data, size_t size, Picture* picture)
{
    if (!DescribeHeaders(data, size, picture)) {
        return false;
    }
    return picture->hasFrame || MeasureDrawing(picture);
}

bool SizeAllowed(OutputSize size)
{
    uint64_t surfaceBytes = 0;
    return size.width <= kMaxSide && size.height <= kMaxSide &&
           platform::CheckedProduct(static_cast<uint64_t>(size.width),
                                    static_cast<uint64_t>(size.height), kSurfaceBytesPerPixel,
                                    &surfaceBytes) &&
           platform::FitsAllocationLimit(surfaceBytes);
}

PictureJob JobFor(const Picture& picture, OutputSize size)
{
    PictureJob job;
    job.kind = picture.kind;
    job.data = picture.data;
    job.size = picture.size;
    job.frameWidthHmm = picture.naturalWidth / kScreenDpi * kMmPerInch * 100;
    job.frameHeightHmm = picture.naturalHeight / kScreenDpi * kMmPerInch * 100;
    job.width = static_cast<int>(size.width);
    job.height = static_cast<int>(size.height);
    const Rect& frame = picture.frame;
    job.frameLeft = frame.left;
    job.frameTop = frame.top;
    job.frameWidth = frame.Width();
    job.frameHeight = frame.Height();
    const Affine deviceToOutput = Affine::Translation(-frame.left, -frame.top)
                                      .Then(Affine::Scaling(size.width / frame.Width(),
                                                            size.height / frame.Height()));
    job.play = [&picture, deviceToOutput](Canvas& canvas) {
        return Play(picture, SetupFor(picture, deviceToOutput), canvas);
    };
    job.check = [&picture, deviceToOutput] {
        BoundsCanvas nowhere;
        return Play(picture, SetupFor(picture, deviceToOutput), nowhere);
    };
    return job;
}

} // namespace zv::imaging::metafile
