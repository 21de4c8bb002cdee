// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: MD5, SHA-1 and SHA-256 through OpenSSL's EVP interface.
#include "content/DigestSystem.h"

#include <openssl/evp.h>

#include <cstdio>
#include <cstdlib>

namespace dirlix {

namespace {

[[noreturn]] void brokenLibrary(const char* what)
{
    std::fprintf(stderr, "dirlix: the OpenSSL library cannot %s\n", what);
    std::abort();
}

class EvpDigest final : public Digest {
public:
    explicit EvpDigest(const EVP_MD* type) : mType(type), mContext(EVP_MD_CTX_new())
    {
        if (!mType || !mContext)
            brokenLibrary("make a digest");
        reset();
    }
    ~EvpDigest() override { EVP_MD_CTX_free(mContext); }
    EvpDigest(const EvpDigest&) = delete;
    EvpDigest& operator=(const EvpDigest&) = delete;

    void reset() override
    {
        if (EVP_DigestInit_ex(mContext, mType, nullptr) != 1)
            brokenLibrary("start a digest");
    }
    void update(const void* data, std::size_t size) override
    {
        if (EVP_DigestUpdate(mContext, data, size) != 1)
            brokenLibrary("add to a digest");
    }
    void writeHex(std::string& out) override
    {
        unsigned char value[EVP_MAX_MD_SIZE];
        unsigned int size = 0;
        if (EVP_DigestFinal_ex(mContext, value, &size) != 1)
            brokenLibrary("end a digest");
        out.clear();
        appendHex(out, value, size);
    }

private:
    const EVP_MD* mType;
    EVP_MD_CTX* mContext;
};

} // namespace

std::unique_ptr<Digest> makeSystemDigest(HashAlgorithm algorithm)
{
    switch (algorithm) {
    case HashAlgorithm::Md5:
        return std::make_unique<EvpDigest>(EVP_md5());
    case HashAlgorithm::Sha1:
        return std::make_unique<EvpDigest>(EVP_sha1());
    default:
        break;
    }
    return std::make_unique<EvpDigest>(EVP_sha256());
}

} // namespace dirlix
