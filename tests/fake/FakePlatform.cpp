#include "tests/fake/FakePlatform.h"

#include "platform/CertificateFile.h"

#include <algorithm>
#include <cwctype>
#include <iomanip>
#include <iterator>
#include <sstream>

namespace tovalset::fake {

namespace {

std::wstring Lower(std::wstring text) {
    std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return std::towlower(c); });
    return text;
}

std::string Quoted(const std::wstring& text) {
    return '"' + Narrow(text) + '"';
}

std::string WindowName(WindowHandle window) {
    return window == WindowHandle::None ? "none" : "W" + std::to_string(static_cast<std::uintptr_t>(window));
}

std::string Bytes(const std::uint8_t* data, std::uint32_t size) {
    if (data == nullptr) {
        return "null";
    }
    std::ostringstream out;
    out << '[' << std::hex << std::setfill('0');
    for (std::uint32_t i = 0; i < size; ++i) {
        out << (i == 0 ? "" : " ") << std::setw(2) << static_cast<int>(data[i]);
    }
    out << ']';
    return out.str();
}

} // namespace

std::string Hex(const Thumbprint& thumbprint) {
    std::ostringstream out;
    out << std::uppercase << std::hex << std::setfill('0');
    for (const std::uint8_t byte : thumbprint) {
        out << std::setw(2) << static_cast<int>(byte);
    }
    return out.str();
}

namespace {

// The thumbprint after "/sha1 " in a certificate manager's command line, when it has one.
std::optional<Thumbprint> DeletedThumbprint(const std::wstring& commandLine) {
    const std::wstring marker = L" /del /c /sha1 ";
    const std::size_t at = commandLine.find(marker);
    if (at == std::wstring::npos || commandLine.size() < at + marker.size() + 40) {
        return std::nullopt;
    }
    Thumbprint thumbprint{};
    for (std::size_t i = 0; i < thumbprint.size(); ++i) {
        const std::wstring pair = commandLine.substr(at + marker.size() + 2 * i, 2);
        thumbprint[i] = static_cast<std::uint8_t>(std::stoul(pair, nullptr, 16));
    }
    return thumbprint;
}

} // namespace

std::string Narrow(const std::wstring& text) {
    std::ostringstream out;
    for (const wchar_t c : text) {
        if (c >= 0x20 && c < 0x7f) {
            out << static_cast<char>(c);
        } else {
            out << "\\x{" << std::hex << static_cast<unsigned long>(c) << std::dec << '}';
        }
    }
    return out.str();
}

void Recorder::Fail(const std::string& operation, int occurrence, RegStatus status) {
    failures_[{operation, occurrence}] = status;
}

int Recorder::Count(const std::string& operation) const {
    const auto count = counts_.find(operation);
    return count == counts_.end() ? 0 : count->second;
}

std::optional<RegStatus> Recorder::Record(const std::string& operation, const std::string& arguments) {
    if (beforeCall) {
        beforeCall(operation);
    }
    calls_.push_back(operation + "(" + arguments + ")");
    const int occurrence = ++counts_[operation];
    const auto failure = failures_.find({operation, occurrence});
    if (failure == failures_.end()) {
        return std::nullopt;
    }
    return failure->second;
}

std::vector<std::string> FakePlatform::callsBesidesTheRecord() const {
    std::vector<std::string> kept;
    std::copy_if(calls().begin(), calls().end(), std::back_inserter(kept), [](const std::string& call) {
        return call.rfind("ReadRegValue(", 0) != 0 && call.rfind("WriteRegValue(", 0) != 0 &&
               call.rfind("FindInUserRoots(", 0) != 0;
    });
    return kept;
}

// ---- registry ----

std::optional<std::wstring> FakePlatform::PathOf(KeyHandle key) const {
    if (key == kCurrentUser) {
        return L"hkcu";
    }
    if (key == kLocalMachine) {
        return L"hklm";
    }
    const auto open = openKeys_.find(static_cast<std::uint32_t>(key));
    if (open == openKeys_.end()) {
        return std::nullopt;
    }
    return open->second;
}

