#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <clocale>
#include <filesystem>

// Widget tests run in a QApplication on the offscreen platform. The window layouts they save
// go to a configuration folder of their own, removed at the end, never to the user's.
int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    std::string config = (std::filesystem::temp_directory_path() / "hfp-config-XXXXXX").string();
    if (!::mkdtemp(config.data())) return 1;
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    int rc;
    {
        QApplication app(argc, argv);
        std::setlocale(LC_NUMERIC, "C");
        ::testing::InitGoogleTest(&argc, argv);
        rc = RUN_ALL_TESTS();
    }
    std::error_code ec;
    std::filesystem::remove_all(config, ec);
    return rc;
}
