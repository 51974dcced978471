// The real TovalSet.exe at the display scale of its Wine prefix (TOVALSET_WINE_LOGPIXELS, which the
// e2e_scale test sets in the prefix before each run): the window laid out from its twips, each button
// showing the picture drawn for that scale, every label's text inside its box, and every button named for
// screen readers.
#include <windows.h>

#include <oleacc.h>

#include "tests/e2e/EndToEnd.h"
#include "tests/support/TestSupport.h"
#include "ui/LabelFont.h"
#include "ui/resources/resource.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

using namespace tovalset;

namespace {

// The layout in twips: 15 to the pixel at 96 dots per inch.
struct Twips {
    int id, left, top, width, height;
};
constexpr Twips kClient = {0, 0, 0, 4695, 3195};
constexpr Twips kControls[] = {
    {IDC_LABEL2, 240, 120, 1080, 450},     {IDC_LABEL3, 1440, 120, 3015, 450},
    {IDC_LABEL1, 240, 720, 1080, 450},     {IDC_LABEL4, 1440, 720, 3015, 450},
    {IDC_COMMAND1, 2400, 1320, 1950, 525}, {IDC_COMMAND2, 2400, 2520, 1950, 525},
    {IDC_COMMAND3, 360, 2520, 1950, 525},  {IDC_COMMAND4, 2400, 1920, 1950, 525},
    {IDC_COMMAND5, 360, 1320, 1950, 525},  {IDC_COMMAND6, 360, 1920, 1950, 525},
};
constexpr int kLabels[] = {IDC_LABEL1, IDC_LABEL2, IDC_LABEL3, IDC_LABEL4};

// What a screen reader says for each button, Command1 to Command6: the words of its picture.
const wchar_t* const kNames[] = {
    L"نصب گواهی های دیجیتال (install digital certificates)",
    L"تنظیمات IE (IE settings)",
    L"خروج (exit)",
    L"نصب گواهی دیجیتال(تمدید) (install digital certificate, renewal)",
    L"نصب میان افزار (install middleware)",
    L"راهنما (help)",
};

int AskedDpi() {
    const char* dpi = std::getenv("TOVALSET_WINE_LOGPIXELS");
    return dpi != nullptr ? std::atoi(dpi) : 96;
}

// The button pictures come in renditions for 100, 125, 150 and 200 %, in steps of IDR_RENDITION_STEP.
int FirstPicture(int dpi) {
    switch (dpi) {
    case 120:
        return IDR_COMMAND1 + IDR_RENDITION_STEP;
    case 144:
        return IDR_COMMAND1 + 2 * IDR_RENDITION_STEP;
    case 192:
        return IDR_COMMAND1 + 3 * IDR_RENDITION_STEP;
    default:
        return IDR_COMMAND1;
    }
}

// This process sees TovalSet's pixels as they are: a process that does not declare itself aware of the
// scale would get every rectangle of a window that does scaled back to 96 dots per inch.
void BecomeDpiAware() {
    using SetProcessDpiAware = BOOL(WINAPI*)();
    if (const auto aware = reinterpret_cast<SetProcessDpiAware>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "SetProcessDPIAware")))) {
        aware();
    }
}

int ScreenDpi() {
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

// The buttons that are not focused show exactly their picture; the focused one also carries its ring.
int CompareUnfocused(const e2e::App& app, int firstPicture, bool& compared) {
    const std::string exe = e2e::ExeUnderTest();
    int differing = 0;
    for (int i = 0; i < 6; ++i) {
        const HWND button = app.control(IDC_COMMAND1 + i);
        if (button == app.focus()) {
            continue;
        }
        SCOPED_TRACE("Command" + std::to_string(i + 1));
        const e2e::Pixels picture = e2e::ExeBitmap(exe, firstPicture + i);
        RECT box;
        GetWindowRect(button, &box);
        EXPECT_EQ(picture.width, box.right - box.left) << "the rendition is not the button's width";
        EXPECT_EQ(picture.height, box.bottom - box.top) << "the rendition is not the button's height";
        const e2e::Pixels shown = e2e::CaptureScreen(box);
        if (picture.width != shown.width || picture.height != shown.height) {
            continue;
        }
        compared = true;
        for (int y = 0; y < shown.height; ++y) {
            for (int x = 0; x < shown.width; ++x) {
                differing += shown.at(x, y) != picture.at(x, y) ? 1 : 0;
            }
        }
    }
    return differing;
}

class Scale : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        BecomeDpiAware();
        folder_ = std::make_unique<test::ScratchFolder>();
        const std::string copy = folder_->path() + "\\TovalSet";
        if (test::CopyTree(e2e::BinFolder(), copy)) {
            app_ = std::make_unique<e2e::App>(copy);
            // In front, so that no other window covers the pictures the tests look at.
            SetForegroundWindow(app_->window());
            test::WaitUntil([] { return GetForegroundWindow() == app_->window(); }, 5000);
        }
    }
    static void TearDownTestSuite() {
        app_.reset();
        folder_.reset();
    }
    void SetUp() override {
        ASSERT_NE(app_, nullptr) << "TovalSet could not be copied and started";
        ASSERT_EQ(ScreenDpi(), AskedDpi()) << "the prefix's scale was not set";
    }

    static std::unique_ptr<test::ScratchFolder> folder_;
    static std::unique_ptr<e2e::App> app_;
};
std::unique_ptr<test::ScratchFolder> Scale::folder_;
std::unique_ptr<e2e::App> Scale::app_;

} // namespace

