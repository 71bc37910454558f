// The window's tests need a QApplication for the whole run; they run headless
// on Qt's offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>
#include <optional>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", /*overwrite=*/0);
    testing::InitGoogleTest(&argc, argv);
    // Listing the tests (as the build does to discover them) needs no Qt.
    std::optional<QApplication> application;
    if (!GTEST_FLAG_GET(list_tests))
        application.emplace(argc, argv);
    return RUN_ALL_TESTS();
}
