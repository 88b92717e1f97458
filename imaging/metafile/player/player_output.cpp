// The player's text and bitmap output: fonts sized through the maps, runs laid along the
// baseline, and blits under their raster operation.
#include "imaging/metafile/player/player.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace zv::imaging::metafile {
namespace {

constexpr double kMaxFontPx = 16384;
constexpr double kMinFontPx = 0.1;
constexpr double kDefaultFontPoints = 12;

// Raster operation codes (the byte that says how source, pattern and destination combine).
constexpr uint32_t kRopBlackness = 0x00;
constexpr uint32_t kRopDest = 0xAA;
constexpr uint32_t kRopPatCopy = 0xF0;
constexpr uint32_t kRopWhiteness = 0xFF;

// Whether a ternary code's result depends on the source bits.
bool UsesSource(uint32_t code)
{
    return ((code >> 2) & 0x33) != (code & 0x33);
}

} // namespace

double Player::FontSizePx(const Affine& toOutput, const FontRequest& request)
{
    const Font& font = dc_.State().font;
    double size = 0;
    if (font.height == 0) {
        const DeviceSetup& setup = dc_.Setup();
        size = kDefaultFontPoints / 72 * 25.4 * setup.deviceUnitsPerMmY *
               setup.deviceToOutput.ScaleY();
    } else {
        size = std::fabs(font.height) * toOutput.ScaleY();
        if (font.height > 0) {
            // A positive height is the whole cell: ascent plus descent.
            FontRequest probe = request;
            probe.sizePx = 100;
            const FontMetrics metrics = canvas_.MeasureFont(probe);
            const double cell = metrics.ascent + metrics.descent;
            if (cell > 0) {
                size *= 100 / cell;
            }
        }
    }
    return std::isfinite(size) ? std::min(size, kMaxFontPx) : 0;
}

void Player::Text(const TextOutput& text)
{
    if (inPath_ || canvas_.Exhausted()) {
        return;
    }
    const DcState& state = dc_.State();
    const Affine toOutput = dc_.LogicalToOutput();
    canvas_.SetClip(state.clip);
    if ((text.options & kTextOpaque) != 0 && text.rect) {
        FillStyle background;
        background.brush = Brush{BrushKind::Solid, state.backgroundColor, 0, nullptr};
        canvas_.Fill(RectanglePath(*text.rect).Transformed(toOutput), background);
    }
    if (text.text.empty()) {
        return;
    }
    FontRequest request;
    request.family = fonts_.FamilyFor(state.font.faceName);
    request.italic = state.font.italic;
    request.weight = state.font.weight;
    request.sizePx = FontSizePx(toOutput, request);
    if (request.sizePx < kMinFontPx) {
        return;
    }
    const FontMetrics metrics = canvas_.MeasureFont(request);

    // Pieces along the baseline: one per character when the file gives advances, else one run.
    std::vector<GlyphPiece> pieces;
    double width = 0;
    if (text.dx.size() == text.text.size()) {
        const double unit = toOutput.ScaleX();
        for (size_t i = 0; i < text.text.size(); ++i) {
            pieces.push_back({width, EncodeUtf8(text.text[i])});
            width += text.dx[i] * unit;
        }
    } else {
        std::string utf8;
        for (char32_t c : text.text) {
            utf8 += EncodeUtf8(c);
        }
        width = canvas_.MeasureAdvance(request, utf8);
        pieces.push_back({0, std::move(utf8)});
    }
    if (!std::isfinite(width)) {
        return;
    }

    const bool updateCp = (state.textAlign & kAlignUpdateCurrentPosition) != 0;
    const Point referenceLogical = updateCp ? state.currentPosition : text.reference;
    const Point reference = ClampToOutput(toOutput.Apply(referenceLogical));
    // The baseline turns with the escapement (counter-clockwise on the output) and with any
    // rotation in the coordinate maps; text is never mirrored.
    const bool rotated = std::fabs(toOutput.b) > 1e-9 * std::fabs(toOutput.a) ||
                         std::fabs(toOutput.c) > 1e-9 * std::fabs(toOutput.d);
    const double mapAngle = rotated ? std::atan2(toOutput.b, toOutput.a) : 0;
    const double angle = mapAngle - state.font.escapement / 10.0 * std::numbers::pi / 180;
    const uint32_t align = state.textAlign;
    const double shiftX = (align & kAlignCentre) == kAlignCentre ? -width / 2
                          : (align & kAlignRight) != 0          ? -width
                                                                : 0;
    const double shiftY = (align & kAlignBaseline) == kAlignBaseline ? 0
                          : (align & kAlignBottom) != 0              ? -metrics.descent
                                                                     : metrics.ascent;
    const double cosA = std::cos(angle);
    const double sinA = std::sin(angle);
    const Affine baseline = Affine::Translation(shiftX, shiftY)
                                .Then(Affine{cosA, sinA, -sinA, cosA, 0, 0})
                                .Then(Affine::Translation(reference.x, reference.y));

    std::vector<ClipShape> clip = state.clip;
    if ((text.options & kTextClipped) != 0 && text.rect) {
        clip.push_back({std::make_shared<const Path>(RectanglePath(*text.rect).Transformed(toOutput)), false});
    }
    canvas_.SetClip(clip);
    const double left = std::min(0.0, width);
    const double right = std::max(0.0, width);
    if (state.opaqueBackground) {
        FillStyle background;
        background.brush = Brush{BrushKind::Solid, state.backgroundColor, 0, nullptr};
        canvas_.Fill(RectanglePath({left, -metrics.ascent, right, metrics.descent}).Transformed(baseline),
                     background);
    }
    canvas_.DrawText({request, baseline, std::move(pieces), state.textColor});
    FillStyle ink;
    ink.brush = Brush{BrushKind::Solid, state.textColor, 0, nullptr};
    const double thickness = std::max(1.0, request.sizePx / 14);
    if (state.font.underline) {
        const double y = metrics.descent / 2;
        canvas_.Fill(RectanglePath({left, y, right, y + thickness}).Transformed(baseline), ink);
    }
    if (state.font.strikeOut) {
        const double y = -metrics.ascent * 0.3;
        canvas_.Fill(RectanglePath({left, y, right, y + thickness}).Transformed(baseline), ink);
    }
    canvas_.SetClip(state.clip);

    if (updateCp) {
        Affine toLogical;
        const double advance = (align & kAlignCentre) == kAlignCentre ? 0
                               : (align & kAlignRight) != 0          ? -width
                                                                     : width;
        if (toOutput.Invert(&toLogical)) {
            const Point end{reference.x + advance * cosA, reference.y + advance * sinA};
            dc_.MutableState().currentPosition = toLogical.Apply(end);
        }
    }
}

