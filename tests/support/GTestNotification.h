#pragma once
// GoogleTest's own Notification is built on std::mutex, which GCC 12's win32 thread model lacks. This one,
// on a Win32 event, takes its place in every translation unit of the Windows tests (forced include).

#include <windows.h>

namespace testing::internal {

class Notification {
public:
    Notification() : event_(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;
    ~Notification() { ::CloseHandle(event_); }
    void Notify() { ::SetEvent(event_); }
    void WaitForNotification() { ::WaitForSingleObject(event_, INFINITE); }

private:
    HANDLE event_;
};

} // namespace testing::internal
