#include <gtest/gtest.h>

#include <QCoreApplication>

int main(int argc, char** argv) {
    // QSerialPort wants an application object for its notifiers, even when used blocking.
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
