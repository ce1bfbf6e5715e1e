#include "md5_digest.h"

#include <openssl/evp.h>

std::string md5_hex(std::string_view bytes)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_md5(), nullptr) != 1) return {};

    static constexpr char hex_digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned int i = 0; i < length; ++i) {
        hex.push_back(hex_digits[digest[i] >> 4]);
        hex.push_back(hex_digits[digest[i] & 0x0F]);
    }
    return hex;
}
