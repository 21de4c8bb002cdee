// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: MD5, SHA-1 and SHA-256 through Windows' CNG (BCrypt).
#include "content/DigestSystem.h"

#include <windows.h>
#include <bcrypt.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace dirlix {

namespace {

[[noreturn]] void brokenLibrary(const char* what, NTSTATUS status)
{
    std::fprintf(stderr, "dirlix: the system's cryptography cannot %s (0x%08lx)\n", what, static_cast<unsigned long>(status));
    std::abort();
}

bool succeeded(NTSTATUS status)
{
    return status >= 0;
}

// One provider per algorithm for the whole program: opening one is costly, and it is thread-safe.
BCRYPT_ALG_HANDLE providerOf(HashAlgorithm algorithm)
{
    static BCRYPT_ALG_HANDLE providers[3] = {};
    static const bool opened = [] {
        const LPCWSTR names[3] = {BCRYPT_MD5_ALGORITHM, BCRYPT_SHA1_ALGORITHM, BCRYPT_SHA256_ALGORITHM};
        for (int i = 0; i < 3; ++i)
            if (const NTSTATUS status = BCryptOpenAlgorithmProvider(&providers[i], names[i], nullptr, 0);
                !succeeded(status))
                brokenLibrary("open a digest", status);
        return true;
    }();
    (void)opened;
    return providers[algorithm == HashAlgorithm::Md5 ? 0 : algorithm == HashAlgorithm::Sha1 ? 1 : 2];
}

class CngDigest final : public Digest {
public:
    explicit CngDigest(HashAlgorithm algorithm) : mProvider(providerOf(algorithm))
    {
        DWORD length = 0, written = 0;
        if (const NTSTATUS status = BCryptGetProperty(mProvider, BCRYPT_HASH_LENGTH, reinterpret_cast<PUCHAR>(&length),
                                                      sizeof length, &written, 0);
            !succeeded(status))
            brokenLibrary("size a digest", status);
        mValue.resize(length);
        reset();
    }
    ~CngDigest() override
    {
        if (mHash)
            BCryptDestroyHash(mHash);
    }
    CngDigest(const CngDigest&) = delete;
    CngDigest& operator=(const CngDigest&) = delete;

    void reset() override
    {
        if (mHash)
            BCryptDestroyHash(mHash);
        mHash = nullptr;
        if (const NTSTATUS status = BCryptCreateHash(mProvider, &mHash, nullptr, 0, nullptr, 0, 0); !succeeded(status))
            brokenLibrary("start a digest", status);
    }
    void update(const void* data, std::size_t size) override
    {
        // BCryptHashData takes at most 4 GiB at once.
        auto bytes = static_cast<PUCHAR>(const_cast<void*>(data));
        while (size > 0) {
            const ULONG piece = size > 0x40000000 ? 0x40000000 : static_cast<ULONG>(size);
            if (const NTSTATUS status = BCryptHashData(mHash, bytes, piece, 0); !succeeded(status))
                brokenLibrary("add to a digest", status);
            bytes += piece;
            size -= piece;
        }
    }
    void writeHex(std::string& out) override
    {
        if (const NTSTATUS status = BCryptFinishHash(mHash, mValue.data(), static_cast<ULONG>(mValue.size()), 0);
            !succeeded(status))
            brokenLibrary("end a digest", status);
        out.clear();
        appendHex(out, mValue.data(), mValue.size());
    }

private:
    BCRYPT_ALG_HANDLE mProvider;
    BCRYPT_HASH_HANDLE mHash = nullptr;
    std::vector<unsigned char> mValue;
};

} // namespace

std::unique_ptr<Digest> makeSystemDigest(HashAlgorithm algorithm)
{
    return std::make_unique<CngDigest>(algorithm);
}

} // namespace dirlix
