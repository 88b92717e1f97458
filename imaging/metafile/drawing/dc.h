// The device context a metafile draws through: mapping mode, window and viewport, world
// transform, the selected pen, brush and font, colours and modes, the clip, the save/restore
// stack, and the table of objects the metafile creates and selects.
//
// Coordinates pass through three maps: the world transform (enhanced metafiles only), the
// page map (window to viewport, by mapping mode) into the metafile's device units, and a fixed
// map from the picture's frame in device units onto the output image.
#ifndef ZV_IMAGING_METAFILE_DC_H
#define ZV_IMAGING_METAFILE_DC_H

#include "imaging/metafile/drawing/dib.h"
#include "imaging/metafile/drawing/geometry.h"

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <variant>
#include <vector>

namespace zv::imaging::metafile {

enum MapMode : int {
    kMapText = 1,
    kMapLoMetric = 2,
    kMapHiMetric = 3,
    kMapLoEnglish = 4,
    kMapHiEnglish = 5,
    kMapTwips = 6,
    kMapIsotropic = 7,
    kMapAnisotropic = 8,
};

// Pen style bits.
inline constexpr uint32_t kPenStyleMask = 0x0F;
inline constexpr uint32_t kPenSolid = 0;
inline constexpr uint32_t kPenDash = 1;
inline constexpr uint32_t kPenDot = 2;
inline constexpr uint32_t kPenDashDot = 3;
inline constexpr uint32_t kPenDashDotDot = 4;
inline constexpr uint32_t kPenNull = 5;
inline constexpr uint32_t kPenInsideFrame = 6;
inline constexpr uint32_t kPenUserStyle = 7;
inline constexpr uint32_t kPenAlternate = 8;
inline constexpr uint32_t kPenCapMask = 0x0F00;
inline constexpr uint32_t kPenCapSquare = 0x0100;
inline constexpr uint32_t kPenCapFlat = 0x0200;
inline constexpr uint32_t kPenJoinMask = 0xF000;
inline constexpr uint32_t kPenJoinBevel = 0x1000;
inline constexpr uint32_t kPenJoinMiter = 0x2000;
inline constexpr uint32_t kPenGeometric = 0x10000;

struct Pen {
    uint32_t style = kPenSolid;
    double width = 0;  // logical units; 0 draws one pixel wide
    Color color;
    std::vector<double> userDashes;  // logical units, for kPenUserStyle
};

enum class BrushKind { Solid, Null, Hatched, Pattern };

struct Brush {
    BrushKind kind = BrushKind::Solid;
    Color color{255, 255, 255};
    uint32_t hatch = 0;  // 0 horizontal, 1 vertical, 2 forward diagonal, 3 backward, 4 cross, 5 diagonal cross
    std::shared_ptr<const Bitmap> pattern;
};

struct Font {
    double height = 0;       // logical units; negative: character height, positive: cell height
    double width = 0;
    int escapement = 0;      // tenths of a degree, counter-clockwise
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    uint8_t charset = 0;
    std::string faceName;    // UTF-8
};

// A region object: its area in output pixels, made once when it is created (null: empty),
// so that selecting it again and again costs nothing more; and the same area as the
// rectangles it is made of (output pixels, normalized), for framing.
struct Region {
    std::shared_ptr<const Path> area;
    std::vector<Rect> rects;
};

// Palettes take a slot in the object table but draw nothing here.
struct OtherObject {};

using GdiObject = std::variant<Pen, Brush, Font, Region, OtherObject>;

// How a clip shape combines with the clip made by the shapes before it (the first one
// combines with the whole surface). Differences are intersections with a complement.
enum class ClipCombine { And, Or, Xor };

// One shape of the clip, in output coordinates, moved by `offset` (kept apart so that moving
// a clip of many rectangles costs nothing until it is drawn through).
struct ClipShape {
    std::shared_ptr<const Path> path;
    bool evenOdd = false;
    ClipCombine combine = ClipCombine::And;
    Point offset{0, 0};
};

struct DcState {
    int mapMode = kMapText;
    Point windowOrg{0, 0};
    Point windowExt{1, 1};
    Point viewportOrg{0, 0};
    Point viewportExt{1, 1};
    Affine world;
    Pen pen;
    Brush brush;
    Font font;
    Color textColor{0, 0, 0};
    Color backgroundColor{255, 255, 255};
    bool opaqueBackground = true;
    bool windingFill = false;
    int rop2 = 13;           // copy the pen
    uint32_t textAlign = 0;
    bool clockwiseArcs = false;
    double miterLimit = 10;
    Point currentPosition;   // logical
    std::vector<ClipShape> clip;
};

// A binary raster operation as a file gives it: 1..16, anything else copies the pen.
inline int SanitizedRop2(uint32_t value)
{
    return value >= 1 && value <= 16 ? static_cast<int>(value) : 13;
}

// Where the metafile's device units lie in the output, and what they measure.
struct DeviceSetup {
    Affine deviceToOutput;
    double deviceUnitsPerMmX = 96 / 25.4;
    double deviceUnitsPerMmY = 96 / 25.4;
    DcState initial;  // window and viewport as the player sets them up before the first record
    // Old-style records: their boxes leave out the last logical column and row.
    bool oldStyleBoxes = false;
};

class DeviceContext {
public:
    explicit DeviceContext(const DeviceSetup& setup);

    const DcState& State() const { return state_; }
    DcState& MutableState() { return state_; }
    const DeviceSetup& Setup() const { return setup_; }

    // Logical units to output pixels, and the same without the world transform.
    Affine LogicalToOutput() const;
    Affine PageToOutput() const;

    void SetMapMode(int mode);
    void SetWindowOrg(Point origin);
    void SetWindowExt(Point extent);
    void SetViewportOrg(Point origin);
    void SetViewportExt(Point extent);
    void OffsetWindowOrg(Point delta);
    void OffsetViewportOrg(Point delta);
    void ScaleWindowExt(double xNum, double xDenom, double yNum, double yDenom);
    void ScaleViewportExt(double xNum, double xDenom, double yNum, double yDenom);
    void SetWorldTransform(const Affine& transform);
    // Mode 1 resets, 2 applies `transform` before the current one, 3 after it, 4 replaces it.
    void ModifyWorldTransform(const Affine& transform, uint32_t mode);

    void Save();
    // Negative: that many levels back; positive: the absolute level. False when out of range.
    bool Restore(int level);

    // Objects. Index -1 takes the lowest free slot (old-style metafiles); other indices must
    // fit the 16-bit handle count of the formats. Pattern bitmaps held by the table together
    // stay within the allocation limit; a pattern beyond it becomes a grey brush.
    void CreateObject(int64_t index, GdiObject object);
    void SelectObject(int64_t index);
    // Stock objects by their index (white brush 0 ... default GUI font 17).
    void SelectStockObject(uint32_t stockIndex);
    void DeleteObject(int64_t index);
    // The region or brush object at `index`; null when there is none.
    const Region* FindRegion(int64_t index) const;
    const Brush* FindBrush(int64_t index) const;

private:
    Affine PageTransform() const;

    DeviceSetup setup_;
    DcState state_;
    std::vector<DcState> saved_;
    void Forget(int64_t index);
    // The lowest slot not taken by an object created without an index; one past the last
    // slot the formats can address when all are taken.
    size_t TakeLowestFreeSlot();

    std::unordered_map<int64_t, GdiObject> objects_;
    std::vector<bool> usedSlots_;
    std::set<size_t> freeSlots_;  // slots below usedSlots_.size() that were freed
    uint64_t patternBytes_ = 0;
};

} // namespace zv::imaging::metafile

#endif
