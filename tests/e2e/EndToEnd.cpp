#include "tests/e2e/EndToEnd.h"

#include "actions/buttons/Certificates.h"
#include "platform/win32/Text.h"
#include "tests/support/TestSupport.h"

#include <winternl.h>

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace tovalset::e2e {

namespace {

struct WindowSearch {
    DWORD process = 0;
    HWND window = nullptr;
};

BOOL CALLBACK FindForm(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char className[64] = {};
    GetClassNameA(window, className, sizeof className);
    if (process == search->process && IsWindowVisible(window) && std::string(className) == "TovalSetForm1") {
        search->window = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK FindAnyShown(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == search->process && IsWindowVisible(window)) {
        search->window = window;
        return FALSE;
    }
    return TRUE;
}

// What has come through the pipe so far, without waiting for more.
void Drain(HANDLE pipe, std::string& into) {
    DWORD ready = 0;
    while (PeekNamedPipe(pipe, nullptr, 0, nullptr, &ready, nullptr) && ready > 0) {
        std::string piece(ready, '\0');
        DWORD read = 0;
        if (!ReadFile(pipe, piece.data(), ready, &read, nullptr) || read == 0) {
            return;
        }
        into.append(piece, 0, read);
    }
}

void Send(INPUT input) {
    SendInput(1, &input, sizeof input);
}

// Where the input of the control's thread goes, each change with its time, for a failure to say why a
// click was lost: where the control's window is and which window lies above it, the foreground window,
// the thread's active, focus and capture windows and its menu mode, whether the system holds the left
// button down, whether the control shows itself pushed, and the window under the click's point.
class InputTimeline {
public:
    InputTimeline(HWND control, POINT at) : control_(control), at_(at), start_(GetTickCount()) {}

    // Looks once; a state that differs from the last one is written down.
    void Look(const char* event = nullptr) {
        std::string now = State();
        if (event != nullptr) {
            text_ += "; +" + std::to_string(GetTickCount() - start_) + " ms " + event;
        }
        if (now != last_) {
            text_ += "; +" + std::to_string(GetTickCount() - start_) + " ms " + now;
            last_ = std::move(now);
        }
    }
    bool Pushed() const { return pushed_; }
    std::string Text() const {
        RECT rect{};
        GetWindowRect(control_, &rect);
        return " (the control from " + std::to_string(rect.left) + "," + std::to_string(rect.top) + " to " +
               std::to_string(rect.right) + "," + std::to_string(rect.bottom) + ", the click at " +
               std::to_string(at_.x) + "," + std::to_string(at_.y) + text_ + ")";
    }

private:
    std::string Name(HWND window) const {
        if (window == nullptr) {
            return "none";
        }
        char className[64] = {};
        char text[64] = {};
        GetClassNameA(window, className, sizeof className);
        GetWindowTextA(window, text, sizeof text);
        std::string name = window == control_ ? "the control" : std::string(className);
        return text[0] != '\0' && window != control_ ? name + " \"" + text + "\"" : name;
    }
    std::string State() {
        const HWND root = GetAncestor(control_, GA_ROOT);
        RECT window{};
        GetWindowRect(root, &window);
        std::string state = "its window at " + std::to_string(window.left) + "," +
                            std::to_string(window.top) + (IsWindowVisible(root) != FALSE ? "" : " hidden") +
                            " below " + Name(GetWindow(root, GW_HWNDPREV));
        GUITHREADINFO thread{};
        thread.cbSize = sizeof thread;
        GetGUIThreadInfo(GetWindowThreadProcessId(control_, nullptr), &thread);
        state += ", foreground " + Name(GetForegroundWindow()) + ", active " + Name(thread.hwndActive) +
                 ", focus " + Name(thread.hwndFocus) + ", capture " + Name(thread.hwndCapture) +
                 ((thread.flags & GUI_INMENUMODE) != 0 ? ", in a menu" : "");
        POINT pointer{};
        GetCursorPos(&pointer);
        state += ", pointer " + std::to_string(pointer.x) + "," + std::to_string(pointer.y) + " over " +
                 Name(WindowFromPoint(at_)) +
                 ((GetAsyncKeyState(VK_LBUTTON) & 0x8000) != 0 ? ", button down" : ", button up");
        DWORD_PTR pushed = 0;
        pushed_ = SendMessageTimeoutA(control_, BM_GETSTATE, 0, 0, SMTO_ABORTIFHUNG, test::Bound(1000),
                                      &pushed) != 0 &&
                  (pushed & BST_PUSHED) != 0;
        return state + (pushed_ ? ", pushed" : ", not pushed");
    }

    HWND control_;
    POINT at_;
    DWORD start_;
    std::string text_;
    std::string last_;
    bool pushed_ = false;
};

// A button of the mouse going down or up at a point of the screen. The point goes with it, as with a real
// mouse: the thread that takes the click may still be working through pointer moves from before (the
// pointer entering a window as the box over it closed), and a click without its point would land wherever
// the last of those put the pointer.
void SendButton(DWORD upOrDown, POINT at) {
    const LONG width = GetSystemMetrics(SM_CXSCREEN);
    const LONG height = GetSystemMetrics(SM_CYSCREEN);
    INPUT input{};
    input.type = INPUT_MOUSE;
    // The screen in 65536 steps each way; rounded up, so that the step maps back onto the very pixel.
    input.mi.dx = (at.x * 65536 + width - 1) / width;
    input.mi.dy = (at.y * 65536 + height - 1) / height;
    input.mi.dwFlags = upOrDown | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    Send(input);
}

// Whether `control` is the window at `at` as X shows it, as far as its thread has taken X's events. Wine
// keeps its order of the windows in step with X's through the pointer: each pointer event that X sends a
// window puts that window on top of those under the pointer. A window just shown is on X's screen only
// once the window manager has mapped it; until then the pointer moving onto it is over the window beneath,
// which Wine then puts back on top, and a click there goes to that window. For a message box that is its
// owner, disabled while the box is up, which drops the click as Windows does. The pixel taken first is a
// round trip to X, which has moved the pointer and sent its events by then; the thread takes them the next
// time it waits for input, after it has answered this look.
bool UnderThePointer(HWND control, POINT at) {
    CaptureScreen(RECT{at.x, at.y, at.x + 1, at.y + 1});
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutA(control, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, test::Bound(5000), &ignored) != 0 &&
           WindowFromPoint(at) == control;
}

// A click of the left mouse button in the middle of `button`, as a user makes it: with the pointer there,
// once the button is what the screen shows at that point, and let go only once `button` has taken it down
// (it shows itself pushed), so that it gets both halves of the click.
void MouseClick(HWND button) {
    RECT box;
    GetWindowRect(button, &box);
    POINT middle{(box.left + box.right) / 2, (box.top + box.bottom) / 2};
    InputTimeline timeline(button, middle);
    timeline.Look();
    SetCursorPos(middle.x, middle.y);
    if (!test::WaitUntil(
            [&] {
                POINT now{};
                return GetCursorPos(&now) && now.x == middle.x && now.y == middle.y;
            },
            5000)) {
        throw std::runtime_error("the pointer did not move onto the control to be clicked" + timeline.Text());
    }
    // Three looks in a row that find the button there: the thread waited, and took the pointer's events,
    // between the first two (see UnderThePointer), and the third shows nothing came of them since.
    int looks = 0;
    if (!test::WaitUntil(
            [&] {
                looks = UnderThePointer(button, middle) ? looks + 1 : 0;
                timeline.Look();
                return looks == 3;
            },
            5000)) {
        throw std::runtime_error("another window is on screen where the control is to be clicked" +
                                 timeline.Text());
    }
    SendButton(MOUSEEVENTF_LEFTDOWN, middle);
    timeline.Look("the button sent down");
    const bool pushed = test::WaitUntil(
        [&] {
            timeline.Look();
            return timeline.Pushed();
        },
        5000);
    // Let go either way: a mouse button left down would drag whatever comes next.
    SendButton(MOUSEEVENTF_LEFTUP, middle);
    if (!pushed) {
        timeline.Look("the button sent up");
        throw std::runtime_error("the control did not take the mouse button going down" + timeline.Text());
    }
}

// Brings the window to the front and waits until it is there: keyboard input goes to the foreground
// window.
void BringToFront(HWND window) {
    SetForegroundWindow(window);
    if (!test::WaitUntil([window] { return GetForegroundWindow() == window; }, 5000)) {
        throw std::runtime_error("the window did not come to the front");
    }
}

struct WindowCount {
    DWORD process = 0;
    long count = 0;
};

BOOL CALLBACK CountWindow(HWND window, LPARAM param) {
    auto* counted = reinterpret_cast<WindowCount*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == counted->process) {
        ++counted->count;
    }
    return TRUE;
}

BOOL CALLBACK CountWindowAndChildren(HWND window, LPARAM param) {
    CountWindow(window, param);
    EnumChildWindows(window, &CountWindow, param);
    return TRUE;
}

// Every handle value that the process holds can be duplicated from it; values are small multiples of 4.
long ProbeHandles(HANDLE process) {
    long count = 0;
    for (std::uintptr_t value = 4; value < 0x10000; value += 4) {
        HANDLE copy = nullptr;
        if (DuplicateHandle(process, reinterpret_cast<HANDLE>(value), GetCurrentProcess(), &copy, 0, FALSE,
                            DUPLICATE_SAME_ACCESS)) {
            const win32::UniqueHandle owner(copy);
            ++count;
        }
    }
    return count;
}

// Wine keeps each process's GDI objects in a table of its own, which the process's PEB names as the GDI
// shared handle table (as Windows' did): 65536 entries of 24 bytes, one in use when its type is not 0. The
// count, or -1 when the table cannot be read.
#pragma pack(push, 1)
struct WineGdiEntry {
    std::uint64_t object;
    std::uint32_t owner;
    std::uint16_t unique;
    std::uint8_t type;
    std::uint8_t flags;
    std::uint64_t user;
};
#pragma pack(pop)
static_assert(sizeof(WineGdiEntry) == 24, "Wine's GDI handle entry");

long CountWineGdiObjects(HANDLE process) {
    PROCESS_BASIC_INFORMATION basic{};
    ULONG length = 0;
    if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof basic, &length) != 0) {
        return -1;
    }
    const std::size_t tableOffset = sizeof(void*) == 8 ? 0xF8 : 0x94; // PEB.GdiSharedHandleTable
    void* table = nullptr;
    SIZE_T read = 0;
    if (!ReadProcessMemory(process, reinterpret_cast<const char*>(basic.PebBaseAddress) + tableOffset, &table,
                           sizeof table, &read) ||
        table == nullptr) {
        return -1;
    }
    std::vector<WineGdiEntry> entries(0x10000);
    if (!ReadProcessMemory(process, table, entries.data(), entries.size() * sizeof(WineGdiEntry), &read)) {
        return -1;
    }
    return static_cast<long>(std::count_if(entries.begin(), entries.end(),
                                           [](const WineGdiEntry& entry) { return entry.type != 0; }));
}

} // namespace

