// The look-up of a certificate file in the trusted root store, on Wine's real CryptoAPI: the file read as
// DER or PEM from any folder name, and the part of the store it is found in.
#include <windows.h>
#include <wincrypt.h>

#include "platform/win32/Text.h"
#include "platform/win32/Win32Platform.h"
#include "support/certmgr/CertHandles.h"
#include "tests/support/CertStore.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

using namespace tovalset;
using Standing = PlatformOps::RootStanding;

namespace {

// A folder whose name no ANSI code page holds in full (Persian letters and a musical sign).
const std::wstring kFolder = L"\u06af\u0648\u0627\u0647\u06cc \U0001D11E";

std::wstring InFolder(const std::wstring& name) {
    return kFolder + L"\\" + name;
}

std::string DemoFile(const char* name) {
    return test::FolderOfThisExe() + "\\..\\..\\bin\\All\\" + name;
}

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
    const win32::UniqueHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file && WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

// Puts the certificate of a demo file into one location's registry part of the root store, and takes it
// out again when the object goes, so that each case starts from the store it found. Wine writes a registry
// store back when it is closed, so each change closes its store.
class InRootStore {
public:
    InRootStore(const char* demoFile, DWORD location)
        : location_(location), thumbprint_(test::Thumbprint(DemoFile(demoFile))) {
        const std::vector<std::uint8_t> der = test::Der(DemoFile(demoFile));
        const win32::UniqueCertStore store = Open();
        added_ = store && CertAddEncodedCertificateToStore(store.get(), X509_ASN_ENCODING, der.data(),
                                                           static_cast<DWORD>(der.size()),
                                                           CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    }
    InRootStore(const InRootStore&) = delete;
    InRootStore& operator=(const InRootStore&) = delete;
    ~InRootStore() {
        const win32::UniqueCertStore store = Open();
        CRYPT_HASH_BLOB blob{static_cast<DWORD>(thumbprint_.size()), thumbprint_.data()};
        if (PCCERT_CONTEXT found = CertFindCertificateInStore(store.get(), X509_ASN_ENCODING, 0,
                                                              CERT_FIND_SHA1_HASH, &blob, nullptr)) {
            CertDeleteCertificateFromStore(found); // frees the context too
        }
    }
    bool added() const { return added_; }

private:
    win32::UniqueCertStore Open() const {
        return win32::UniqueCertStore(
            CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_A, 0, 0, location_, "Root"));
    }
    DWORD location_;
    std::vector<BYTE> thumbprint_;
    bool added_ = false;
};

class RootStore : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(CreateDirectoryW(kFolder.c_str(), nullptr));
        // One certificate of each form: DigitalSignOld.cer is DER, IRIROOTCA.crt is PEM.
        for (const char* name : {"DigitalSignOld.cer", "IRIROOTCA.crt"}) {
            ASSERT_TRUE(CopyFileW(win32::FromAnsi(DemoFile(name)).c_str(),
                                  InFolder(win32::FromAnsi(name)).c_str(), FALSE))
                << name;
        }
    }
    PlatformOps::RootLookup LookUp(const std::wstring& name) {
        return os_.LookUpRootCertificate(InFolder(name));
    }

    test::ScratchFolder folder_;
    win32::Win32Platform os_;
};

} // namespace

TEST_F(RootStore, TellsAFileThatCannotBeReadFromOneThatHoldsNoCertificate) {
    const auto missing = LookUp(L"Missing.cer");
    EXPECT_EQ(missing.standing, Standing::FileUnreadable);
    EXPECT_FALSE(missing.reason.empty());
    const auto folder = os_.LookUpRootCertificate(kFolder);
    EXPECT_EQ(folder.standing, Standing::FileUnreadable);

    const std::string brokenPem =
        "-----BEGIN CERTIFICATE-----\nbm90IGEgY2VydGlmaWNhdGU=\n-----END CERTIFICATE-----\n";
    for (const auto& [name, bytes] : {std::pair<std::wstring, std::string>{L"Empty.cer", ""},
                                      {L"Text.cer", "no certificate here\n"},
                                      {L"Broken.crt", brokenPem},
                                      {L"Large.cer", std::string(2 * 1024 * 1024, '\x30')}}) {
        ASSERT_TRUE(WriteBytes(InFolder(name), bytes));
        EXPECT_EQ(LookUp(name).standing, Standing::NoCertificate) << std::string(name.begin(), name.end());
    }
}

