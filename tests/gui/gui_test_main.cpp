// The window tests need one QApplication for the whole run, on the offscreen platform unless
// told otherwise.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstring>

#include "app/gui/clipboard_keeper.h"

int main(int argc, char** argv) {
  // A window closed in a test hands its clipboard to this program started as the keeper.
  if (argc >= 2 && std::strcmp(argv[1], pindle::kClipboardKeeperArgument) == 0)
    return pindle::RunClipboardKeeper(argc, argv);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  // Death tests re-run this program, which then builds its own application.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  QApplication application(argc, argv);
  return RUN_ALL_TESTS();
}
