// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the checksum algorithms by name, and one running digest of bytes.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace dirlix {

/** The checksums a file's content can be given. */
enum class HashAlgorithm {
    Sha256, ///< the default
    Md5,
    Sha1,
    Xxh128, ///< XXH3 128 bits: not cryptographic, very fast
};

/** The algorithm named @p name: "sha256", "md5", "sha1" or "xxh128"; nothing for another text. */
std::optional<HashAlgorithm> hashAlgorithmNamed(std::string_view name);

/** The name of @p algorithm as hashAlgorithmNamed() reads it, and as outputs write it. */
std::string_view hashAlgorithmName(HashAlgorithm algorithm);

/**
 * A checksum made over bytes given in pieces. The hex text is what sha256sum, md5sum, sha1sum and
 * `xxhsum -H2` print for the same bytes: lowercase, the digest's bytes in order (for XXH128 its
 * big-endian canonical form). One object per thread; reset() starts it again for another file.
 */
class Digest {
public:
    virtual ~Digest() = default;
    /** Starts a new checksum, forgetting the bytes given so far. */
    virtual void reset() = 0;
    /** Adds @p size bytes at @p data. */
    virtual void update(const void* data, std::size_t size) = 0;
    /**
     * Writes the checksum of the bytes given since reset() into @p out as lowercase hex, replacing
     * what it held (its storage is reused: no allocation for a text that already had the room).
     * Call reset() before reusing.
     */
    virtual void writeHex(std::string& out) = 0;
    /** The same checksum as a new text. */
    std::string hex()
    {
        std::string out;
        writeHex(out);
        return out;
    }
};

/**
 * A new digest of @p algorithm, ready for bytes. Never null: the libraries behind every algorithm
 * are part of the program, and a library that cannot make one is a broken installation that
 * ends the program with a message.
 */
std::unique_ptr<Digest> makeDigest(HashAlgorithm algorithm);

/** Appends @p size bytes at @p bytes to @p out as lowercase hex. */
void appendHex(std::string& out, const unsigned char* bytes, std::size_t size);

} // namespace dirlix
