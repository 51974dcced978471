// The hardening of TovalSet's start-up, seen from outside the running program, and the same checks of a
// build without it, which must fail them, or these tests could not catch a build that lost it.
// Libraries planted where a careless program would load them from: beside the exe (a downloads folder,
// say) and in the current directory (the folder that holds All). Each writes down when it is loaded.
// TovalSet, every button pressed, must load none of them. And DEP is on for good in its process, without
// the emulation of old ATL thunks (on 64-bit Windows too, where a 32-bit process has to ask for it).
#include <windows.h>

#include "platform/win32/Handles.h"
#include "tests/e2e/EndToEnd.h"
#include "tests/support/Bound.h"
#include "tests/support/TestSupport.h"
#include "ui/resources/resource.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace tovalset;
using e2e::App;
using Texts = std::vector<std::string>;

namespace {

// Libraries that TovalSet, or a system library on its behalf, asks for by name after start-up: the shell
// and what it brings for the help button, theming and input for the window and its boxes, the crypto
// that start-up and the certificate tools touch (as a run with WINEDEBUG=+loaddll lists them, and as
// Windows' own shell and theming load them).
const char* const kPlantedNames[] = {
    "version", "uxtheme", "dwmapi", "imm32",    "shcore",  "shlwapi", "shell32", "propsys",   "comctl32",
    "ole32",   "combase", "rpcrt4", "oleaut32", "crypt32", "bcrypt",  "rsaenh",  "cryptbase", "userenv",
};

struct Build {
    const char* name;
    std::string (*exe)();
    bool hardened;
};

std::string ShippedExe() {
    return e2e::ExeUnderTest();
}

std::string UnhardenedExe() {
    return test::FolderOfThisExe() + "\\unhardened_tovalset.exe";
}

const Build kBuilds[] = {
    {"TovalSet", &ShippedExe, true},
    {"WithoutHardening", &UnhardenedExe, false},
};

std::string Boxes(const Texts& boxes) {
    return std::to_string(boxes.size()) + " boxes, the last " + (boxes.empty() ? "none" : boxes.back());
}

// A click on one button, as soon as TovalSet is ready for it, and the boxes it brings, answered. The
// subject here is what gets loaded, not the way input comes: the click is posted to the button.
Texts Press(const App& app, int id, std::size_t boxes) {
    const std::string notReady = app.WaitUntilReady();
    if (!notReady.empty()) {
        return {"not ready: " + notReady};
    }
    App::PostClick(app.control(id));
    return boxes == 0 ? Texts() : app.AnswerBoxes(boxes, 20000, App::Answer::ByMessage);
}

// The lines of the log that name the exe as the process that loaded a planted library.
std::string LoadedBy(const std::string& log, const std::string& exe) {
    std::istringstream lines(test::FileText(log));
    std::string loaded;
    for (std::string line; std::getline(lines, line);) {
        if (line.find(" loaded by " + exe) != std::string::npos) {
            loaded += line + "\n";
        }
    }
    return loaded;
}

// Every button in turn, the exit button last; what each one did, in words. A planted library that the help
// button loads keeps the viewer from starting: the wait for the viewer ends on either, or a build without
// the hardening would wait out the whole bound for a viewer that cannot come.
Texts PressEveryButton(App& app, const std::string& helpRecord, const std::string& log,
                       const std::string& exe) {
    Texts did;
    // A button that shows no box: pressed once TovalSet is ready, which the press says when it was not
    // (a box that came late from the button before, say).
    const auto pressQuietly = [&](int id) {
        const Texts notReady = Press(app, id, 0);
        if (!notReady.empty()) {
            did.push_back("Command" + std::to_string(id - IDC_COMMAND1 + 1) + ": " + notReady.front());
        }
    };
    did.push_back("Command1: " + Boxes(Press(app, IDC_COMMAND1, 8)));
    did.push_back("Command4: " + Boxes(Press(app, IDC_COMMAND4, 1)));
    did.push_back("Command2: " + Boxes(Press(app, IDC_COMMAND2, 1)));
    pressQuietly(IDC_COMMAND5);
    const HWND middleware = test::WaitForWindow("TovalSetPkiStandIn", 10000);
    did.push_back(std::string("Command5: ") + (middleware != nullptr ? "middleware started" : "none"));
    if (middleware != nullptr) {
        PostMessageA(middleware, WM_CLOSE, 0, 0);
    }
    pressQuietly(IDC_COMMAND6);
    const auto viewerStarted = [&] {
        return GetFileAttributesA(helpRecord.c_str()) != INVALID_FILE_ATTRIBUTES;
    };
    test::WaitUntil([&] { return viewerStarted() || !LoadedBy(log, exe).empty(); }, 10000);
    did.push_back(std::string("Command6: ") + (viewerStarted() ? "viewer started" : "no viewer"));
    pressQuietly(IDC_COMMAND3);
    did.push_back("Command3: exit code " + std::to_string(app.WaitForExit(10000)));
    return did;
}

class PlantedLibraries : public ::testing::TestWithParam<Build> {};
class Dep : public ::testing::TestWithParam<Build> {};

// LoadLibraryA(library) on a thread started in the running program: a full path loads that file, a bare
// name is searched for as the program's search order says. kernel32, and so LoadLibraryA, lies at the same
// address in every process of the same kind. Empty when the thread ran to its end, else what went wrong.
std::string LoadInside(const App& app, const std::string& library) {
    const win32::UniqueHandle process(OpenProcess(PROCESS_CREATE_THREAD | PROCESS_QUERY_INFORMATION |
                                                      PROCESS_VM_OPERATION | PROCESS_VM_WRITE |
                                                      PROCESS_VM_READ,
                                                  FALSE, app.processId()));
    void* const name = process ? VirtualAllocEx(process.get(), nullptr, library.size() + 1,
                                                MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)
                               : nullptr;
    if (name == nullptr ||
        !WriteProcessMemory(process.get(), name, library.c_str(), library.size() + 1, nullptr)) {
        return "the program's memory could not be written";
    }
    const auto load = reinterpret_cast<LPTHREAD_START_ROUTINE>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "LoadLibraryA")));
    const win32::UniqueHandle thread(CreateRemoteThread(process.get(), nullptr, 0, load, name, 0, nullptr));
    const bool ended = thread && WaitForSingleObject(thread.get(), test::Bound(10000)) == WAIT_OBJECT_0;
    VirtualFreeEx(process.get(), name, 0, MEM_RELEASE);
    return ended ? "" : "the load did not run";
}

