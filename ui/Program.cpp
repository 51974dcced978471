#include "ui/Program.h"

#include "platform/win32/Boxes.h"
#include "platform/win32/Text.h"
#include "platform/win32/Win32Platform.h"
#include "ui/Form1.h"
#include "ui/ModalWindow.h"
#include "ui/ReportCommand.h"

namespace tovalset::ui {

int RunProgram(HINSTANCE instance, const wchar_t* commandLine, int showCommand) {
    if (const Invocation asked = InvocationOf(commandLine); asked.mode != Invocation::Mode::Window) {
        return RunCommand(asked);
    }
    ModalWindow modal;
    win32::Win32Platform os(modal);
    win32::Win32ReportFacts facts;
    Form1 form(instance, os, facts, modal);
    if (!form.Create()) {
        const DWORD error = ::GetLastError();
        win32::ShowBox(nullptr, (L"The window could not be made: " + win32::SystemErrorText(error)).c_str(),
                       MB_OK | MB_ICONERROR);
        return 1;
    }
    return form.Run(showCommand);
}

} // namespace tovalset::ui