std::string FakePlatform::KeyName(KeyHandle key) const {
    if (key == kCurrentUser) {
        return "HKCU";
    }
    if (key == kLocalMachine) {
        return "HKLM";
    }
    return "#" + std::to_string(static_cast<std::uint32_t>(key));
}

std::optional<std::wstring> FakePlatform::SubKeyPathOf(KeyHandle key, const std::wstring& subKey) const {
    auto base = PathOf(key);
    if (!base || subKey.empty()) {
        return base;
    }
    return *base + L"\\" + subKey;
}

FakePlatform::Key& FakePlatform::CreatePath(const std::wstring& path) {
    const std::wstring lower = Lower(path);
    for (std::size_t sep = lower.find(L'\\'); sep != std::wstring::npos; sep = lower.find(L'\\', sep + 1)) {
        keys_[lower.substr(0, sep)];
    }
    return keys_[lower];
}

const FakePlatform::Key* FakePlatform::FindPath(const std::wstring& path) const {
    const auto key = keys_.find(Lower(path));
    return key == keys_.end() ? nullptr : &key->second;
}

KeyHandle FakePlatform::NewHandle(const std::wstring& path) {
    const std::uint32_t id = nextKey_++;
    openKeys_[id] = Lower(path);
    return static_cast<KeyHandle>(id);
}

void FakePlatform::SetValue(const std::wstring& keyPath, const std::wstring& name, RegValue value) {
    CreatePath(keyPath).values[Lower(name)] = {name, std::move(value)};
}

void FakePlatform::SetDword(const std::wstring& keyPath, const std::wstring& name, std::uint32_t value) {
    const auto bytes = DwordBytes(value);
    SetValue(keyPath, name, {REG_DWORD, {bytes.begin(), bytes.end()}});
}

bool FakePlatform::HasKey(const std::wstring& keyPath) const {
    return FindPath(keyPath) != nullptr;
}

const RegValue* FakePlatform::Value(const std::wstring& keyPath, const std::wstring& name) const {
    const Key* key = FindPath(keyPath);
    if (key == nullptr) {
        return nullptr;
    }
    const auto value = key->values.find(Lower(name));
    return value == key->values.end() ? nullptr : &value->second.second;
}

std::vector<std::string> FakePlatform::Lines(const std::wstring& keyPath, const std::wstring& name) const {
    std::vector<std::string> lines;
    const RegValue* value = Value(keyPath, name);
    if (value == nullptr || value->type != REG_MULTI_SZ) {
        return lines;
    }
    std::wstring line;
    for (std::size_t i = 0; i + 1 < value->data.size(); i += 2) {
        const auto c = static_cast<wchar_t>(value->data[i] | (value->data[i + 1] << 8));
        if (c != L'\0') {
            line += c;
        } else if (!line.empty()) {
            lines.push_back(Narrow(line));
            line.clear();
        }
    }
    return lines;
}

std::size_t FakePlatform::ValueCount(const std::wstring& keyPath) const {
    const Key* key = FindPath(keyPath);
    return key == nullptr ? 0 : key->values.size();
}

RegStatus FakePlatform::RegOpenKeyA(KeyHandle key, const std::wstring& subKey, KeyHandle& result) {
    if (const auto failure = Record("RegOpenKeyA", KeyName(key) + ", " + Quoted(subKey))) {
        return *failure;
    }
    const auto path = SubKeyPathOf(key, subKey);
    if (!path) {
        return kInvalidHandle;
    }
    if (FindPath(*path) == nullptr) {
        return kFileNotFound;
    }
    result = NewHandle(*path);
    return 0;
}

RegStatus FakePlatform::RegCreateKeyA(KeyHandle key, const std::wstring& subKey, KeyHandle& result) {
    if (const auto failure = Record("RegCreateKeyA", KeyName(key) + ", " + Quoted(subKey))) {
        return *failure;
    }
    const auto path = SubKeyPathOf(key, subKey);
    if (!path) {
        return kInvalidHandle;
    }
    CreatePath(*path);
    result = NewHandle(*path);
    return 0;
}

