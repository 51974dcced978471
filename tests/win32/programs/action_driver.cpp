// Runs one action on the real platform in the current directory, as its button would, answering every
// box it shows. Prints each box ("message: ..." or "error: ...") and, last, "still running", which shows
// that the program went on after whatever the action met: it is printed only when the action came back
// and one more box, shown through the same platform after it, was shown and answered like the action's;
// otherwise "not running on: " and why.
//   action_driver <zone|root|new|pki|help>
//   action_driver read <HKLM path> <value name>   prints what GetString reads
//   action_driver shell <file>                     prints what the platform's ShellExecuteA returns for it
//   action_driver files | imports   prints, one a line, the certificate files of the support folder, or the
//                                   ones the install button imports in its order
// With TOVALSET_TEST_CERTMGR_BOUND_MS set, a program the action waits for is waited for that long at most
// instead of the action's own bound (two minutes for the certificate manager), so that a test of a tool that
// never ends stays short. The setting lives here only; the program has none.
#include <windows.h>

#include "actions/buttons/BrowserZone.h"
#include "actions/buttons/Certificates.h"
#include "actions/buttons/Launchers.h"
#include "actions/readers/RegistryReader.h"
#include "actions/buttons/RunAction.h"
#include "platform/win32/Text.h"
#include "platform/win32/Win32Platform.h"
#include "tests/support/TestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The real platform, with the wait for a program cut to the test's bound when one is set.
class BoundedWaitPlatform : public tovalset::win32::Win32Platform {
public:
    BoundedWaitPlatform() {
        char bound[16] = {};
        if (GetEnvironmentVariableA("TOVALSET_TEST_CERTMGR_BOUND_MS", bound, sizeof bound) != 0) {
            boundMs_ = static_cast<std::uint32_t>(std::strtoul(bound, nullptr, 10));
        }
    }
    tovalset::ProgramOutcome StartProgramAndWait(const std::wstring& commandLine, int windowStyle,
                                                 std::uint32_t timeoutMs) override {
        return Win32Platform::StartProgramAndWait(
            commandLine, windowStyle, boundMs_ != 0 && boundMs_ < timeoutMs ? boundMs_ : timeoutMs);
    }

private:
    std::uint32_t boundMs_ = 0;
};

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "read") == 0) {
        tovalset::win32::Win32Platform os;
        using tovalset::win32::FromAnsi;
        const std::wstring text =
            tovalset::GetString(os, tovalset::kLocalMachine, FromAnsi(argv[2]), FromAnsi(argv[3]));
        std::printf("%s\n", tovalset::win32::ToAnsi(text).c_str());
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "shell") == 0) {
        tovalset::win32::Win32Platform os;
        const std::intptr_t result =
            os.ShellExecuteA(tovalset::WindowHandle::None, L"open", tovalset::win32::FromAnsi(argv[2]), L"",
                             L"", SW_SHOWNORMAL);
        std::printf("%lld\n", static_cast<long long>(result));
        return 0;
    }
    if (argc == 2 && (std::strcmp(argv[1], "files") == 0 || std::strcmp(argv[1], "imports") == 0)) {
        const auto files = std::strcmp(argv[1], "files") == 0 ? tovalset::CertificateFiles()
                                                              : tovalset::RootCertificateImports();
        for (const std::wstring& file : files) {
            std::printf("%s\n", tovalset::win32::ToAnsi(file).c_str());
        }
        return 0;
    }
    struct Named {
        const char* name;
        tovalset::Action action;
    };
    const Named actions[] = {{"zone", &tovalset::ConfigureBrowserZone},
                             {"root", &tovalset::InstallRootCertificates},
                             {"new", &tovalset::InstallNewCertificates},
                             {"pki", &tovalset::LaunchPkiTool},
                             {"help", &tovalset::OpenHelp}};
    tovalset::Action action = nullptr;
    for (const Named& named : actions) {
        if (argc == 2 && std::strcmp(argv[1], named.name) == 0) {
            action = named.action;
        }
    }
    if (action == nullptr) {
        std::fprintf(stderr, "usage: action_driver <zone|root|new|pki|help> | read <path> <value> | "
                             "shell <file> | files | imports\n");
        return 2;
    }

    BoundedWaitPlatform os;
    tovalset::win32::Win32ReportFacts facts;
    std::vector<std::string> texts;
    // Why the program did not go on after the action; empty when it did: the action came back, without an
    // exception that a window would not survive, and one more box, shown through the same platform
    // after it, came up and was answered. A box that cannot be shown any more (its thread's messages
    // taken over, the platform thinking the window is going) comes back without one.
    std::string notRunningOn;
    {
        tovalset::test::MessageBoxAnswerer answerer;
        try {
            tovalset::RunAction(os, facts, action);
            const std::size_t before = answerer.texts().size();
            os.ShowMessage(L"still running");
            texts = answerer.texts();
            if (texts.size() != before + 1 || texts.back() != "message: still running") {
                notRunningOn = "the box after the action was not shown and answered";
            } else {
                texts.pop_back();
            }
        } catch (const std::exception& error) {
            texts = answerer.texts();
            notRunningOn = std::string("the action ended in an exception: ") + error.what();
        }
    }
    for (const auto& text : texts) {
        std::printf("%s\n", text.c_str());
    }
    // Said in the output, which the tests compare and show, not in the exit code, which stops a script
    // before it can.
    std::printf("%s\n", notRunningOn.empty() ? "still running" : ("not running on: " + notRunningOn).c_str());
    return 0;
}
