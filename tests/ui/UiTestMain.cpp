// The panel tests share one offscreen widget application.
#include "support/Descendants.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    corv::test::endEachTestsProcesses();
    return RUN_ALL_TESTS();
}
