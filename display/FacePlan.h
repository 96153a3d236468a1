#pragma once

#include <functional>
#include <string>
#include <vector>

// What one LCD face consists of, in drawing order, in LCD pixel coordinates.
// The widget layer only carries these out; every position is decided here.

enum class FaceFont {
    Main,   // the large value, height 36
    Small,  // rows, clock and date, height 17
    Label,  // bar-graph scale labels, height 10
};

enum class FacePicture {
    Hold,
    AutoRange,
    ManualRange,
    MinMax,
    Peak,
    Rel,
    DegF,
    DegC,
    Unit,  // with FaceOp::unitRow
    Disconnected,
};

struct PictureSize {
    int width;
    int height;
};

// Pixel size of each picture (unitRow only matters for FacePicture::Unit).
PictureSize SizeOfPicture(FacePicture picture, int unitRow = -1);

struct FaceOp {
    enum class Kind {
        Text,        // text at (x, y) = top-left of its line, font, white or black
        Picture,     // picture with its top-left at (x, y)
        Line,        // 1-pixel black line from (x, y) to (x2, y2)
        FilledRect,  // (x, y, width, height) filled with the dark LCD segment colour
    };
    Kind kind = Kind::Text;
    int x = 0;
    int y = 0;
    int x2 = 0;
    int y2 = 0;
    int width = 0;
    int height = 0;
    std::string text;
    FaceFont font = FaceFont::Small;
    bool white = false;
    FacePicture picture = FacePicture::Hold;
    int unitRow = -1;

    static FaceOp Text(int x, int y, FaceFont font, std::string text, bool white = false);
    static FaceOp Image(int x, int y, FacePicture picture, int unitRow = -1);
    static FaceOp LineOp(int x, int y, int x2, int y2);
    static FaceOp Rect(int x, int y, int width, int height);
};

// Everything the layout needs to know about the drawing surface.
struct FaceMetrics {
    int width = 0;       // LCD width w
    int height = 0;      // LCD height h
    int mainLine = 36;   // H: line height of the main font
    int smallLine = 17;  // L: line height of the small font
    // Width in pixels of a text in a font.
    std::function<int(FaceFont, const std::string&)> textWidth;
};

using FacePlan = std::vector<FaceOp>;