TEST_F(RootStore, FindsEachFormInThePartOfTheStoreItIsIn) {
    for (const auto& [name, wide] : {std::pair{"DigitalSignOld.cer", L"DigitalSignOld.cer"},
                                     std::pair{"IRIROOTCA.crt", L"IRIROOTCA.crt"}}) {
        EXPECT_EQ(LookUp(wide).standing, Standing::NotInStore) << name;
        {
            const InRootStore user(name, CERT_SYSTEM_STORE_CURRENT_USER);
            ASSERT_TRUE(user.added()) << name;
            EXPECT_EQ(LookUp(wide).standing, Standing::UserPartOnly) << name;
            // In both parts, the machine's is what counts: no policy on the user's roots can undo it.
            const InRootStore machine(name, CERT_SYSTEM_STORE_LOCAL_MACHINE);
            ASSERT_TRUE(machine.added()) << name;
            EXPECT_EQ(LookUp(wide).standing, Standing::MachinePart) << name;
        }
        const InRootStore machine(name, CERT_SYSTEM_STORE_LOCAL_MACHINE);
        EXPECT_EQ(LookUp(wide).standing, Standing::MachinePart) << name;
    }
}

// The thumbprint that the look-up and the tests compute, against CryptoAPI's own reading and hash of each
// form.
TEST(Thumbprint, IsCryptoApisForDerAndPem) {
    int pem = 0;
    for (const char* name : {"DigitalSignOld.cer", "IRIROOTCA.crt"}) {
        std::string data = test::FileText(DemoFile(name));
        if (data.find("-----BEGIN") != std::string::npos) {
            ++pem;
            DWORD size = 0;
            ASSERT_TRUE(CryptStringToBinaryA(data.c_str(), 0, CRYPT_STRING_BASE64HEADER, nullptr, &size,
                                             nullptr, nullptr))
                << name;
            std::string der(size, '\0');
            ASSERT_TRUE(CryptStringToBinaryA(data.c_str(), 0, CRYPT_STRING_BASE64HEADER,
                                             reinterpret_cast<BYTE*>(der.data()), &size, nullptr, nullptr))
                << name;
            data = der.substr(0, size);
        }
        BYTE hash[20] = {};
        DWORD size = sizeof hash;
        ASSERT_TRUE(CryptHashCertificate(0, CALG_SHA1, 0, reinterpret_cast<const BYTE*>(data.data()),
                                         static_cast<DWORD>(data.size()), hash, &size))
            << name;
        EXPECT_EQ(test::Thumbprint(DemoFile(name)), std::vector<BYTE>(hash, hash + size)) << name;
    }
    EXPECT_EQ(pem, 1);
}

// The undo's look-up by thumbprint: the user's own part and the computer's each told alone, so that a user's
// copy is seen even where the computer's store holds the same certificate.
TEST_F(RootStore, TellsTheUsersOwnPartFromTheComputersByThumbprint) {
    const std::vector<BYTE> bytes = test::Thumbprint(DemoFile("IRIROOTCA.crt"));
    Thumbprint thumbprint{};
    ASSERT_EQ(bytes.size(), thumbprint.size());
    std::copy(bytes.begin(), bytes.end(), thumbprint.begin());
    using Held = PlatformOps::Held;
    const auto places = [&] {
        return std::pair{os_.FindInUserRoots(thumbprint).held, os_.FindInComputerRoots(thumbprint).held};
    };
    EXPECT_EQ(places(), std::pair(Held::No, Held::No));
    {
        const InRootStore user("IRIROOTCA.crt", CERT_SYSTEM_STORE_CURRENT_USER);
        ASSERT_TRUE(user.added());
        EXPECT_EQ(places(), std::pair(Held::Yes, Held::No));
        const InRootStore machine("IRIROOTCA.crt", CERT_SYSTEM_STORE_LOCAL_MACHINE);
        ASSERT_TRUE(machine.added());
        EXPECT_EQ(places(), std::pair(Held::Yes, Held::Yes));
    }
    const InRootStore machine("IRIROOTCA.crt", CERT_SYSTEM_STORE_LOCAL_MACHINE);
    EXPECT_EQ(places(), std::pair(Held::No, Held::Yes));
}