namespace {

Pixels Capture(HDC source, int x, int y, int width, int height) {
    Pixels pixels;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const win32::UniqueGdiObject section(CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    const win32::UniqueMemoryDc memory(CreateCompatibleDC(source));
    if (!section || !memory) {
        return pixels;
    }
    const HGDIOBJ previous = SelectObject(memory.get(), section.get());
    BitBlt(memory.get(), 0, 0, width, height, source, x, y, SRCCOPY);
    GdiFlush();
    pixels.width = width;
    pixels.height = height;
    const auto* words = static_cast<const std::uint32_t*>(bits);
    pixels.rgb.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    std::transform(words, words + pixels.rgb.size(), pixels.rgb.begin(),
                   [](std::uint32_t word) { return word & 0x00FFFFFF; });
    SelectObject(memory.get(), previous);
    return pixels;
}

} // namespace

Pixels CaptureScreen(const RECT& box) {
    const HDC screen = GetDC(nullptr);
    Pixels pixels = Capture(screen, box.left, box.top, box.right - box.left, box.bottom - box.top);
    ReleaseDC(nullptr, screen);
    return pixels;
}

RECT ClientBox(HWND control, HWND window) {
    RECT box;
    GetWindowRect(control, &box);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&box), 2);
    return box;
}

Pixels ExeBitmap(const std::string& exe, int id) {
    Pixels pixels;
    const HMODULE module = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr) {
        return pixels;
    }
    const win32::UniqueGdiObject bitmap(
        LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    BITMAP info{};
    if (bitmap && GetObjectA(bitmap.get(), sizeof info, &info) != 0) {
        const HDC screen = GetDC(nullptr);
        {
            const win32::UniqueMemoryDc memory(CreateCompatibleDC(screen));
            const HGDIOBJ previous = SelectObject(memory.get(), bitmap.get());
            pixels = Capture(memory.get(), 0, 0, info.bmWidth, info.bmHeight);
            SelectObject(memory.get(), previous);
        }
        ReleaseDC(nullptr, screen);
    }
    FreeLibrary(module);
    return pixels;
}

