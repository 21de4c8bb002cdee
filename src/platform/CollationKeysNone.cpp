// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: where the collation gives no keys as bytes; callers sort with QCollator instead.
#include "platform/CollationKeys.h"

namespace dirlix {

struct CollationKeys::Collator {};

CollationKeys::CollationKeys(const QLocale&) {}
CollationKeys::~CollationKeys() = default;

bool CollationKeys::valid() const
{
    return false;
}

void CollationKeys::append(std::string&, QStringView) {}

} // namespace dirlix
