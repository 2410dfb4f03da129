// Test programs start the module the way the DLL entry point would, so the
// resource library and the module state are there for every test.
#include "module/module_state.h"

#include <commctrl.h>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
    module::Attach(::GetModuleHandleA(nullptr));
    const int result = RUN_ALL_TESTS();
    module::Detach();
    return result;
}
