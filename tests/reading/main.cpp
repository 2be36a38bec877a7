#include <gtest/gtest.h>

#include <QApplication>

#include "widgets/Application.h"
#include "widgets/Testing.h"

int main(int argc, char** argv) {
    veloria::widgets::testing::UseOffscreenUnlessSet();
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    veloria::widgets::Application().SetTitle("Veloria");
    veloria::widgets::Application().Initialize();
    return RUN_ALL_TESTS();
}
