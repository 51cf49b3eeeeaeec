#include "remote/Token.h"

#include <windows.h>

#include <bcrypt.h>

namespace brv::remote {

std::string NewToken() {
    uint8_t bytes[kTokenBytes];
    if (!BCRYPT_SUCCESS(BCryptGenRandom(nullptr, bytes, sizeof bytes, BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
        return {};
    }
    return Base64Url(bytes);
}

} // namespace brv::remote
