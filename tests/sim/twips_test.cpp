// Twips and the pixels the X11 and Windows programs give the window system.
#include <gtest/gtest.h>

#include "platform/twips.h"

namespace {

using platform::TwipsCoordinate;
using platform::TwipsToPixels;

// 1440 twips to the inch: 15 to the pixel at 96 dpi, and where the display
// tells no dpi. Pixels round to the nearest and stop at the 16-bit edge.
TEST(Twips, PixelsRoundToTheNearestAndStopAtTheSixteenBitEdge) {
  EXPECT_EQ(platform::TwipsPerPixel(96), 15.0);
  EXPECT_EQ(platform::TwipsPerPixel(144), 10.0);
  EXPECT_EQ(platform::TwipsPerPixel(0), 15.0);
  EXPECT_EQ(TwipsToPixels(1000, 15), 67);
  EXPECT_EQ(TwipsToPixels(-1000, 15), -67);
  EXPECT_EQ(TwipsToPixels(491505, 15), 32767);
  EXPECT_EQ(TwipsToPixels(1e7f, 15), 32767);
  EXPECT_EQ(TwipsToPixels(-1e7f, 15), -32768);
  EXPECT_EQ(platform::PixelsToTwips(300, 15), 4500);
}

// A value assigned reads back exactly while the window stands at its pixel,
// and from the pixels once the user has moved or sized it. A size leaves out
// the design frame: 120 twips across, 360 down.
TEST(Twips, AnAssignedValueReadsBackUntilTheWindowMovesOrIsSized) {
  TwipsCoordinate left;
  EXPECT_EQ(left.Assign(1000, 15), 67);
  EXPECT_EQ(left.Read(67, 15), 1000);
  EXPECT_EQ(left.Read(70, 15), 1050);

  TwipsCoordinate width(platform::kDesignFrameWidth);
  EXPECT_EQ(width.Assign(2760, 15), 176);
  EXPECT_EQ(width.Read(176, 15), 2760);
  EXPECT_EQ(width.Read(200, 15), 3120);

  TwipsCoordinate height(platform::kDesignFrameHeight);
  EXPECT_EQ(height.Assign(100, 15), 0);  // never below 0
  EXPECT_EQ(height.Read(10, 15), 510);
}

}  // namespace
