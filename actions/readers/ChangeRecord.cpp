#include "actions/readers/ChangeRecord.h"

#include "actions/buttons/BrowserZone.h"
#include "actions/readers/Policies.h"
#include "actions/SupportFolder.h"
#include "platform/CertificateFile.h"

#include <algorithm>
#include <iterator>
#include <cstdio>

namespace tovalset {

const wchar_t* const kRecordKeyPath = L"Software\\TovalSet";

namespace {

const wchar_t* const kMade = L"Made";
const wchar_t* const kCertificates = L"Certificates";
const wchar_t* const kValues = L"Values";
const wchar_t* const kKeysMade = L"Keys made";
const wchar_t* const kAdded = L"added";
const wchar_t* const kBefore = L"before";
const wchar_t* const kAbsent = L"absent";
// A CA certificate is a few kilobytes; the same bound as the root store look-up's.
constexpr std::size_t kMaxCertificateFileBytes = std::size_t{1024} * 1024;

std::vector<std::uint8_t> Utf16Bytes(const std::wstring& text) {
    std::vector<std::uint8_t> bytes;
    for (const wchar_t c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>((c >> 8) & 0xFF));
    }
    return bytes;
}

std::wstring FromUtf16(const std::vector<std::uint8_t>& bytes) {
    std::wstring text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        text += static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8));
    }
    return text;
}

RegData Text(const std::wstring& text) {
    return {REG_SZ, Utf16Bytes(text + L'\0')};
}

RegData Lines(const std::vector<std::wstring>& lines) {
    std::wstring joined;
    for (const std::wstring& line : lines) {
        joined += line + L'\0';
    }
    return {REG_MULTI_SZ, Utf16Bytes(joined + L'\0')};
}

std::wstring ReadText(PlatformOps& os, const wchar_t* name) {
    const RegRead read = os.ReadRegValue(kCurrentUser, kRecordKeyPath, name);
    if (read.status != 0 || read.data.type != REG_SZ) {
        return {};
    }
    std::wstring text = FromUtf16(read.data.bytes);
    text.erase(std::find(text.begin(), text.end(), L'\0'), text.end());
    return text;
}

std::vector<std::wstring> ReadLines(PlatformOps& os, const wchar_t* name) {
    const RegRead read = os.ReadRegValue(kCurrentUser, kRecordKeyPath, name);
    std::vector<std::wstring> lines;
    if (read.status != 0 || read.data.type != REG_MULTI_SZ) {
        return lines;
    }
    const std::wstring all = FromUtf16(read.data.bytes);
    for (std::size_t start = 0; start < all.size();) {
        const std::size_t end = std::min(all.find(L'\0', start), all.size());
        if (end > start) {
            lines.push_back(all.substr(start, end - start));
        }
        start = end + 1;
    }
    return lines;
}

int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') {
        return c - L'0';
    }
    if (c >= L'A' && c <= L'F') {
        return c - L'A' + 10;
    }
    if (c >= L'a' && c <= L'f') {
        return c - L'a' + 10;
    }
    return -1;
}

std::wstring HexOf(const std::vector<std::uint8_t>& bytes) {
    std::wstring hex;
    for (const std::uint8_t byte : bytes) {
        hex += L"0123456789ABCDEF"[byte >> 4];
        hex += L"0123456789ABCDEF"[byte & 0xF];
    }
    return hex;
}