RegStatus FakePlatform::RegQueryValueExA(KeyHandle key, const std::wstring& valueName, std::uint32_t reserved,
                                         std::uint32_t& type, std::uint8_t* data, std::uint32_t& size) {
    if (const auto failure =
            Record("RegQueryValueExA",
                   KeyName(key) + ", " + Quoted(valueName) + ", " + std::to_string(reserved) + ", " +
                       (data == nullptr ? "null" : "buffer") + ", " + std::to_string(size))) {
        return *failure;
    }
    const auto path = PathOf(key);
    if (!path) {
        return kInvalidHandle;
    }
    const RegValue* value = Value(*path, valueName);
    if (value == nullptr) {
        return kFileNotFound;
    }
    const auto stored = static_cast<std::uint32_t>(value->data.size());
    type = value->type;
    if (data != nullptr) {
        if (size < stored) {
            size = stored;
            return kMoreData;
        }
        std::copy(value->data.begin(), value->data.end(), data);
    }
    size = stored;
    return 0;
}

RegStatus FakePlatform::RegSetValueExA(KeyHandle key, const std::wstring& valueName, std::uint32_t reserved,
                                       std::uint32_t type, const std::uint8_t* data, std::uint32_t size) {
    if (const auto failure =
            Record("RegSetValueExA", KeyName(key) + ", " + Quoted(valueName) + ", " +
                                         std::to_string(reserved) + ", " + std::to_string(type) + ", " +
                                         Bytes(data, size) + ", " + std::to_string(size))) {
        return *failure;
    }
    const auto path = PathOf(key);
    if (!path) {
        return kInvalidHandle;
    }
    SetValue(*path, valueName, {type, std::vector<std::uint8_t>(data, data + size)});
    return 0;
}

RegStatus FakePlatform::RegCloseKey(KeyHandle key) {
    if (const auto failure = Record("RegCloseKey", KeyName(key))) {
        return *failure;
    }
    if (key == kCurrentUser || key == kLocalMachine) {
        return 0;
    }
    return openKeys_.erase(static_cast<std::uint32_t>(key)) == 1 ? 0 : kInvalidHandle;
}

RegRead FakePlatform::ReadRegValue(KeyHandle root, const std::wstring& subKey, const std::wstring& name) {
    RegRead read;
    if (const auto failure =
            Record("ReadRegValue", KeyName(root) + ", " + Quoted(subKey) + ", " + Quoted(name))) {
        read.status = *failure;
        return read;
    }
    const auto path = SubKeyPathOf(root, subKey);
    read.keyFound = path && FindPath(*path) != nullptr;
    const RegValue* value = read.keyFound ? Value(*path, name) : nullptr;
    if (value == nullptr) {
        read.status = kFileNotFound;
        return read;
    }
    read.data = {value->type, value->data};
    return read;
}

RegStatus FakePlatform::WriteRegValue(KeyHandle root, const std::wstring& subKey, const std::wstring& name,
                                      const RegData& data) {
    if (const auto failure = Record(
            "WriteRegValue", KeyName(root) + ", " + Quoted(subKey) + ", " + Quoted(name) + ", " +
                                 std::to_string(data.type) + ", " +
                                 Bytes(data.bytes.data(), static_cast<std::uint32_t>(data.bytes.size())))) {
        return *failure;
    }
    const auto path = SubKeyPathOf(root, subKey);
    if (!path) {
        return kInvalidHandle;
    }
    SetValue(*path, name, {data.type, data.bytes});
    return 0;
}

RegStatus FakePlatform::DeleteRegValue(KeyHandle root, const std::wstring& subKey, const std::wstring& name) {
    if (const auto failure =
            Record("DeleteRegValue", KeyName(root) + ", " + Quoted(subKey) + ", " + Quoted(name))) {
        return *failure;
    }
    const auto path = SubKeyPathOf(root, subKey);
    const auto key = path ? keys_.find(Lower(*path)) : keys_.end();
    if (key == keys_.end() || key->second.values.erase(Lower(name)) == 0) {
        return kFileNotFound;
    }
    return 0;
}