bool SaveBmp(const Pixels& pixels, const std::string& path) {
    const int stride = (pixels.width * 3 + 3) & ~3;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = pixels.width;
    info.biHeight = pixels.height; // bottom-up
    info.biPlanes = 1;
    info.biBitCount = 24;
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(stride * pixels.height);
    std::string data(reinterpret_cast<const char*>(&file), sizeof file);
    data.append(reinterpret_cast<const char*>(&info), sizeof info);
    for (int y = pixels.height - 1; y >= 0; --y) {
        std::string row(static_cast<std::size_t>(stride), '\0');
        for (int x = 0; x < pixels.width; ++x) {
            const std::uint32_t p = pixels.at(x, y);
            const std::size_t column = static_cast<std::size_t>(x) * 3;
            row[column] = static_cast<char>(p & 0xFF);
            row[column + 1] = static_cast<char>((p >> 8) & 0xFF);
            row[column + 2] = static_cast<char>((p >> 16) & 0xFF);
        }
        data += row;
    }
    const win32::UniqueHandle out(
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    return out && WriteFile(out.get(), data.data(), static_cast<DWORD>(data.size()), &written, nullptr) &&
           written == data.size();
}

std::vector<std::string> CertificateFiles() {
    const std::vector<std::wstring> wide = tovalset::CertificateFiles();
    std::vector<std::string> files(wide.size());
    std::transform(wide.begin(), wide.end(), files.begin(),
                   [](const std::wstring& file) { return win32::ToAnsi(file); });
    return files;
}

std::string BinFolder() {
    return test::FolderOfThisExe() + "\\..\\..\\bin";
}

std::string ExeUnderTest() {
#ifdef TOVALSET_E2E_SHIPPED
    return test::FolderOfThisExe() + "\\..\\..\\shipped\\TovalSet.exe";
#else
    return BinFolder() + "\\TovalSet.exe";
#endif
}

bool InstallRecordingHelpViewer() {
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    return CopyFileA((test::FolderOfThisExe() + "\\..\\win32\\record_start_gui.exe").c_str(),
                     (std::string(windows) + "\\hh.exe").c_str(), FALSE) != FALSE;
}

CommandRun RunCommand(const std::string& folder, const std::string& arguments, bool piped, DWORD milliseconds,
                      const std::string& exe) {
    CommandRun run;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE reading = nullptr;
    HANDLE writing = nullptr;
    if (piped && !CreatePipe(&reading, &writing, &inherit, 0)) {
        throw std::runtime_error("no pipe for TovalSet's output");
    }
    const win32::UniqueHandle ours(reading);
    win32::UniqueHandle theirs(writing);
    if (piped) {
        SetHandleInformation(reading, HANDLE_FLAG_INHERIT, 0);
    }
    std::string line = "\"" + exe + "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writing;
    startup.hStdError = writing;
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(exe.c_str(), line.data(), nullptr, nullptr, piped, 0, nullptr, folder.c_str(),
                        &startup, &started)) {
        throw std::runtime_error("cannot start " + exe);
    }
    const win32::UniqueHandle process(started.hProcess);
    const win32::UniqueHandle thread(started.hThread);
    // Only TovalSet holds the pipe's end now: it breaks when TovalSet ends.
    theirs.reset();
    const bool ended = test::WaitUntil(
        [&] {
            WindowSearch search{started.dwProcessId};
            EnumWindows(&FindAnyShown, reinterpret_cast<LPARAM>(&search));
            run.windowShown = run.windowShown || search.window != nullptr;
            if (piped) {
                Drain(reading, run.output);
            }
            return WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0;
        },
        milliseconds);
    if (!ended) {
        TerminateProcess(process.get(), 1);
        WaitForSingleObject(process.get(), test::Bound(5000));
        return run;
    }
    if (piped) {
        Drain(reading, run.output);
    }
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    run.exitCode = static_cast<long>(code);
    return run;
}