std::optional<std::vector<std::uint8_t>> BytesOf(const std::wstring& hex) {
    if (hex.size() % 2 != 0) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int high = HexDigit(hex[i]);
        const int low = HexDigit(hex[i + 1]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
    return bytes;
}

// "<thumbprint> added <name>" or "<thumbprint> before <name>".
std::optional<RecordedCertificate> ParseCertificate(const std::wstring& line) {
    const std::size_t first = line.find(L' ');
    const std::size_t second = first == std::wstring::npos ? first : line.find(L' ', first + 1);
    if (second == std::wstring::npos) {
        return std::nullopt;
    }
    const auto bytes = BytesOf(line.substr(0, first));
    const std::wstring state = line.substr(first + 1, second - first - 1);
    RecordedCertificate certificate;
    if (!bytes || bytes->size() != certificate.thumbprint.size() || (state != kAdded && state != kBefore)) {
        return std::nullopt;
    }
    std::copy(bytes->begin(), bytes->end(), certificate.thumbprint.begin());
    certificate.added = state == kAdded;
    certificate.name = line.substr(second + 1);
    return certificate;
}

std::wstring LineOf(const RecordedCertificate& certificate) {
    return ThumbprintText(certificate.thumbprint) + L" " + (certificate.added ? kAdded : kBefore) + L" " +
           certificate.name;
}

// "<key>|<value>|<type>|<bytes>" or "<key>|<value>|absent".
std::optional<RecordedValue> ParseValue(const std::wstring& line) {
    std::vector<std::wstring> fields;
    for (std::size_t start = 0;;) {
        const std::size_t bar = line.find(L'|', start);
        fields.push_back(line.substr(start, bar == std::wstring::npos ? bar : bar - start));
        if (bar == std::wstring::npos) {
            break;
        }
        start = bar + 1;
    }
    if (fields.size() == 3 && fields[2] == kAbsent) {
        return RecordedValue{fields[0], fields[1], std::nullopt};
    }
    if (fields.size() != 4 || fields[2].empty() ||
        fields[2].find_first_not_of(L"0123456789") != std::wstring::npos || fields[2].size() > 9) {
        return std::nullopt;
    }
    const auto bytes = BytesOf(fields[3]);
    if (!bytes) {
        return std::nullopt;
    }
    return RecordedValue{fields[0], fields[1],
                         RegData{static_cast<std::uint32_t>(std::stoul(fields[2])), *bytes}};
}

std::wstring LineOf(const RecordedValue& value) {
    const std::wstring head = value.key + L"|" + value.name + L"|";
    if (!value.before) {
        return head + kAbsent;
    }
    return head + std::to_wstring(value.before->type) + L"|" + HexOf(value.before->bytes);
}

bool Holds(const ChangeRecord& record, const Thumbprint& thumbprint) {
    return std::any_of(record.certificates.begin(), record.certificates.end(),
                       [&](const RecordedCertificate& c) { return c.thumbprint == thumbprint; });
}

bool Holds(const ChangeRecord& record, const std::wstring& key, const std::wstring& name) {
    return std::any_of(record.values.begin(), record.values.end(),
                       [&](const RecordedValue& v) { return v.key == key && v.name == name; });
}

std::wstring Timestamp(const Moment& now) {
    wchar_t text[32] = {};
    std::swprintf(text, sizeof text / sizeof text[0], L"%04d-%02d-%02d %02d:%02d:%02d", now.year, now.month,
                  now.day, now.hour, now.minute, now.second);
    return text;
}

// Adds to the record what a button is about to change, and writes it when it grew.
void AddToRecord(PlatformOps& os, ReportFacts& facts, ChangeRecord& record, bool grew) {
    if (!grew) {
        return;
    }
    if (record.made.empty()) {
        record.made = Timestamp(facts.LocalNow());
    }
    // A record that cannot be written keeps no button from its work: the undo then has less to go on,
    // and the status report shows what it holds.
    WriteChangeRecord(os, record);
}

} // namespace

std::optional<RecordedCertificate> SupportFolderCertificate(ReportFacts& facts, const std::wstring& file) {
    const Fact<std::vector<std::uint8_t>> data =
        facts.ReadFileStart(InSupportFolder(file), kMaxCertificateFileBytes);
    const std::vector<std::uint8_t> der = data.value ? DerOf(*data.value) : std::vector<std::uint8_t>();
    if (der.empty()) {
        return std::nullopt;
    }
    RecordedCertificate certificate;
    certificate.thumbprint = Sha1(der);
    const auto summary = Summarize(der);
    certificate.name = summary && !summary->commonName.empty() ? summary->commonName : file;
    return certificate;
}

std::wstring ThumbprintText(const Thumbprint& thumbprint) {
    return HexOf(std::vector<std::uint8_t>(thumbprint.begin(), thumbprint.end()));
}

std::wstring ValueText(const std::optional<RegData>& value) {
    if (!value) {
        return L"not there";
    }
    if (value->type == REG_DWORD && value->bytes.size() == 4) {
        return std::to_wstring(DwordOf({value->bytes[0], value->bytes[1], value->bytes[2], value->bytes[3]}));
    }
    if (value->type == REG_SZ) {
        std::wstring text = FromUtf16(value->bytes);
        text.erase(std::find(text.begin(), text.end(), L'\0'), text.end());
        return L"\"" + text + L"\" (text)";
    }
    return std::to_wstring(value->bytes.size()) + L" bytes of type " + std::to_wstring(value->type);
}

ChangeRecord ReadChangeRecord(PlatformOps& os) {
    ChangeRecord record;
    record.made = ReadText(os, kMade);
    for (const std::wstring& line : ReadLines(os, kCertificates)) {
        if (auto certificate = ParseCertificate(line)) {
            record.certificates.push_back(std::move(*certificate));
        }
    }
    for (const std::wstring& line : ReadLines(os, kValues)) {
        if (auto value = ParseValue(line)) {
            record.values.push_back(std::move(*value));
        }
    }
    record.keysMade = ReadLines(os, kKeysMade);
    // Entries without their time still are a record: its time is what is unknown.
    if (record.made.empty() && !record.empty()) {
        record.made = L"(time unknown)";
    }
    return record;
}