// What the system says of DEP inside the running program: a probe library, loaded there, asks and writes
// the answer beside itself.
std::string DepInside(const App& app, const std::string& folder) {
    const std::string probe = folder + "\\dep_probe.dll";
    if (!CopyFileA((test::FolderOfThisExe() + "\\dep_probe.dll").c_str(), probe.c_str(), FALSE)) {
        return "no probe";
    }
    const std::string failed = LoadInside(app, probe);
    return failed.empty() ? test::FileText(probe + ".txt") : failed;
}

} // namespace

TEST_P(PlantedLibraries, NoneIsLoadedWhateverButtonIsPressed) {
    const Build& build = GetParam();
    const test::ScratchFolder folder;
    const std::string beside = folder.path() + "\\Downloads";
    const std::string current = folder.path() + "\\Desktop";
    ASSERT_TRUE(CreateDirectoryA(beside.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(current.c_str(), nullptr));
    ASSERT_TRUE(test::CopyTree(e2e::BinFolder() + "\\All", current + "\\All"));
    const std::string exe = beside + "\\TovalSet.exe";
    ASSERT_TRUE(CopyFileA(build.exe().c_str(), exe.c_str(), FALSE)) << build.exe();
    const std::string planted = test::FolderOfThisExe() + "\\planted_library.dll";
    for (const std::string& where : {beside, current}) {
        for (const char* name : kPlantedNames) {
            ASSERT_TRUE(CopyFileA(planted.c_str(), (where + "\\" + name + ".dll").c_str(), FALSE)) << name;
        }
    }
    ASSERT_TRUE(e2e::InstallRecordingHelpViewer());

    const std::string log = folder.path() + "\\planted.txt";
    const std::string record = folder.path() + "\\help.txt";
    // Inherited by TovalSet and what it starts.
    SetEnvironmentVariableA("TOVALSET_PLANTED_LOG", log.c_str());
    SetEnvironmentVariableA("TOVALSET_RECORD", record.c_str());
    Texts did;
    {
        App app(current, exe);
        SetEnvironmentVariableA("TOVALSET_PLANTED_LOG", nullptr);
        SetEnvironmentVariableA("TOVALSET_RECORD", nullptr);
        // TovalSet asks for every library by its full path, so the program is made to ask for the shell by
        // its bare name, as a system library may ask for one: only the start-up hardening keeps that
        // search, and the search for the shell's own imports, out of the two folders above.
        EXPECT_EQ(LoadInside(app, "shell32.dll"), "");
        did = PressEveryButton(app, record, log, exe);
    }

    const std::string loaded = LoadedBy(log, exe);
    if (build.hardened) {
        EXPECT_EQ(loaded, "");
        // Every button really ran: a button that did nothing would load nothing either.
        EXPECT_EQ(
            did,
            (Texts{"Command1: 8 boxes, the last message: The Import Was Successfull ",
                   "Command4: 1 boxes, the last message: GovernmentalGeneralIntermediateCANew Is OK!",
                   "Command2: 1 boxes, the last message: Confoguration Is OK!!",
                   "Command5: middleware started", "Command6: viewer started", "Command3: exit code 0"}));
    } else {
        EXPECT_NE(loaded, "") << "no planted library was loaded even without the hardening";
    }
    std::printf("%s loaded %s", build.name,
                loaded.empty() ? "no planted library\n" : ("\n" + loaded).c_str());
}

TEST_P(Dep, IsOnForGoodWithoutThunkEmulation) {
    const Build& build = GetParam();
    const test::ScratchFolder folder;
    ASSERT_TRUE(test::CopyTree(e2e::BinFolder() + "\\All", folder.path() + "\\All"));
    const App app(folder.path(), build.exe());
    const std::string dep = DepInside(app, folder.path());
    // PROCESS_DEP_ENABLE | PROCESS_DEP_DISABLE_ATL_THUNK_EMULATION, permanent.
    const std::string hardened = "flags 3 permanent 1";
    if (build.hardened) {
        EXPECT_EQ(dep, hardened);
    } else if (sizeof(void*) == 4) { // a 64-bit process has it anyway
        EXPECT_EQ(dep.rfind("flags ", 0), 0u) << dep;
        EXPECT_NE(dep, hardened);
    }
    std::printf("%s: %s\n", build.name, dep.c_str());
}

const auto kBuildName = [](const ::testing::TestParamInfo<Build>& info) {
    return std::string(info.param.name);
};
INSTANTIATE_TEST_SUITE_P(Builds, PlantedLibraries, ::testing::ValuesIn(kBuilds), kBuildName);
INSTANTIATE_TEST_SUITE_P(Builds, Dep, ::testing::ValuesIn(kBuilds), kBuildName);