App::App(const std::string& folder, const std::string& exe) {
    std::string line = "\"" + exe + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                        &startup, &started)) {
        throw std::runtime_error("cannot start " + exe);
    }
    process_.reset(started.hProcess);
    const win32::UniqueHandle thread(started.hThread);
    processId_ = started.dwProcessId;
    threadId_ = started.dwThreadId;
    // Its first message loop has begun: the window is made by then. A start that never gets there is a
    // fault of the program, not a slow machine, since the bound is stretched with the machine.
    const DWORD idle = WaitForInputIdle(process_.get(), test::Bound(15000));
    if (idle != 0) {
        throw std::runtime_error(idle == WAIT_TIMEOUT ? "TovalSet did not come to its message loop in time"
                                                      : "TovalSet's start could not be waited for (error " +
                                                            std::to_string(GetLastError()) + ")");
    }
    test::WaitUntil(
        [this] {
            WindowSearch search{processId_};
            EnumWindows(&FindForm, reinterpret_cast<LPARAM>(&search));
            window_ = search.window;
            return window_ != nullptr;
        },
        15000);
    if (window_ == nullptr) {
        throw std::runtime_error("TovalSet showed no window");
    }
}

App::~App() {
    if (Running()) {
        TerminateProcess(process_.get(), 1);
        WaitForSingleObject(process_.get(), test::Bound(5000));
    }
}

