// What the Windows tests take the certificate files from, and the thumbprint they and the root store
// look-up compute; the decoding of certificate files is fuzzed (tests/fuzz/CertmgrPemFuzz.cpp).
#include "actions/buttons/Certificates.h"
#include "platform/CertificateFile.h"
#include "tests/fake/FakePlatform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

using namespace tovalset;

TEST(CertificateFile, Sha1OfTheStandardTestVectors) {
    struct Case {
        std::string message;
        const char* digest;
    };
    // "abc" is one block, the empty message its padding alone; the 448-bit message leaves no room for the
    // length in its block, so the padding takes a second one.
    const Case cases[] = {
        {"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {"", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
    };
    for (const Case& c : cases) {
        std::string hex;
        for (const std::uint8_t byte : Sha1({c.message.begin(), c.message.end()})) {
            char digits[3] = {};
            std::snprintf(digits, sizeof digits, "%02x", byte);
            hex += digits;
        }
        EXPECT_EQ(hex, c.digest) << '"' << c.message << '"';
    }
}

// The Windows tests and scripts check every certificate file the install button imports, from these lists.
TEST(InstallCertificates, ListsTheFilesItsButtonImports) {
    fake::FakePlatform os;
    fake::FakeReportFacts facts;
    InstallRootCertificates(os, facts);
    std::vector<std::string> started;
    std::copy_if(os.calls().begin(), os.calls().end(), std::back_inserter(started),
                 [](const std::string& call) { return call.rfind("StartProgramAndWait(", 0) == 0; });
    const std::vector<std::wstring> imports = RootCertificateImports();
    std::vector<std::string> listed(imports.size());
    std::transform(imports.begin(), imports.end(), listed.begin(), [](const std::wstring& file) {
        return "StartProgramAndWait(\"" + fake::Narrow(CertmgrCommand(file)) + "\", 0, 120000)";
    });
    EXPECT_EQ(listed, started);

    // Each file once, in the order of its first import.
    const std::vector<std::wstring> files = CertificateFiles();
    EXPECT_EQ(std::set<std::wstring>(files.begin(), files.end()),
              std::set<std::wstring>(imports.begin(), imports.end()));
    EXPECT_EQ(std::set<std::wstring>(files.begin(), files.end()).size(), files.size());
    for (std::size_t i = 1; i < files.size(); ++i) {
        EXPECT_LT(std::find(imports.begin(), imports.end(), files[i - 1]),
                  std::find(imports.begin(), imports.end(), files[i]))
            << fake::Narrow(files[i]);
    }
}
