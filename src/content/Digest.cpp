// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the algorithms by name, and XXH128 from xxHash on every system.
#include "content/Digest.h"
#include "content/DigestSystem.h"

#include <xxhash.h>

namespace dirlix {

namespace {

class Xxh128Digest final : public Digest {
public:
    Xxh128Digest() : mState(XXH3_createState()) { reset(); }
    ~Xxh128Digest() override { XXH3_freeState(mState); }
    Xxh128Digest(const Xxh128Digest&) = delete;
    Xxh128Digest& operator=(const Xxh128Digest&) = delete;

    void reset() override { XXH3_128bits_reset(mState); }
    void update(const void* data, std::size_t size) override { XXH3_128bits_update(mState, data, size); }
    void writeHex(std::string& out) override
    {
        // The canonical form is big-endian, high half first: what xxhsum -H2 prints.
        XXH128_canonical_t canonical;
        XXH128_canonicalFromHash(&canonical, XXH3_128bits_digest(mState));
        out.clear();
        appendHex(out, canonical.digest, sizeof canonical.digest);
    }

private:
    XXH3_state_t* mState;
};

} // namespace

std::optional<HashAlgorithm> hashAlgorithmNamed(std::string_view name)
{
    for (const HashAlgorithm algorithm :
         {HashAlgorithm::Sha256, HashAlgorithm::Md5, HashAlgorithm::Sha1, HashAlgorithm::Xxh128})
        if (hashAlgorithmName(algorithm) == name)
            return algorithm;
    return std::nullopt;
}

std::string_view hashAlgorithmName(HashAlgorithm algorithm)
{
    switch (algorithm) {
    case HashAlgorithm::Md5:
        return "md5";
    case HashAlgorithm::Sha1:
        return "sha1";
    case HashAlgorithm::Xxh128:
        return "xxh128";
    case HashAlgorithm::Sha256:
        break;
    }
    return "sha256";
}

std::unique_ptr<Digest> makeDigest(HashAlgorithm algorithm)
{
    if (algorithm == HashAlgorithm::Xxh128)
        return std::make_unique<Xxh128Digest>();
    return makeSystemDigest(algorithm);
}

void appendHex(std::string& out, const unsigned char* bytes, std::size_t size)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    const std::size_t at = out.size();
    out.resize(at + 2 * size);
    char* into = out.data() + at;
    for (std::size_t i = 0; i < size; ++i) {
        *into++ = kDigits[bytes[i] >> 4];
        *into++ = kDigits[bytes[i] & 0x0F];
    }
}

} // namespace dirlix