RegStatus FakePlatform::DeleteEmptyRegKey(KeyHandle root, const std::wstring& subKey) {
    if (const auto failure = Record("DeleteEmptyRegKey", KeyName(root) + ", " + Quoted(subKey))) {
        return *failure;
    }
    const auto path = SubKeyPathOf(root, subKey);
    const auto key = path && !subKey.empty() ? keys_.find(Lower(*path)) : keys_.end();
    if (key == keys_.end()) {
        return kFileNotFound;
    }
    const std::wstring below = key->first + L"\\";
    const auto first = keys_.lower_bound(below);
    const bool hasSubKey = first != keys_.end() && first->first.rfind(below, 0) == 0;
    if (!key->second.values.empty() || hasSubKey) {
        return kDirNotEmpty;
    }
    keys_.erase(key);
    return 0;
}

std::wstring FakePlatform::FromAnsiCodePage(const std::string& bytes) {
    std::wstring text(bytes.size(), L'\0');
    std::transform(bytes.begin(), bytes.end(), text.begin(),
                   [](char c) { return static_cast<wchar_t>(static_cast<unsigned char>(c)); });
    return text;
}

// ---- windows ----

WindowHandle FakePlatform::AddWindow(const std::wstring& className, WindowHandle parent,
                                     bool destroyOnClose) {
    const auto handle = static_cast<WindowHandle>(++nextWindow_ - 0x100);
    windows_.push_back({handle, parent, className, destroyOnClose});
    return handle;
}

bool FakePlatform::IsWindow(WindowHandle window) const {
    return std::any_of(windows_.begin(), windows_.end(), [&](const Window& w) { return w.handle == window; });
}

WindowHandle FakePlatform::FindWindowExA(WindowHandle parent, WindowHandle childAfter,
                                         const std::wstring& className,
                                         const std::optional<std::wstring>& windowName) {
    if (Record("FindWindowExA", WindowName(parent) + ", " + WindowName(childAfter) + ", " +
                                    Quoted(className) + ", " + (windowName ? Quoted(*windowName) : "none"))) {
        return WindowHandle::None;
    }
    auto from = windows_.begin();
    if (childAfter != WindowHandle::None) {
        // As on Windows: a child-after window that no longer exists finds nothing.
        from = std::find_if(windows_.begin(), windows_.end(),
                            [&](const Window& w) { return w.handle == childAfter; });
        if (from == windows_.end() || from->parent != parent) {
            return WindowHandle::None;
        }
        ++from;
    }
    const auto found = std::find_if(from, windows_.end(), [&](const Window& w) {
        return w.parent == parent && Lower(w.className) == Lower(className);
    });
    return found == windows_.end() ? WindowHandle::None : found->handle;
}

bool FakePlatform::PostMessageA(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                std::intptr_t lParam) {
    const std::string name = message == WM_CLOSE ? "WM_CLOSE" : std::to_string(message);
    if (Record("PostMessageA", WindowName(window) + ", " + name + ", " + std::to_string(wParam) + ", " +
                                   std::to_string(lParam))) {
        return false;
    }
    const auto target =
        std::find_if(windows_.begin(), windows_.end(), [&](const Window& w) { return w.handle == window; });
    if (target == windows_.end()) {
        return false;
    }
    posted_.push_back({window, message});
    if (message == WM_CLOSE && target->destroyOnClose) {
        windows_.erase(target);
    }
    return true;
}

// ---- shell, programs, messages ----

bool FakePlatform::Closes(const std::string& operation) {
    if (closing_) {
        throw ActionCancelled();
    }
    return closeAt_.first == operation && closeAt_.second == Count(operation) + 1;
}

std::wstring FakePlatform::SystemWindowsDirectory() {
    return Record("SystemWindowsDirectory", "") ? L"" : L"C:\\WINDOWS";
}

