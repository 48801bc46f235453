#include "reader/FileHeader.h"

#include "common/ErrorText.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <unistd.h>
#include <vector>

namespace {

// Offsets in the first page.
constexpr size_t VersionOffset = 0x14;
constexpr size_t EncodedOffset = 0x18; // start of the RC4-masked region
constexpr size_t Jet3EncodedLength = 126;
constexpr size_t Jet4EncodedLength = 128;
constexpr size_t PasswordOffset = 0x42;
constexpr size_t Jet3PasswordLength = 20;
constexpr size_t Jet4PasswordLength = 40; // UTF-16LE
constexpr size_t CodePageOffset = 0x3C;
constexpr size_t DatabaseKeyOffset = 0x3E; // the page key of an encoded file; 0 when not encoded
constexpr size_t CreationDateOffset = 0x72;
constexpr size_t HeaderBytes = EncodedOffset + Jet4EncodedLength;

// The region is masked with the RC4 keystream of this fixed key.
constexpr std::array<uint8_t, 4> HeaderKey = {0xC7, 0xDA, 0x39, 0x6B};

void Rc4Apply(const uint8_t *key, size_t keyLength, uint8_t *data, size_t length) {
    std::array<uint8_t, 256> s;
    for (size_t i = 0; i < 256; ++i)
        s[i] = static_cast<uint8_t>(i);
    for (size_t i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + key[i % keyLength]) & 0xFF;
        std::swap(s[i], s[j]);
    }
    for (size_t n = 0, i = 0, j = 0; n < length; ++n) {
        i = (i + 1) & 0xFF;
        j = (j + s[i]) & 0xFF;
        std::swap(s[i], s[j]);
        data[n] ^= s[(s[i] + s[j]) & 0xFF];
    }
}

bool AnyNonZero(const uint8_t *bytes, size_t length) {
    for (size_t i = 0; i < length; ++i)
        if (bytes[i] != 0)
            return true;
    return false;
}

} // namespace

std::optional<ReaderFailure> ReadFileHeader(int file, FileHeader &header) {
    std::vector<uint8_t> page(HeaderBytes);
    size_t got = 0;
    while (got < page.size()) {
        const ssize_t n =
            pread(file, page.data() + got, page.size() - got, static_cast<off_t>(got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return ReaderFailure{FailureKind::CannotOpen,
                                 "ファイルを読み取れません: " + JapaneseErrorText(errno)};
        if (n == 0)
            break;
        got += static_cast<size_t>(n);
    }
    if (got < page.size())
        return ReaderFailure{FailureKind::Damaged, "データベースとしては短すぎるファイルです"};

    static const uint8_t magic[4] = {0x00, 0x01, 0x00, 0x00};
    if (std::memcmp(page.data(), magic, 4) != 0 ||
        (std::memcmp(page.data() + 4, "Standard Jet DB", 16) != 0 &&
         std::memcmp(page.data() + 4, "Standard ACE DB", 16) != 0))
        return ReaderFailure{FailureKind::Damaged, "Access のデータベースではありません"};

    header.jetVersion = page[VersionOffset];
    const bool jet3 = header.jetVersion == 0;
    Rc4Apply(HeaderKey.data(), HeaderKey.size(), page.data() + EncodedOffset,
             jet3 ? Jet3EncodedLength : Jet4EncodedLength);

    header.codePage = static_cast<uint16_t>(page[CodePageOffset] | page[CodePageOffset + 1] << 8);
    // Only Jet 3 and Jet 4 encode pages this way; the later formats encrypt
    // differently and keep other data here.
    header.isEncoded = header.jetVersion <= 1 && AnyNonZero(page.data() + DatabaseKeyOffset, 4);

    uint8_t *password = page.data() + PasswordOffset;
    if (jet3) {
        header.hasPassword = AnyNonZero(password, Jet3PasswordLength);
    } else {
        // Each password byte is further masked with the integer part of the
        // creation date, little-endian.
        double created = 0;
        std::memcpy(&created, page.data() + CreationDateOffset, sizeof created);
        uint8_t mask[4] = {};
        if (created == created && created > -2147483648.0 && created < 2147483648.0) {
            const auto whole = static_cast<int32_t>(created);
            const auto bits = static_cast<uint32_t>(whole);
            for (int i = 0; i < 4; ++i)
                mask[i] = static_cast<uint8_t>(bits >> (8 * i));
        }
        for (size_t i = 0; i < Jet4PasswordLength; ++i)
            password[i] ^= mask[i % 4];
        header.hasPassword = AnyNonZero(password, Jet4PasswordLength);
    }
    return std::nullopt;
}
