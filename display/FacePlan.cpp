#include "display/FacePlan.h"

#include "display/UnitPictures.h"

PictureSize SizeOfPicture(FacePicture picture, int unitRow) {
    switch (picture) {
        case FacePicture::Hold:
            return {43, 16};
        case FacePicture::AutoRange:
        case FacePicture::ManualRange:
            return {83, 19};
        case FacePicture::MinMax:
            return {43, 14};
        case FacePicture::Peak:
            return {43, 13};
        case FacePicture::Rel:
            return {43, 16};
        case FacePicture::DegF:
        case FacePicture::DegC:
            return {20, 17};
        case FacePicture::Unit:
            if (unitRow < 0 || unitRow >= kUnitPictureRows) {
                return {0, 0};
            }
            return {UnitPicture(unitRow).width, kUnitPictureHeight};
        case FacePicture::Disconnected:
            return {189, 50};
    }
    return {0, 0};
}

namespace {

// An operation of `kind` placed at (x, y); the factories below fill in the rest.
FaceOp PlacedOp(FaceOp::Kind kind, int x, int y) {
    FaceOp op;
    op.kind = kind;
    op.x = x;
    op.y = y;
    return op;
}

}  // namespace

FaceOp FaceOp::Text(int x, int y, FaceFont font, std::string text, bool white) {
    FaceOp op = PlacedOp(Kind::Text, x, y);
    op.font = font;
    op.text = std::move(text);
    op.white = white;
    return op;
}

FaceOp FaceOp::Image(int x, int y, FacePicture picture, int unitRow) {
    FaceOp op = PlacedOp(Kind::Picture, x, y);
    op.picture = picture;
    op.unitRow = unitRow;
    return op;
}

FaceOp FaceOp::LineOp(int x, int y, int x2, int y2) {
    FaceOp op = PlacedOp(Kind::Line, x, y);
    op.x2 = x2;
    op.y2 = y2;
    return op;
}

FaceOp FaceOp::Rect(int x, int y, int width, int height) {
    FaceOp op = PlacedOp(Kind::FilledRect, x, y);
    op.width = width;
    op.height = height;
    return op;
}
