#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include "platform/win32/Win32Platform.h"

#include "platform/win32/Boxes.h"
#include "platform/win32/HandleCast.h"
#include "platform/win32/Handles.h"
#include "platform/win32/SystemLibrary.h"
#include "platform/win32/Text.h"

namespace tovalset::win32 {

RegStatus Win32Platform::RegOpenKeyA(KeyHandle key, const std::wstring& subKey, KeyHandle& result) {
    HKEY opened = nullptr;
    // The system's own view: a 32-bit process on 64-bit Windows would otherwise read the Wow6432Node copy
    // of HKLM\SOFTWARE, which can lag behind an edition upgrade or the Windows 11 build. 32-bit Windows,
    // XP SP3 included, ignores the flag. Every open through the seam is for reading.
    const LONG status =
        ::RegOpenKeyExA(ToHkey(key), ToAnsi(subKey).c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &opened);
    if (status == ERROR_SUCCESS) {
        result = FromHkey(opened);
    }
    return status;
}

RegStatus Win32Platform::RegCreateKeyA(KeyHandle key, const std::wstring& subKey, KeyHandle& result) {
    HKEY created = nullptr;
    const LONG status = ::RegCreateKeyA(ToHkey(key), ToAnsi(subKey).c_str(), &created);
    if (status == ERROR_SUCCESS) {
        result = FromHkey(created);
    }
    return status;
}

RegStatus Win32Platform::RegQueryValueExA(KeyHandle key, const std::wstring& valueName,
                                          std::uint32_t reserved, std::uint32_t& type, std::uint8_t* data,
                                          std::uint32_t& size) {
    DWORD valueType = type;
    DWORD valueSize = size;
    DWORD reservedWord = reserved;
    const LONG status =
        ::RegQueryValueExA(ToHkey(key), ToAnsi(valueName).c_str(), reserved == 0 ? nullptr : &reservedWord,
                           &valueType, data, &valueSize);
    type = valueType;
    size = valueSize;
    return status;
}

RegStatus Win32Platform::RegSetValueExA(KeyHandle key, const std::wstring& valueName, std::uint32_t reserved,
                                        std::uint32_t type, const std::uint8_t* data, std::uint32_t size) {
    return ::RegSetValueExA(ToHkey(key), ToAnsi(valueName).c_str(), reserved, type, data, size);
}

RegStatus Win32Platform::RegCloseKey(KeyHandle key) {
    return ::RegCloseKey(ToHkey(key));
}

std::wstring Win32Platform::FromAnsiCodePage(const std::string& bytes) {
    return FromAnsi(bytes);
}

WindowHandle Win32Platform::FindWindowExA(WindowHandle parent, WindowHandle childAfter,
                                          const std::wstring& className,
                                          const std::optional<std::wstring>& windowName) {
    const std::string narrowClass = ToAnsi(className);
    const std::string narrowName = windowName ? ToAnsi(*windowName) : std::string();
    return FromHwnd(::FindWindowExA(ToHwnd(parent), ToHwnd(childAfter), narrowClass.c_str(),
                                    windowName ? narrowName.c_str() : nullptr));
}

bool Win32Platform::PostMessageA(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                 std::intptr_t lParam) {
    return ::PostMessageA(ToHwnd(window), message, wParam, lParam) != FALSE;
}

ComApartment::~ComApartment() {
    if (const auto uninitialize = entered_ ? ole_.Proc<void(WINAPI*)()>("CoUninitialize") : nullptr) {
        uninitialize();
    }
}

void ComApartment::Enter() {
    if (ole_) {
        return;
    }
    ole_ = SystemLibrary(L"ole32.dll");
    const auto initialize = ole_.Proc<HRESULT(WINAPI*)(LPVOID, DWORD)>("CoInitializeEx");
    // S_FALSE (already entered on this thread) counts too, and is matched by one CoUninitialize.
    entered_ = initialize != nullptr &&
               SUCCEEDED(initialize(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
}

std::wstring Win32Platform::SystemWindowsDirectory() {
    // The system's folder, not the per-user Windows folder that a terminal server gives each user and
    // that the user can write to.
    wchar_t folder[MAX_PATH + 1] = {};
    const UINT length = ::GetSystemWindowsDirectoryW(folder, MAX_PATH + 1);
    return length > 0 && length <= MAX_PATH ? std::wstring(folder, length) : std::wstring();
}

std::intptr_t Win32Platform::ShellExecuteA(WindowHandle owner, const std::wstring& operation,
                                           const std::wstring& file, const std::wstring& parameters,
                                           const std::wstring& directory, int showCommand) {
    // The shell is loaded on first use: most runs never open the help, and loading it at start-up costs
    // more memory than the rest of the program.
    com_.Enter();
    if (!shell_) {
        shell_ = SystemLibrary(L"shell32.dll");
    }
    const auto execute =
        shell_.Proc<HINSTANCE(WINAPI*)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT)>("ShellExecuteA");
    if (execute == nullptr) {
        // Nothing was started: the shell's own code for a library that could not be loaded, 32 or less like
        // its every failure. The system's error code (126, 127) would read as success.
        return SE_ERR_DLLNOTFOUND;
    }
    const HINSTANCE result = execute(ToHwnd(owner), ToAnsi(operation).c_str(), ToAnsi(file).c_str(),
                                     ToAnsi(parameters).c_str(), ToAnsi(directory).c_str(), showCommand);
    return reinterpret_cast<std::intptr_t>(result);
}

void Win32Platform::ShowMessage(const std::wstring& text) {
    ShowBox(text, 0);
}

void Win32Platform::ShowError(const std::wstring& text) {
    ShowBox(text, MB_ICONERROR);
}

void Win32Platform::ShowBox(const std::wstring& text, unsigned icon) {
    if (host_->CloseRequested()) {
        throw ActionCancelled();
    }
    // Owned by our window it is modal to it; without one, to every window of this thread.
    const HWND owner = host_->BoxOwner();
    win32::ShowBox(owner, text.c_str(), MB_OK | icon | (owner == nullptr ? MB_TASKMODAL : 0));
}

} // namespace tovalset::win32
