#include <gtest/gtest.h>

#include "app/VarnApplication.h"

// GUI tests run the real application object on Qt's offscreen platform unless another one
// is asked for.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    varn::app::VarnApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
