// The thumbprint that the root store look-up and the Windows tests compute; the decoding of certificate
// files is fuzzed (tests/fuzz/CertmgrPemFuzz.cpp).
#include "platform/CertificateFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

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
