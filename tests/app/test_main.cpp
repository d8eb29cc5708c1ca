// Runs the interface tests inside one QApplication (offscreen unless told otherwise), with the
// system's control classes registered as at start-up.
#include <gtest/gtest.h>

#include <QApplication>

#include "app/register_controls.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  qv::ui::RegisterSystemControls();
  return RUN_ALL_TESTS();
}
