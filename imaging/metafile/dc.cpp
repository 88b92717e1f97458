#include "imaging/metafile/dc.h"

#include "platform/memory.h"

#include <cmath>
#include <utility>

namespace zv::imaging::metafile {
namespace {

// Deeper save stacks than this are not kept; a file needing more is broken or hostile.
constexpr size_t kMaxSavedStates = 1024;
// Old-style metafiles number objects in a 16-bit field.
constexpr size_t kMaxSlots = 65536;

// Millimetres per logical unit of the fixed mapping modes.
double MillimetresPerUnit(int mapMode)
{
    switch (mapMode) {
    case kMapLoMetric:
        return 0.1;
    case kMapHiMetric:
        return 0.01;
    case kMapLoEnglish:
        return 0.254;
    case kMapHiEnglish:
        return 0.0254;
    case kMapTwips:
        return 25.4 / 1440;
    default:
        return 0;
    }
}

bool UsableExtent(Point extent)
{
    return extent.x != 0 && extent.y != 0 && std::isfinite(extent.x) && std::isfinite(extent.y);
}

Brush SolidBrush(uint8_t grey)
{
    return Brush{BrushKind::Solid, Color{grey, grey, grey}, 0, nullptr};
}

uint64_t PatternBytes(const GdiObject& object)
{
    const auto* brush = std::get_if<Brush>(&object);
    if (brush == nullptr || brush->pattern == nullptr) {
        return 0;
    }
    return static_cast<uint64_t>(brush->pattern->pixels.size()) * sizeof(uint32_t);
}

} // namespace

DeviceContext::DeviceContext(const DeviceSetup& setup) : setup_(setup), state_(setup.initial) {}

Affine DeviceContext::PageTransform() const
{
    double sx = 1;
    double sy = 1;
    const double millimetres = MillimetresPerUnit(state_.mapMode);
    if (millimetres > 0) {
        sx = millimetres * setup_.deviceUnitsPerMmX;
        sy = -millimetres * setup_.deviceUnitsPerMmY;  // y grows upwards in these modes
    } else if (state_.mapMode == kMapIsotropic || state_.mapMode == kMapAnisotropic) {
        sx = state_.viewportExt.x / state_.windowExt.x;
        sy = state_.viewportExt.y / state_.windowExt.y;
        if (state_.mapMode == kMapIsotropic) {
            const double common = std::min(std::fabs(sx), std::fabs(sy));
            sx = std::copysign(common, sx);
            sy = std::copysign(common, sy);
        }
    }
    return {sx, 0, 0, sy, state_.viewportOrg.x - state_.windowOrg.x * sx,
            state_.viewportOrg.y - state_.windowOrg.y * sy};
}

Affine DeviceContext::PageToOutput() const
{
    return PageTransform().Then(setup_.deviceToOutput);
}

Affine DeviceContext::LogicalToOutput() const
{
    return state_.world.Then(PageToOutput());
}

void DeviceContext::SetMapMode(int mode)
{
    if (mode >= kMapText && mode <= kMapAnisotropic) {
        state_.mapMode = mode;
    }
}

void DeviceContext::SetWindowOrg(Point origin)
{
    state_.windowOrg = origin;
}

void DeviceContext::SetWindowExt(Point extent)
{
    if (UsableExtent(extent)) {
        state_.windowExt = extent;
    }
}

void DeviceContext::SetViewportOrg(Point origin)
{
    state_.viewportOrg = origin;
}

void DeviceContext::SetViewportExt(Point extent)
{
    if (UsableExtent(extent)) {
        state_.viewportExt = extent;
    }
}

void DeviceContext::OffsetWindowOrg(Point delta)
{
    state_.windowOrg.x += delta.x;
    state_.windowOrg.y += delta.y;
}

void DeviceContext::OffsetViewportOrg(Point delta)
{
    state_.viewportOrg.x += delta.x;
    state_.viewportOrg.y += delta.y;
}

void DeviceContext::ScaleWindowExt(double xNum, double xDenom, double yNum, double yDenom)
{
    if (xDenom != 0 && yDenom != 0) {
        SetWindowExt({state_.windowExt.x * xNum / xDenom, state_.windowExt.y * yNum / yDenom});
    }
}

void DeviceContext::ScaleViewportExt(double xNum, double xDenom, double yNum, double yDenom)
{
    if (xDenom != 0 && yDenom != 0) {
        SetViewportExt({state_.viewportExt.x * xNum / xDenom, state_.viewportExt.y * yNum / yDenom});
    }
}

void DeviceContext::SetWorldTransform(const Affine& transform)
{
    if (transform.IsFinite() && transform.Determinant() != 0) {
        state_.world = transform;
    }
}

void DeviceContext::ModifyWorldTransform(const Affine& transform, uint32_t mode)
{
    switch (mode) {
    case 1:
        state_.world = Affine{};
        break;
    case 2:
        SetWorldTransform(transform.Then(state_.world));
        break;
    case 3:
        SetWorldTransform(state_.world.Then(transform));
        break;
    case 4:
        SetWorldTransform(transform);
        break;
    default:
        break;
    }
}

void DeviceContext::Save()
{
    if (saved_.size() < kMaxSavedStates) {
        saved_.push_back(state_);
    }
}

bool DeviceContext::Restore(int level)
{
    const auto depth = static_cast<int64_t>(saved_.size());
    const int64_t target = level < 0 ? depth + level : static_cast<int64_t>(level) - 1;
    if (level == 0 || target < 0 || target >= depth) {
        return false;
    }
    state_ = std::move(saved_[static_cast<size_t>(target)]);
    saved_.resize(static_cast<size_t>(target));
    return true;
}

void DeviceContext::CreateObject(int64_t index, GdiObject object)
{
    if (index < 0) {
        size_t slot = 0;
        while (slot < usedSlots_.size() && usedSlots_[slot]) {
            ++slot;
        }
        if (slot >= kMaxSlots) {
            return;
        }
        if (slot == usedSlots_.size()) {
            usedSlots_.push_back(false);
        }
        usedSlots_[slot] = true;
        index = static_cast<int64_t>(slot);
    } else if (static_cast<uint64_t>(index) >= kMaxSlots) {
        return;
    }
    Forget(index);
    const uint64_t bytes = PatternBytes(object);
    if (bytes > 0 && !platform::FitsAllocationLimit(patternBytes_ + bytes)) {
        object = SolidBrush(128);
    } else {
        patternBytes_ += bytes;
    }
    objects_[index] = std::move(object);
}

void DeviceContext::Forget(int64_t index)
{
    const auto found = objects_.find(index);
    if (found != objects_.end()) {
        patternBytes_ -= PatternBytes(found->second);
        objects_.erase(found);
    }
}

void DeviceContext::SelectObject(int64_t index)
{
    const auto found = objects_.find(index);
    if (found == objects_.end()) {
        return;
    }
    if (const auto* pen = std::get_if<Pen>(&found->second)) {
        state_.pen = *pen;
    } else if (const auto* brush = std::get_if<Brush>(&found->second)) {
        state_.brush = *brush;
    } else if (const auto* font = std::get_if<Font>(&found->second)) {
        state_.font = *font;
    }
}

void DeviceContext::SelectStockObject(uint32_t stockIndex)
{
    switch (stockIndex) {
    case 0:
    case 18:
        state_.brush = SolidBrush(255);
        break;
    case 1:
        state_.brush = SolidBrush(0xC0);
        break;
    case 2:
        state_.brush = SolidBrush(0x80);
        break;
    case 3:
        state_.brush = SolidBrush(0x40);
        break;
    case 4:
        state_.brush = SolidBrush(0);
        break;
    case 5:
        state_.brush = Brush{BrushKind::Null, {}, 0, nullptr};
        break;
    case 6:
        state_.pen = Pen{kPenSolid, 0, Color{255, 255, 255}, {}};
        break;
    case 7:
    case 19:
        state_.pen = Pen{};
        break;
    case 8:
        state_.pen = Pen{kPenNull, 0, {}, {}};
        break;
    case 10:
    case 11:
    case 16:
        state_.font = Font{};
        state_.font.faceName = "monospace";
        break;
    case 12:
    case 13:
    case 14:
    case 17:
        state_.font = Font{};
        break;
    default:
        break;  // palettes and unknown stock objects change nothing drawn
    }
}

void DeviceContext::DeleteObject(int64_t index)
{
    Forget(index);
    if (index >= 0 && static_cast<uint64_t>(index) < usedSlots_.size()) {
        usedSlots_[static_cast<size_t>(index)] = false;
    }
}

} // namespace zv::imaging::metafile

namespace zv::imaging::metafile {

const Region* DeviceContext::FindRegion(int64_t index) const
{
    const auto found = objects_.find(index);
    return found == objects_.end() ? nullptr : std::get_if<Region>(&found->second);
}

const Brush* DeviceContext::FindBrush(int64_t index) const
{
    const auto found = objects_.find(index);
    return found == objects_.end() ? nullptr : std::get_if<Brush>(&found->second);
}

} // namespace zv::imaging::metafile
