#pragma once
// One sprite of the crop view and the rules of its geometry; shared by the view's operations and
// its drawing.
#include "crop/CropView.h"

#include <windows.h>

#include <cmath>
#include <cstdint>

// Degrees modulo 360, made non-negative.
inline int ReduceAngle(int degrees) {
    const int a = degrees % 360;
    return a < 0 ? a + 360 : a;
}

// A position as GetSpriteX gives it: truncated toward zero, within int.
inline int TruncatedPosition(double value) {
    if (!(value > -2147483648.0)) return INT32_MIN;
    if (!(value < 2147483647.0)) return INT32_MAX;
    return static_cast<int>(value);
}

struct CropView::Sprite {
    int id = 0;
    double x = 0, y = 0;
    int scaleX = 1000, scaleY = 1000;
    int angle = 0;
    bool visible = true;
    SpritePicture picture;
    // The picture turned by angle: for quarter turns its sides swap or stay; otherwise the box
    // that holds the turned picture.
    int rotatedWidth = 0, rotatedHeight = 0;
    // The drawn picture's size, never made as pixels; drawn is false when a side is 0 or less.
    bool drawn = false;
    int drawnWidth = 0, drawnHeight = 0;

    void UpdateDrawnSize() {
        const int w = picture.Width(), h = picture.Height();
        if (angle % 180 == 0) {
            rotatedWidth = w;
            rotatedHeight = h;
        } else if (angle % 90 == 0) {
            rotatedWidth = h;
            rotatedHeight = w;
        } else {
            const double turn = angle * 3.14159265358979323846 / 180.0;
            const double c = std::fabs(std::cos(turn)), s = std::fabs(std::sin(turn));
            rotatedWidth = static_cast<int>(std::lround(w * c + h * s));
            rotatedHeight = static_cast<int>(std::lround(w * s + h * c));
        }
        // MulDiv rounds halves away from zero and gives -1 when the result overflows.
        drawnWidth = MulDiv(rotatedWidth, scaleX, 1000);
        drawnHeight = MulDiv(rotatedHeight, scaleY, 1000);
        drawn = !picture.Empty() && drawnWidth > 0 && drawnHeight > 0;
        if (!drawn) drawnWidth = drawnHeight = 0;
    }
};