std::intptr_t FakePlatform::ShellExecuteA(WindowHandle owner, const std::wstring& operation,
                                          const std::wstring& file, const std::wstring& parameters,
                                          const std::wstring& directory, int showCommand) {
    if (const auto failure =
            Record("ShellExecuteA", WindowName(owner) + ", " + Quoted(operation) + ", " + Quoted(file) +
                                        ", " + Quoted(parameters) + ", " + Quoted(directory) + ", " +
                                        std::to_string(showCommand))) {
        return *failure;
    }
    return 42;
}

void FakePlatform::StartProgram(const std::wstring& commandLine, int windowStyle) {
    Closes("StartProgram");
    if (Record("StartProgram", Quoted(commandLine) + ", " + std::to_string(windowStyle))) {
        throw ProgramStartError(commandLine, L"The system cannot find the file specified.");
    }
}

ProgramOutcome FakePlatform::StartProgramAndWait(const std::wstring& commandLine, int windowStyle,
                                                 std::uint32_t timeoutMs) {
    const bool closes = Closes("StartProgramAndWait");
    if (Record("StartProgramAndWait",
               Quoted(commandLine) + ", " + std::to_string(windowStyle) + ", " + std::to_string(timeoutMs))) {
        throw ProgramStartError(commandLine, L"The system cannot find the path specified.");
    }
    if (closes) {
        closing_ = true;
        throw ActionCancelled();
    }
    const auto set = outcomes_.find(Count("StartProgramAndWait"));
    const ProgramOutcome outcome = set == outcomes_.end() ? ProgramOutcome{true, 0} : set->second;
    if (const auto deleted = DeletedThumbprint(commandLine);
        deleted && outcome.finished && outcome.exitCode == 0) {
        userRoots.erase(*deleted);
    }
    return outcome;
}

void FakePlatform::ShowMessage(const std::wstring& text) {
    closing_ = Closes("ShowMessage");
    Record("ShowMessage", Quoted(text));
    messages_.push_back(text);
}

void FakePlatform::ShowError(const std::wstring& text) {
    closing_ = Closes("ShowError");
    Record("ShowError", Quoted(text));
    errors_.push_back(text);
}

bool FakePlatform::AskOkCancel(const std::wstring& text) {
    const bool closes = Closes("AskOkCancel");
    Record("AskOkCancel", Quoted(text));
    questions_.push_back(text);
    if (closes) {
        closing_ = true;
        throw ActionCancelled();
    }
    const auto answer = answers_.find(Count("AskOkCancel"));
    return answer == answers_.end() || answer->second;
}

// ---- what took effect ----

PlatformOps::RootLookup FakePlatform::LookUpRootCertificate(const std::wstring& certificateFile) {
    if (Record("LookUpRootCertificate", Quoted(certificateFile))) {
        return {RootStanding::StoreUnreadable, L"Access is denied."};
    }
    RootLookup lookup{RootStanding::MachinePart};
    if (readsCertificateFiles) {
        const auto file = certificateFiles_.find(certificateFile);
        if (file == certificateFiles_.end()) {
            lookup = {RootStanding::FileUnreadable, L"The system cannot find the file specified."};
        } else {
            lookup.der = DerOf(file->second);
            lookup.thumbprint = Sha1(lookup.der);
        }
    }
    // A standing the test chose, for the file as it was read.
    const auto set = rootLookups_.find(Count("LookUpRootCertificate"));
    if (set != rootLookups_.end()) {
        lookup.standing = set->second.standing;
        lookup.reason = set->second.reason;
        lookup.distrust = set->second.distrust;
        lookup.distrustReason = set->second.distrustReason;
        if (lookup.standing == RootStanding::FileUnreadable) {
            lookup.der.clear();
        }
    }
    return lookup;
}

PlatformOps::PartLookup FakePlatform::FindInUserRoots(const Thumbprint& thumbprint) {
    if (Record("FindInUserRoots", Hex(thumbprint))) {
        return {Held::Unreadable, L"Access is denied."};
    }
    return {userRoots.count(thumbprint) != 0 ? Held::Yes : Held::No};
}

