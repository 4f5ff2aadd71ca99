#include <gtest/gtest.h>

#include <QGuiApplication>
#include <cstdlib>

#include "common/TestMain.h"

// Tests that draw text need the font database of a GUI application.
int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    hfp::test::PrivateFolders folders;
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
