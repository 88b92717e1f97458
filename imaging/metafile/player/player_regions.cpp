// The player's clip and regions: clip shapes combined by mode, region objects made into
// output areas, and regions painted, inverted and framed.
#include "imaging/metafile/player/player.h"

#include <cmath>
#include <memory>

namespace zv::imaging::metafile {
namespace {

// Clip shapes are intersected one by one and copied by every SaveDC; a file asking for more
// than this many gets the first ones only.
constexpr size_t kMaxClipShapes = 64;
constexpr uint8_t kRopDestInvert = 0x55;
// Rectangle tests all the frames of one picture may take.
constexpr uint64_t kMaxFrameWork = 200'000'000;

Path Complement(const Path& output)
{
    const double far = kMaxOutputCoordinate;
    Path path = RectanglePath({-far, -far, far, far});
    path.Append(output);
    return path;
}

} // namespace

void Player::CombineClip(const std::shared_ptr<const Path>& output, bool evenOdd, uint32_t mode)
{
    std::vector<ClipShape>& clip = dc_.MutableState().clip;
    if (mode != kRegionCopy && clip.size() >= kMaxClipShapes) {
        return;
    }
    switch (mode) {
    case kRegionCopy:
        clip.clear();
        clip.push_back({output, evenOdd});
        break;
    case kRegionAnd:
        clip.push_back({output, evenOdd});
        break;
    case kRegionDiff:
        clip.push_back({std::make_shared<const Path>(Complement(*output)), true});
        break;
    case kRegionOr:
        clip.push_back({output, evenOdd, ClipCombine::Or});
        break;
    case kRegionXor:
        clip.push_back({output, evenOdd, ClipCombine::Xor});
        break;
    default:
        break;  // an unknown mode leaves the clip as it was
    }
}

void Player::SelectClipPath(uint32_t mode)
{
    if (!inPath_) {
        CombineClip(std::make_shared<const Path>(closedPath_), !dc_.State().windingFill, mode);
    }
    closedPath_.Clear();
}

void Player::IntersectClipRect(const Rect& rect)
{
    CombineClip(std::make_shared<const Path>(RectanglePath(rect.Normalized()).Transformed(dc_.LogicalToOutput())),
                false, kRegionAnd);
}

void Player::ExcludeClipRect(const Rect& rect)
{
    CombineClip(std::make_shared<const Path>(RectanglePath(rect.Normalized()).Transformed(dc_.LogicalToOutput())),
                false, kRegionDiff);
}

namespace {

// The rectangles, normalized, through a map that keeps axes apart (page and device maps).
Region RectsToRegion(const std::vector<Rect>& rects, const Affine& toOutput)
{
    Region region;
    if (rects.empty()) {
        return region;
    }
    Path area;
    for (const Rect& rect : rects) {
        const Rect normal = rect.Normalized();
        AddRectangle(&area, normal);
        const Point a = ClampToOutput(toOutput.Apply({normal.left, normal.top}));
        const Point b = ClampToOutput(toOutput.Apply({normal.right, normal.bottom}));
        region.rects.push_back(Rect{a.x, a.y, b.x, b.y}.Normalized());
    }
    region.area = std::make_shared<const Path>(area.Transformed(toOutput));
    return region;
}

} // namespace

Region Player::DeviceRegion(const std::vector<Rect>& deviceRects) const
{
    return RectsToRegion(deviceRects, dc_.Setup().deviceToOutput);
}

Region Player::LogicalRegion(const std::vector<Rect>& logicalRects) const
{
    return RectsToRegion(logicalRects, dc_.PageToOutput());
}

void Player::SelectClipArea(const std::shared_ptr<const Path>& area, uint32_t mode)
{
    if (area == nullptr) {
        if (mode == kRegionCopy) {
            dc_.MutableState().clip.clear();
        }
        return;
    }
    CombineClip(area, false, mode);
}

void Player::PaintArea(const std::shared_ptr<const Path>& area, const Brush& brush)
{
    if (area == nullptr || inPath_ || canvas_.Exhausted()) {
        return;
    }
    FillStyle style = CurrentFill();
    style.brush = brush;
    style.evenOdd = false;  // the rectangles of a region never overlap
    FillOutput(*area, style);
}

void Player::InvertArea(const std::shared_ptr<const Path>& area)
{
    if (area == nullptr || inPath_ || canvas_.Exhausted()) {
        return;
    }
    ImageDraw image;
    image.outline = *area;
    image.rop = kRopDestInvert;
    canvas_.SetClip(dc_.State().clip);
    canvas_.DrawImage(image);
}

void Player::OffsetClip(Point logicalDelta)
{
    const Affine toOutput = dc_.LogicalToOutput();
    const Point origin = toOutput.Apply({0, 0});
    const Point moved = toOutput.Apply(logicalDelta);
    const Point shift = ClampToOutput({moved.x - origin.x, moved.y - origin.y});
    for (ClipShape& shape : dc_.MutableState().clip) {
        shape.offset = ClampToOutput({shape.offset.x + shift.x, shape.offset.y + shift.y});
    }
}

void Player::FrameRegion(const Region& region, const Brush& brush, double width, double height)
{
    if (region.rects.empty() || inPath_ || canvas_.Exhausted()) {
        return;
    }
    // Framing costs bands times rectangles; a file framing huge regions again and again gets
    // its frames up to the budget.
    const uint64_t work = RegionFrameWork(region.rects);
    if (work > kMaxFrameWork - frameWork_) {
        return;
    }
    frameWork_ += work;
    const Affine& toOutput = dc_.Setup().deviceToOutput;
    const std::vector<Rect> frame =
        RegionFrame(region.rects, std::fabs(width) * toOutput.ScaleX(), std::fabs(height) * toOutput.ScaleY());
    if (frame.empty()) {
        return;
    }
    Path area;
    for (const Rect& rect : frame) {
        AddRectangle(&area, rect);
    }
    PaintArea(std::make_shared<const Path>(area), brush);
}


} // namespace zv::imaging::metafile
