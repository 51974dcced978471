// Runs ConfigureBrowserZone once on the real platform, answers its message box, and prints the box's text.
#include <windows.h>

#include "actions/BrowserZone.h"
#include "platform/win32/Win32Platform.h"
#include "tests/win32/TestSupport.h"

#include <cstdio>

int main() {
    tovalset::win32::Win32Platform os;
    std::vector<std::string> texts;
    {
        tovalset::test::MessageBoxAnswerer answerer;
        tovalset::ConfigureBrowserZone(os);
        texts = answerer.texts();
    }
    for (const auto& text : texts) {
        std::printf("message: %s\n", text.c_str());
    }
    return 0;
}