void Player::Blit(const BitmapBlit& blit)
{
    if (inPath_ || canvas_.Exhausted()) {
        return;
    }
    const uint32_t code = (blit.rasterOp >> 16) & 0xFF;
    const Affine toOutput = dc_.LogicalToOutput();
    // Blits ignore the binary raster operation that lines and fills use.
    FillStyle pattern = CurrentFill();
    pattern.rop2 = kRop2CopyPen;
    switch (code) {
    case kRopDest:
        return;
    case kRopPatCopy:
        FillOutput(RectanglePath(blit.dest).Transformed(toOutput), pattern);
        return;
    case kRopBlackness:
    case kRopWhiteness: {
        const uint8_t level = code == kRopWhiteness ? 255 : 0;
        FillStyle constant;
        constant.brush = Brush{BrushKind::Solid, Color{level, level, level}, 0, nullptr};
        FillOutput(RectanglePath(blit.dest).Transformed(toOutput), constant);
        return;
    }
    default:
        break;
    }
    ImageDraw image;
    image.rop = static_cast<uint8_t>(code);
    image.pattern = pattern;
    if (!UsesSource(code)) {
        image.outline = RectanglePath(blit.dest.Normalized()).Transformed(toOutput);
        canvas_.SetClip(dc_.State().clip);
        canvas_.DrawImage(image);
        return;
    }
    if (blit.bitmap == nullptr || blit.srcWidth == 0 || blit.srcHeight == 0) {
        return;
    }
    image.bitmap = blit.bitmap;
    // Bitmap pixels to logical units: the source rectangle onto the destination rectangle.
    const double sx = blit.dest.Width() / blit.srcWidth;
    const double sy = blit.dest.Height() / blit.srcHeight;
    const Affine bitmapToLogical{sx, 0, 0, sy, blit.dest.left - blit.srcX * sx,
                                 blit.dest.top - blit.srcY * sy};
    if (!bitmapToLogical.IsFinite()) {
        return;
    }
    image.bitmapToOutput = bitmapToLogical.Then(toOutput);
    // Only the part of the destination that the bitmap covers is painted.
    const Point corner1 = bitmapToLogical.Apply({0, 0});
    const Point corner2 = bitmapToLogical.Apply(
        {static_cast<double>(blit.bitmap->width), static_cast<double>(blit.bitmap->height)});
    const Rect covered = Rect{corner1.x, corner1.y, corner2.x, corner2.y}.Normalized();
    const Rect dest = blit.dest.Normalized();
    const Rect area{std::max(covered.left, dest.left), std::max(covered.top, dest.top),
                    std::min(covered.right, dest.right), std::min(covered.bottom, dest.bottom)};
    if (area.IsEmpty()) {
        return;
    }
    image.outline = RectanglePath(area).Transformed(toOutput);
    canvas_.SetClip(dc_.State().clip);
    canvas_.DrawImage(image);
}


} // namespace zv::imaging::metafile
