#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <clocale>

#include "common/TestMain.h"

// Widget tests run in a QApplication on the offscreen platform.
int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    hfp::test::PrivateFolders folders;
    int rc;
    {
        QApplication app(argc, argv);
        std::setlocale(LC_NUMERIC, "C");
        ::testing::InitGoogleTest(&argc, argv);
        rc = RUN_ALL_TESTS();
    }
    return rc;
}