bool WriteChangeRecord(PlatformOps& os, const ChangeRecord& record) {
    if (record.empty()) {
        bool removed = true;
        for (const wchar_t* name : {kCertificates, kValues, kKeysMade, kMade}) {
            const RegStatus status = os.DeleteRegValue(kCurrentUser, kRecordKeyPath, name);
            removed = removed && (status == 0 || status == 2);
        }
        // The key goes only when nothing else lies in it.
        os.DeleteEmptyRegKey(kCurrentUser, kRecordKeyPath);
        return removed;
    }
    std::vector<std::wstring> certificates;
    std::transform(record.certificates.begin(), record.certificates.end(), std::back_inserter(certificates),
                   [](const RecordedCertificate& c) { return LineOf(c); });
    std::vector<std::wstring> values;
    std::transform(record.values.begin(), record.values.end(), std::back_inserter(values),
                   [](const RecordedValue& v) { return LineOf(v); });
    // The lists before the time: a record with a time is whole.
    const RegStatus statuses[] = {
        os.WriteRegValue(kCurrentUser, kRecordKeyPath, kCertificates, Lines(certificates)),
        os.WriteRegValue(kCurrentUser, kRecordKeyPath, kValues, Lines(values)),
        os.WriteRegValue(kCurrentUser, kRecordKeyPath, kKeysMade, Lines(record.keysMade)),
        os.WriteRegValue(kCurrentUser, kRecordKeyPath, kMade, Text(record.made))};
    return std::all_of(std::begin(statuses), std::end(statuses), [](RegStatus s) { return s == 0; });
}

void RecordCertificates(PlatformOps& os, ReportFacts& facts, const std::vector<std::wstring>& files) {
    ChangeRecord record = ReadChangeRecord(os);
    bool grew = false;
    for (const std::wstring& file : files) {
        std::optional<RecordedCertificate> certificate = SupportFolderCertificate(facts, file);
        if (!certificate || Holds(record, certificate->thumbprint)) {
            continue;
        }
        certificate->added = os.FindInUserRoots(certificate->thumbprint).held == PlatformOps::Held::No;
        record.certificates.push_back(std::move(*certificate));
        grew = true;
    }
    AddToRecord(os, facts, record, grew);
}

void RecordZoneValues(PlatformOps& os, ReportFacts& facts) {
    ChangeRecord record = ReadChangeRecord(os);
    bool grew = false;
    const std::wstring domainKey = DomainKeyPath();
    std::vector<std::pair<std::wstring, std::wstring>> values;
    values.reserve(kZoneSettings.size() + 1);
    std::transform(
        kZoneSettings.begin(), kZoneSettings.end(), std::back_inserter(values),
        [](const wchar_t* setting) { return std::pair<std::wstring, std::wstring>(kZoneKeyPath, setting); });
    values.emplace_back(domainKey, L"*");
    for (const auto& [key, name] : values) {
        if (Holds(record, key, name)) {
            continue;
        }
        const RegRead read = os.ReadRegValue(kCurrentUser, key, name);
        if (read.status != 0 && read.status != 2) {
            continue;
        }
        record.values.push_back({key, name, read.status == 0 ? std::optional(read.data) : std::nullopt});
        grew = true;
        if (!read.keyFound && read.status == 2 &&
            std::find(record.keysMade.begin(), record.keysMade.end(), key) == record.keysMade.end()) {
            record.keysMade.push_back(key);
        }
    }
    AddToRecord(os, facts, record, grew);
}

std::vector<std::pair<std::wstring, std::wstring>> ChangeRecordLines(PlatformOps& os) {
    const ChangeRecord record = ReadChangeRecord(os);
    if (record.empty()) {
        return {{L"Record of changes",
                 L"none: TovalSet has changed no certificate or browser setting of this user since it "
                 L"began to keep one (HKCU\\" +
                     std::wstring(kRecordKeyPath) + L")"}};
    }
    const auto added = std::count_if(record.certificates.begin(), record.certificates.end(),
                                     [](const RecordedCertificate& c) { return c.added; });
    const auto absent = std::count_if(record.values.begin(), record.values.end(),
                                      [](const RecordedValue& v) { return !v.before; });
    const auto count = [](std::size_t n, const wchar_t* one, const wchar_t* many) {
        return std::to_wstring(n) + L" " + (n == 1 ? one : many);
    };
    return {{L"Record of changes", L"made " + record.made + L", in HKCU\\" + kRecordKeyPath},
            {L"Recorded certificates",
             count(static_cast<std::size_t>(added), L"added by TovalSet", L"added by TovalSet") + L", " +
                 count(record.certificates.size() - static_cast<std::size_t>(added), L"there before",
                       L"there before")},
            {L"Recorded browser settings",
             count(record.values.size(), L"value", L"values") + L" as they were, " +
                 count(static_cast<std::size_t>(absent), L"of them not there", L"of them not there") + L"; " +
                 count(record.keysMade.size(), L"key made", L"keys made")}};
}

} // namespace tovalset