PlatformOps::PartLookup FakePlatform::FindInComputerRoots(const Thumbprint& thumbprint) {
    if (Record("FindInComputerRoots", Hex(thumbprint))) {
        return {Held::Unreadable, L"Access is denied."};
    }
    return {computerRoots.count(thumbprint) != 0 ? Held::Yes : Held::No};
}

// ---- what the status report reads ----

template <typename T>
Fact<T> FakeReportFacts::Answer(const std::string& operation, const std::string& arguments,
                                const Fact<T>& fact) {
    if (const auto failure = Record(operation, arguments)) {
        return {std::nullopt, static_cast<std::uint32_t>(*failure), L"error " + std::to_wstring(*failure)};
    }
    return fact;
}

Fact<std::wstring> FakeReportFacts::ProgramFile() {
    return Answer("ProgramFile", "", programFile);
}

Fact<std::wstring> FakeReportFacts::CurrentDirectory() {
    return Answer("CurrentDirectory", "", currentDirectory);
}

Moment FakeReportFacts::LocalNow() {
    Record("LocalNow", "");
    return localNow;
}

Moment FakeReportFacts::UtcNow() {
    Record("UtcNow", "");
    return utcNow;
}

Fact<bool> FakeReportFacts::WindowsIs64Bit() {
    return Answer("WindowsIs64Bit", "", windows64);
}

Fact<int> FakeReportFacts::DisplayDpi() {
    return Answer("DisplayDpi", "", dpi);
}

std::uint32_t FakeReportFacts::AnsiCodePage() {
    Record("AnsiCodePage", "");
    return codePage;
}

Fact<bool> FakeReportFacts::UserIsAdministrator() {
    return Answer("UserIsAdministrator", "", administrator);
}

Fact<bool> FakeReportFacts::ProcessIsElevated() {
    return Answer("ProcessIsElevated", "", elevated);
}

Fact<bool> FakeReportFacts::FolderExists(const std::wstring& path) {
    const bool present = std::find(folders_.begin(), folders_.end(), path) != folders_.end();
    return Answer("FolderExists", Quoted(path), Fact<bool>{present});
}

Fact<std::vector<std::uint8_t>> FakeReportFacts::ReadFileStart(const std::wstring& path,
                                                               std::size_t maxBytes) {
    const auto file = files_.find(path);
    Fact<std::vector<std::uint8_t>> read{std::nullopt, 2, L"The system cannot find the file specified."};
    if (file != files_.end()) {
        const std::size_t size = std::min(maxBytes, file->second.size());
        read = {std::vector<std::uint8_t>(file->second.begin(),
                                          file->second.begin() + static_cast<std::ptrdiff_t>(size))};
    }
    return Answer("ReadFileStart", Quoted(path) + ", " + std::to_string(maxBytes), read);
}

Fact<std::wstring> FakeReportFacts::DesktopFolder() {
    return Answer("DesktopFolder", "", desktopFolder);
}

Fact<Account> FakeReportFacts::DesktopUser() {
    return Answer("DesktopUser", "", desktopUser);
}

Fact<Account> FakeReportFacts::ProcessUser() {
    return Answer("ProcessUser", "", processUser);
}

Fact<Verification> FakeReportFacts::VerifySignature(const std::wstring& path) {
    return Answer("VerifySignature", Quoted(path), verification);
}

Fact<std::optional<std::uint32_t>> FakeReportFacts::ZoneMarkOf(const std::wstring& path) {
    const auto mark = marks_.find(path);
    return Answer("ZoneMarkOf", Quoted(path),
                  mark != marks_.end() ? mark->second
                                       : Fact<std::optional<std::uint32_t>>{std::optional<std::uint32_t>{}});
}

Fact<bool> FakeReportFacts::OnNetwork(const std::wstring& path) {
    return Answer("OnNetwork", Quoted(path), onNetwork);
}

} // namespace tovalset::fake
