// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the cryptographic digests from the system's library: OpenSSL, or CNG on Windows.
#pragma once

#include "content/Digest.h"

#include <memory>

namespace dirlix {

/** A new digest of @p algorithm (MD5, SHA-1 or SHA-256) from the system's library; never null. */
std::unique_ptr<Digest> makeSystemDigest(HashAlgorithm algorithm);

} // namespace dirlix