HWND App::focus() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(threadId_, &info) ? info.hwndFocus : nullptr;
}

long App::WaitForExit(DWORD milliseconds) {
    if (WaitForSingleObject(process_.get(), test::Bound(milliseconds)) != WAIT_OBJECT_0) {
        return -1;
    }
    DWORD code = 0;
    GetExitCodeProcess(process_.get(), &code);
    return static_cast<long>(code);
}

bool App::Running() const {
    return WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

ProcessResources App::Resources() const {
    ProcessResources resources;
    SetLastError(ERROR_SUCCESS);
    const DWORD gdi = GetGuiResources(process_.get(), GR_GDIOBJECTS);
    if (gdi != 0 || GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) {
        resources.gdiObjects = static_cast<long>(gdi);
        resources.userObjects = static_cast<long>(GetGuiResources(process_.get(), GR_USEROBJECTS));
    } else {
        resources.gdiObjects = CountWineGdiObjects(process_.get());
        WindowCount windows{processId_};
        EnumWindows(&CountWindowAndChildren, reinterpret_cast<LPARAM>(&windows));
        resources.userObjects = windows.count;
    }
    DWORD handles = 0;
    resources.handles = GetProcessHandleCount(process_.get(), &handles) && handles != 0
                            ? static_cast<long>(handles)
                            : ProbeHandles(process_.get());
    // Nothing counted is no count.
    for (long* count : {&resources.handles, &resources.userObjects, &resources.gdiObjects}) {
        if (*count <= 0) {
            *count = -1;
        }
    }
    return resources;
}

std::string App::WaitUntilReady(DWORD milliseconds) const {
    // Each look sends the window a message. Inside an action its thread takes one only in a wait for a
    // tool or in a box, and both disable the window before they take any; between two steps of an action
    // it takes none, and the look waits. So a look that is answered, finds the window enabled and no box,
    // was answered from the message loop, unless a wait ended just between the answer and the look at the
    // window: three such looks in a row rule that out. No span of time is guessed.
    std::string why;
    int looks = 0;
    const bool ready = test::WaitUntil(
        [&] {
            DWORD_PTR ignored = 0;
            HWND box = nullptr;
            if (!IsWindow(window_)) {
                why = "its window is gone";
                return true;
            }
            if (SendMessageTimeoutA(window_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, test::Bound(5000), &ignored) ==
                0) {
                why = "its window's thread took no message";
            } else if ((box = test::FindMessageBox(processId_)) != nullptr) {
                why = "a message box is up, " + test::ReadMessageBox(box);
                return true;
            } else if (!IsWindowEnabled(window_)) {
                why = "its window is disabled, as while it waits for a tool";
            } else {
                why.clear();
            }
            looks = why.empty() ? looks + 1 : 0;
            return looks == 3;
        },
        milliseconds);
    if (ready) {
        return why;
    }
    // The bound ran out: a window that was seen ready fewer than three times in a row is not known to be.
    return why.empty()
               ? "the time ran out after " + std::to_string(looks) + " of the three looks in a row it takes"
               : why;
}

void App::Click(HWND control) const {
    const std::string notReady = WaitUntilReady();
    if (!notReady.empty()) {
        throw std::runtime_error("TovalSet was not ready for a click: " + notReady);
    }
    BringToFront(window_);
    MouseClick(control);
}

void App::PostClick(HWND control) {
    const LPARAM middle = MAKELPARAM(65, 17);
    PostMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, middle);
    PostMessageA(control, WM_LBUTTONUP, 0, middle);
}

