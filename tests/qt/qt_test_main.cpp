// The tests need one QApplication on the xcb platform for the whole run,
// except when GoogleTest only lists them (no display is needed for that).
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (GTEST_FLAG_GET(list_tests)) {
    return RUN_ALL_TESTS();
  }
  qputenv("QT_QPA_PLATFORM", "xcb");
  int qt_argc = 1;
  QApplication application(qt_argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  return RUN_ALL_TESTS();
}
