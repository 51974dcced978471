// Runs one action on the real platform in the current directory, as its button would, answering every
// box it shows. Prints each box ("message: ..." or "error: ...") and, last, "still running", which shows
// that the program went on after whatever the action met.
//   action_driver <zone|root|new|pki|help>
//   action_driver read <HKLM path> <value name>   prints what GetString reads
#include <windows.h>

#include "actions/BrowserZone.h"
#include "actions/Certificates.h"
#include "actions/Launchers.h"
#include "actions/RegistryReader.h"
#include "actions/RunAction.h"
#include "platform/win32/HandleCast.h"
#include "platform/win32/Text.h"
#include "platform/win32/Win32Platform.h"
#include "tests/win32/TestSupport.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "read") == 0) {
        tovalset::win32::Win32Platform os;
        using tovalset::win32::FromAnsi;
        const std::wstring text = tovalset::GetString(os, tovalset::win32::FromHkey(HKEY_LOCAL_MACHINE),
                                                      FromAnsi(argv[2]), FromAnsi(argv[3]));
        std::printf("%s\n", tovalset::win32::ToAnsi(text).c_str());
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
        std::fprintf(stderr, "usage: action_driver <zone|root|new|pki|help> | read <path> <value>\n");
        return 2;
    }

    tovalset::win32::Win32Platform os;
    std::vector<std::string> texts;
    {
        tovalset::test::MessageBoxAnswerer answerer;
        tovalset::RunAction(os, action);
        texts = answerer.texts();
    }
    for (const auto& text : texts) {
        std::printf("%s\n", text.c_str());
    }
    std::printf("still running\n");
    return 0;
}
