#pragma once

#include <cmath>

// The window lays out its controls in twips, 1/1440 inch: 15 to a pixel at 96 dots per inch,
// which is what Qt's device-independent pixels stand for.
inline constexpr double twipsPerPixel = 15.0;

inline int pixelsFromTwips(double twips)
{
    return static_cast<int>(std::lround(twips / twipsPerPixel));
}

inline double twipsFromPixels(double pixels)
{
    return pixels * twipsPerPixel;
}
