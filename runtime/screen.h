// The Screen object: the primary screen's size in twips and the twips per
// pixel at the screen's real resolution (1440 twips to the inch).
#pragma once

namespace velmora::runtime::Screen {

float TwipsPerPixelX();
float TwipsPerPixelY();
float Width();
float Height();

// Converts a length in twips to whole pixels at the screen's resolution.
int pixelsFromTwipsX(int twips);
int pixelsFromTwipsY(int twips);

}  // namespace velmora::runtime::Screen