TEST_F(Scale, TheWindowAndEveryControlAreTheirTwipsAtTheSystemScale) {
    const double pixelsPerTwip = AskedDpi() / 1440.0;
    RECT client;
    GetClientRect(app_->window(), &client);
    EXPECT_NEAR(client.right, kClient.width * pixelsPerTwip, 1.0);
    EXPECT_NEAR(client.bottom, kClient.height * pixelsPerTwip, 1.0);
    std::printf("client area %ld x %ld at %d dpi\n", client.right, client.bottom, AskedDpi());
    for (const Twips& c : kControls) {
        SCOPED_TRACE("control " + std::to_string(c.id));
        const RECT r = e2e::ClientBox(app_->control(c.id), app_->window());
        EXPECT_NEAR(r.left, c.left * pixelsPerTwip, 1.0);
        EXPECT_NEAR(r.top, c.top * pixelsPerTwip, 1.0);
        EXPECT_NEAR(r.right - r.left, c.width * pixelsPerTwip, 1.0);
        EXPECT_NEAR(r.bottom - r.top, c.height * pixelsPerTwip, 1.0);
    }
}

TEST_F(Scale, EachButtonShowsExactlyThePictureDrawnForTheScale) {
    const int first = FirstPicture(AskedDpi());
    // The focus lands on Command1 when the window is first activated, which the window manager may do a
    // little after the window shows.
    ASSERT_TRUE(test::WaitUntil([] { return app_->focus() == app_->control(IDC_COMMAND1); }, 5000))
        << "the focus is not on Command1";
    bool compared = false;
    // The window draws itself in its own time: the screen is looked at until it shows the pictures, and
    // what it showed last is what counts.
    int differing = -1;
    test::WaitUntil([&] { return (differing = CompareUnfocused(*app_, first, compared)) == 0; }, 5000);
    EXPECT_EQ(differing, 0);
    // Command1 had the focus ring; with the focus on Command2 it shows its picture alone.
    app_->Key(VK_TAB);
    test::WaitUntil([] { return app_->focus() == app_->control(IDC_COMMAND2); }, 5000);
    ASSERT_EQ(app_->focus(), app_->control(IDC_COMMAND2));
    test::WaitUntil([&] { return (differing = CompareUnfocused(*app_, first, compared)) == 0; }, 5000);
    EXPECT_EQ(differing, 0);
    EXPECT_TRUE(compared) << "no button showed a picture of its size";
}

TEST_F(Scale, EveryLabelsTextFitsItsBox) {
    // The very font the window gives its labels at the system's scale: a font belongs to the process that
    // made it, so the test makes its own from the window's description.
    const LOGFONTA description = ui::LabelFont(AskedDpi());
    const win32::UniqueGdiObject font(CreateFontIndirectA(&description));
    ASSERT_TRUE(font) << "the label font could not be made";
    const HDC screen = GetDC(nullptr);
    const HGDIOBJ previous = SelectObject(screen, font.get());
    char face[LF_FACESIZE] = {};
    GetTextFaceA(screen, sizeof face, face);
    std::printf("label font: %s, %ld pixels\n", face, -description.lfHeight);
    for (const int id : kLabels) {
        const HWND label = app_->control(id);
        char text[512] = {};
        GetWindowTextA(label, text, sizeof text);
        SCOPED_TRACE(std::string("label ") + std::to_string(id) + " \"" + text + "\"");
        EXPECT_NE(text[0], '\0') << "a label the test window should fill is empty";
        RECT box;
        GetClientRect(label, &box);
        // As a left-aligned static control lays its text out: wrapped at word breaks, no prefixes.
        RECT needed = {0, 0, box.right, 0};
        DrawTextA(screen, text, -1, &needed,
                  DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
        std::printf("label %d \"%s\": %ld x %ld in a box of %ld x %ld\n", id, text, needed.right,
                    needed.bottom, box.right, box.bottom);
        EXPECT_LE(needed.right, box.right);
        EXPECT_LE(needed.bottom, box.bottom);
    }
    SelectObject(screen, previous);
    ReleaseDC(nullptr, screen);
}

TEST_F(Scale, EveryButtonIsNamedWithItsWordsForScreenReaders) {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE("Command" + std::to_string(i + 1));
        IAccessible* accessible = nullptr;
        ASSERT_EQ(AccessibleObjectFromWindow(app_->control(IDC_COMMAND1 + i),
                                             static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                             reinterpret_cast<void**>(&accessible)),
                  S_OK);
        VARIANT self;
        VariantInit(&self);
        self.vt = VT_I4;
        self.lVal = CHILDID_SELF;
        BSTR name = nullptr;
        EXPECT_EQ(accessible->get_accName(self, &name), S_OK);
        EXPECT_EQ(std::wstring(name != nullptr ? name : L""), kNames[i]);
        SysFreeString(name);
        accessible->Release();
    }
    CoUninitialize();
}
