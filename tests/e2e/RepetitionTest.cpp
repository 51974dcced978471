// Many clicks of every action button on one running TovalSet: whatever a click takes from the system it
// gives back, so a desktop that is set up again and again never runs out of handles.
#include <windows.h>

#include "tests/e2e/EndToEnd.h"
#include "tests/support/TestSupport.h"
#include "ui/resources/resource.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <cstdlib>
#include <string>
#include <vector>

using namespace tovalset;
using Texts = std::vector<std::string>;

namespace {

// The browser settings button is clicked Rounds() * 4 times, every other action button Rounds() times.
// TOVALSET_E2E_ROUNDS makes a shorter run for a quick look while working on this test.
int Rounds() {
    const char* rounds = std::getenv("TOVALSET_E2E_ROUNDS");
    return rounds != nullptr && std::atoi(rounds) > 1 ? std::atoi(rounds) : 50;
}

// TovalSet is waiting for input: its thread answers, its window is enabled (it is not while an action
// waits for a tool) and no box is up, several times over. A click posted sooner could come while an action
// is between two tools, where input is dropped.
void WaitUntilIdle(const e2e::App& app) {
    int steady = 0;
    for (int i = 0; i < 3000 && steady < 5; ++i) {
        DWORD_PTR ignored = 0;
        const bool idle =
            SendMessageTimeoutA(app.window(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &ignored) != 0 &&
            IsWindowEnabled(app.window()) && test::FindMessageBox(app.processId()) == nullptr;
        steady = idle ? steady + 1 : 0;
        Sleep(10);
    }
}

class Repetition : public ::testing::Test {
protected:
    void SetUp() override {
        app_ = folder_.path() + "\\TovalSet";
        ASSERT_TRUE(test::CopyTree(e2e::BinFolder(), app_));
        ASSERT_TRUE(e2e::InstallRecordingHelpViewer());
        record_ = folder_.path() + "\\help.txt";
    }

    void Wrong(const std::string& what) {
        ++wrong_;
        lastWrong_ = what;
    }

    // One click and every box it brings, answered, by the messages that a click and an OK press become:
    // hundreds of clicks through the real mouse would take most of an hour under Wine, waiting on the
    // window manager. Hundreds of clicks give one readable failure.
    void ClickAndAnswer(const e2e::App& app, int id, const Texts& expected) {
        WaitUntilIdle(app);
        e2e::App::PostClick(app.control(id));
        const Texts boxes = app.AnswerBoxes(expected.size(), 20000, e2e::App::Answer::ByMessage);
        if (boxes != expected) {
            Wrong("Command" + std::to_string(id - IDC_COMMAND1 + 1) + ": " +
                  (boxes.empty() ? std::string("no box") : boxes.back()));
        }
    }

    // The middleware starts; it is closed again so that fifty of them do not pile up.
    void StartAndCloseMiddleware(const e2e::App& app) {
        WaitUntilIdle(app);
        e2e::App::PostClick(app.control(IDC_COMMAND5));
        const HWND middleware = test::WaitForWindow("TovalSetPkiStandIn", 10000);
        if (middleware == nullptr) {
            Wrong("Command5: the middleware did not start");
            return;
        }
        PostMessageA(middleware, WM_CLOSE, 0, 0);
        for (int i = 0; i < 500 && IsWindow(middleware); ++i) {
            Sleep(10);
        }
    }

    void OpenHelp(const e2e::App& app) {
        DeleteFileA(record_.c_str());
        WaitUntilIdle(app);
        e2e::App::PostClick(app.control(IDC_COMMAND6));
        if (!test::WaitForFile(record_, 10000)) {
            Wrong("Command6: the help viewer did not start");
        }
    }

    void Round(const e2e::App& app, bool everyButton) {
        ClickAndAnswer(app, IDC_COMMAND2, {"message: Confoguration Is OK!!"});
        if (everyButton) {
            ClickAndAnswer(app, IDC_COMMAND1, Texts(8, "message: The Import Was Successfull "));
            ClickAndAnswer(app, IDC_COMMAND4, {"message: GovernmentalGeneralIntermediateCANew Is OK!"});
            StartAndCloseMiddleware(app);
            OpenHelp(app);
        }
    }

    test::ScratchFolder folder_;
    std::string app_;
    std::string record_;
    int wrong_ = 0;
    std::string lastWrong_;
};

TEST_F(Repetition, HundredsOfClicksLeaveNoHandleOrWindowBehind) {
    SetEnvironmentVariableA("TOVALSET_RECORD", record_.c_str()); // inherited by TovalSet and the viewer
    const e2e::App app(app_);
    SetEnvironmentVariableA("TOVALSET_RECORD", nullptr);

    // The first round loads what stays loaded (the shell for the help, the message box's resources).
    Round(app, true);
    WaitUntilIdle(app);
    const e2e::ProcessResources first = app.Resources();

    // Wine may make a handle of its own once, late (a helper thread of a library loaded in the first
    // round): the count is taken again halfway through the rounds of every button, and from there on
    // nothing may grow. A leak of a click leaks again in the hundreds of clicks that follow.
    const int rounds = Rounds();
    const int halfway = std::max(2, rounds / 2);
    e2e::ProcessResources settled;
    for (int click = 2; click <= rounds * 4; ++click) {
        Round(app, click <= rounds);
        if (click == halfway) {
            WaitUntilIdle(app);
            settled = app.Resources();
        }
    }
    WaitUntilIdle(app);
    const e2e::ProcessResources last = app.Resources();

    EXPECT_EQ(wrong_, 0) << "the last click that went wrong: " << lastWrong_;
    // Counts that could not be read would compare equal: each must have been read.
    for (const e2e::ProcessResources& counted : {first, settled, last}) {
        EXPECT_GT(counted.handles, 0) << "kernel handles could not be counted";
        EXPECT_GT(counted.userObjects, 0) << "USER objects could not be counted";
        EXPECT_GT(counted.gdiObjects, 0) << "GDI objects could not be counted";
    }
    EXPECT_EQ(last.handles, settled.handles) << "kernel handles";
    EXPECT_EQ(last.userObjects, settled.userObjects) << "USER objects";
    EXPECT_EQ(last.gdiObjects, settled.gdiObjects) << "GDI objects";
    std::printf("after the first round: %ld handles, %ld USER and %ld GDI objects; after %d clicks: %ld, %ld "
                "and %ld; after %d clicks: %ld, %ld and %ld\n",
                first.handles, first.userObjects, first.gdiObjects, halfway * 5, settled.handles,
                settled.userObjects, settled.gdiObjects, rounds * 8, last.handles, last.userObjects,
                last.gdiObjects);

    // The window still answers, and still acts.
    DWORD_PTR answer = 0;
    EXPECT_NE(SendMessageTimeoutA(app.window(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer), 0);
    ClickAndAnswer(app, IDC_COMMAND2, {"message: Confoguration Is OK!!"});
    EXPECT_EQ(wrong_, 0) << lastWrong_;
    EXPECT_TRUE(app.Running());
}

} // namespace
