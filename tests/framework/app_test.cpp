// The application object: the resource module, the run with and without a message loop, and the
// main window as the owner of parentless dialogs.
#include <gtest/gtest.h>
#include "framework/app.h"
#include "framework/dialog.h"
#include "foundation/res_string.h"
#include "test_dialog_ids.h"

namespace {

class TestApp : public FwApp {
public:
    BOOL runLoop = FALSE;
    int initCalls = 0;
    HINSTANCE moduleSeenInInit = nullptr;

    TestApp() : FwApp(L"Test App") {}

protected:
    BOOL InitInstance() override
    {
        ++initCalls;
        moduleSeenInInit = ResourceModule();
        if (runLoop)
            PostQuitMessage(7);
        return runLoop;
    }
};

class OwnedDialog : public FwDialog {
public:
    OwnedDialog() : FwDialog(IDD_TEST_DIALOG) {}
};

} // namespace

TEST(FwApp, RunPointsTheStringTableAtTheInstanceAndEndsWithoutALoop)
{
    HMODULE self = GetModuleHandleW(nullptr);
    TestApp app;
    EXPECT_EQ(FwApp::Current(), &app);
    SetResourceModule(nullptr);
    EXPECT_EQ(app.Run(self), 0);
    EXPECT_EQ(app.initCalls, 1);
    EXPECT_EQ(app.moduleSeenInInit, self);
    EXPECT_EQ(app.Instance(), self);
    EXPECT_EQ(app.ResourceHandle(), self);
    EXPECT_STREQ(app.Name(), L"Test App");
}

TEST(FwApp, LoopRunsUntilQuitAndReturnsItsCode)
{
    TestApp app;
    app.runLoop = TRUE;
    EXPECT_EQ(app.Run(GetModuleHandleW(nullptr)), 7);
}

TEST(FwApp, ObjectIsGoneAfterItsDestruction)
{
    {
        TestApp app;
    }
    EXPECT_EQ(FwApp::Current(), nullptr);
}

TEST(FwApp, MainWindowOwnsDialogsMadeWithoutAParent)
{
    TestApp app;
    OwnedDialog main;
    ASSERT_TRUE(main.Create());
    app.mainWindow = &main;
    OwnedDialog child;
    ASSERT_TRUE(child.Create());
    EXPECT_EQ(GetWindow(child.Handle(), GW_OWNER), main.Handle());
    app.mainWindow = nullptr;
    OwnedDialog alone;
    ASSERT_TRUE(alone.Create());
    EXPECT_EQ(GetWindow(alone.Handle(), GW_OWNER), nullptr);
}