namespace {

// A key pressed and let go, with `held` (0 for none) down around it.
void Press(WORD key, WORD held = 0) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    if (held != 0) {
        input.ki.wVk = held;
        Send(input);
    }
    input.ki.wVk = key;
    Send(input);
    input.ki.dwFlags = KEYEVENTF_KEYUP;
    Send(input);
    if (held != 0) {
        input.ki.wVk = held;
        Send(input);
    }
}

} // namespace

void App::Key(WORD key, bool shift) const {
    const std::string notReady = WaitUntilReady();
    if (!notReady.empty()) {
        throw std::runtime_error("TovalSet was not ready for a key: " + notReady);
    }
    BringToFront(window_);
    Press(key, shift ? VK_SHIFT : 0);
}

void App::ChooseSystemMenuItem(int upPresses) const {
    OpenSystemMenu();
    for (int i = 0; i < upPresses; ++i) {
        Press(VK_UP);
    }
    Press(VK_RETURN);
}

void App::ChooseSystemMenuLetter(WORD letter) const {
    OpenSystemMenu();
    Press(letter);
}

void App::OpenSystemMenu() const {
    const std::string notReady = WaitUntilReady();
    if (!notReady.empty()) {
        throw std::runtime_error("TovalSet was not ready for its system menu: " + notReady);
    }
    BringToFront(window_);
    Press(VK_SPACE, VK_MENU);
    // Keys pressed before the menu's own loop runs go to the window instead: wait for the menu to show.
    const DWORD process = processId_;
    const auto menuShown = [process] {
        for (HWND menu = FindWindowExA(nullptr, nullptr, "#32768", nullptr); menu != nullptr;
             menu = FindWindowExA(nullptr, menu, "#32768", nullptr)) {
            DWORD owner = 0;
            GetWindowThreadProcessId(menu, &owner);
            if (owner == process && IsWindowVisible(menu) != FALSE) {
                return true;
            }
        }
        return false;
    };
    if (!test::WaitUntil(menuShown, 5000)) {
        throw std::runtime_error("the system menu did not show after Alt+Space");
    }
    // The keys go to the foreground window's thread, which runs the menu's loop.
    if (GetForegroundWindow() != window_) {
        throw std::runtime_error("the window lost the foreground while its system menu was open");
    }
}

void App::KeyTo(HWND dialog, WORD key) {
    BringToFront(dialog);
    Press(key);
}

void App::ClickIn(HWND dialogControl) {
    BringToFront(GetAncestor(dialogControl, GA_ROOT));
    MouseClick(dialogControl);
}

namespace {

// A click on the box's OK button, as a user makes it, once the box is in front.
void ClickOk(HWND box) {
    const HWND ok = FindWindowExA(box, nullptr, "Button", nullptr);
    if (ok == nullptr) {
        throw std::runtime_error("a message box has no OK button");
    }
    BringToFront(box);
    MouseClick(ok);
}

// The command that a click on OK becomes, posted to the box.
void PostOk(HWND box) {
    PostMessageA(box, WM_COMMAND, IDOK, 0);
}

} // namespace

std::vector<std::string> App::AnswerBoxes(std::size_t count, DWORD milliseconds, Answer how) const {
    std::vector<std::string> texts;
    while (texts.size() < count) {
        HWND box = nullptr;
        if (!test::WaitUntil([&] { return (box = test::FindMessageBox(processId_)) != nullptr; },
                             milliseconds)) {
            break;
        }
        // Its text is set before the box shows.
        texts.push_back(test::ReadMessageBox(box));
        if (how == Answer::ByMouse) {
            ClickOk(box);
        } else {
            PostOk(box);
        }
        if (!test::WaitUntil([box] { return IsWindow(box) == FALSE; }, 5000)) {
            InputTimeline timeline(FindWindowExA(box, nullptr, "Button", nullptr), POINT{});
            timeline.Look();
            throw std::runtime_error("a message box did not close when it was answered: " + texts.back() +
                                     timeline.Text());
        }
    }
    return texts;
}

} // namespace tovalset::e2e
