// The record types the record table knows: WMF function numbers and EMF record types.
#ifndef ZV_IMAGING_METAFILE_TYPES_H
#define ZV_IMAGING_METAFILE_TYPES_H

#include <cstdint>

namespace zv::imaging::metafile {

namespace wmf {
enum Function : uint32_t {
    kNone = 0,  // in the shared table: a record WMF lacks
    kSaveDc = 0x001E,
    kCreatePalette = 0x00F7,
    kSetBkMode = 0x0102,
    kSetMapMode = 0x0103,
    kSetRop2 = 0x0104,
    kSetPolyFillMode = 0x0106,
    kRestoreDc = 0x0127,
    kInvertRegion = 0x012A,
    kPaintRegion = 0x012B,
    kSelectClipRegion = 0x012C,
    kSelectObject = 0x012D,
    kSetTextAlign = 0x012E,
    kDibCreatePatternBrush = 0x0142,
    kDeleteObject = 0x01F0,
    kCreatePatternBrush = 0x01F9,
    kSetBkColor = 0x0201,
    kSetTextColor = 0x0209,
    kSetWindowOrg = 0x020B,
    kSetWindowExt = 0x020C,
    kSetViewportOrg = 0x020D,
    kSetViewportExt = 0x020E,
    kOffsetWindowOrg = 0x020F,
    kOffsetViewportOrg = 0x0211,
    kLineTo = 0x0213,
    kMoveTo = 0x0214,
    kOffsetClipRgn = 0x0220,
    kFillRegion = 0x0228,
    kCreatePenIndirect = 0x02FA,
    kCreateFontIndirect = 0x02FB,
    kCreateBrushIndirect = 0x02FC,
    kPolygon = 0x0324,
    kPolyline = 0x0325,
    kScaleWindowExt = 0x0410,
    kScaleViewportExt = 0x0412,
    kExcludeClipRect = 0x0415,
    kIntersectClipRect = 0x0416,
    kEllipse = 0x0418,
    kRectangle = 0x041B,
    kSetPixel = 0x041F,
    kFrameRegion = 0x0429,
    kTextOut = 0x0521,
    kPolyPolygon = 0x0538,
    kRoundRect = 0x061C,
    kPatBlt = 0x061D,
    kCreateRegion = 0x06FF,
    kArc = 0x0817,
    kPie = 0x081A,
    kChord = 0x0830,
    kBitBlt = 0x0922,
    kDibBitBlt = 0x0940,
    kExtTextOut = 0x0A32,
    kStretchBlt = 0x0B23,
    kDibStretchBlt = 0x0B41,
    kSetDibToDev = 0x0D33,
    kStretchDib = 0x0F43,
};
} // namespace wmf

namespace emf {
enum Type : uint32_t {
    kNone = 0,  // in the shared table: a record EMF lacks
    kPolyBezier = 2, kPolygon = 3, kPolyline = 4, kPolyBezierTo = 5, kPolylineTo = 6,
    kPolyPolyline = 7, kPolyPolygon = 8,
    kSetWindowExtEx = 9, kSetWindowOrgEx = 10, kSetViewportExtEx = 11, kSetViewportOrgEx = 12,
    kSetPixelV = 15, kSetMapMode = 17, kSetBkMode = 18, kSetPolyFillMode = 19, kSetRop2 = 20,
    kSetTextAlign = 22, kSetTextColor = 24, kSetBkColor = 25, kOffsetClipRgn = 26, kMoveToEx = 27,
    kExcludeClipRect = 29, kIntersectClipRect = 30, kScaleViewportExtEx = 31, kScaleWindowExtEx = 32,
    kSaveDc = 33, kRestoreDc = 34, kSetWorldTransform = 35, kModifyWorldTransform = 36,
    kSelectObject = 37, kCreatePen = 38, kCreateBrushIndirect = 39, kDeleteObject = 40,
    kAngleArc = 41, kEllipse = 42, kRectangle = 43, kRoundRect = 44, kArc = 45, kChord = 46, kPie = 47,
    kCreatePalette = 49, kLineTo = 54, kArcTo = 55, kSetArcDirection = 57, kSetMiterLimit = 58,
    kBeginPath = 59, kEndPath = 60, kCloseFigure = 61, kFillPath = 62, kStrokeAndFillPath = 63,
    kStrokePath = 64, kSelectClipPath = 67, kAbortPath = 68,
    kFillRgn = 71, kFrameRgn = 72, kInvertRgn = 73, kPaintRgn = 74, kExtSelectClipRgn = 75,
    kBitBlt = 76, kStretchBlt = 77, kSetDiBitsToDevice = 80, kStretchDiBits = 81,
    kExtCreateFontIndirectW = 82, kExtTextOutA = 83, kExtTextOutW = 84,
    kPolyBezier16 = 85, kPolygon16 = 86, kPolyline16 = 87, kPolyBezierTo16 = 88, kPolylineTo16 = 89,
    kPolyPolyline16 = 90, kPolyPolygon16 = 91,
    kCreateMonoBrush = 93, kCreateDibPatternBrushPt = 94, kExtCreatePen = 95,
};
} // namespace emf

} // namespace zv::imaging::metafile

#endif
