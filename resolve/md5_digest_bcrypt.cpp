#include "md5_digest.h"

#include <windows.h>

#include <bcrypt.h>

std::string md5_hex(std::string_view bytes)
{
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_MD5_ALGORITHM, nullptr, 0) != 0) return {};

    unsigned char digest[16];
    BCRYPT_HASH_HANDLE hash = nullptr;
    bool done = BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0) == 0;
    // BCryptHashData takes a non-const pointer but only reads it.
    done = done && BCryptHashData(hash, reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data())),
                                  static_cast<ULONG>(bytes.size()), 0) == 0;
    done = done && BCryptFinishHash(hash, digest, sizeof digest, 0) == 0;
    if (hash) BCryptDestroyHash(hash);
    BCryptCloseAlgorithmProvider(algorithm, 0);
    if (!done) return {};

    static constexpr char hex_digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char byte : digest) {
        hex.push_back(hex_digits[byte >> 4]);
        hex.push_back(hex_digits[byte & 0x0F]);
    }
    return hex;
}
