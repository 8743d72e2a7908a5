#include "ui/message_boxes.h"

#include <gtest/gtest.h>

#include "ui/qt_app.h"

namespace tazmel {
namespace {

// When the system closes the program nobody can answer: questions get Yes
// (nothing is lost) and information is not shown, so nothing blocks.
TEST(MessageBoxesTest, UnattendedNeverBlocks) {
  test::QtApp();
  MessageBoxes boxes;
  boxes.SetUnattended(true);
  EXPECT_TRUE(boxes.AskQuestion("Radio Tree be changed, want to save?"));
  boxes.ShowInfo("Cannot Find \"x\"");
  SUCCEED();
}

}  // namespace
}  // namespace tazmel
