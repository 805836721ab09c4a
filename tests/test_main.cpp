// Shared entry for every test executable: a QApplication exists for widget tests.
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Zelmo32");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
