// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: collation sort keys from ICU, the library Qt's own collation uses here.
#include "platform/CollationKeys.h"

#include <unicode/ucol.h>

namespace dirlix {

struct CollationKeys::Collator {
    UCollator* collator = nullptr;
    ~Collator()
    {
        if (collator)
            ucol_close(collator);
    }
};

CollationKeys::CollationKeys(const QLocale& locale) : mCollator(std::make_unique<Collator>())
{
    // As QCollator sets it up: the locale's rules at their default strength, numbers by value.
    UErrorCode status = U_ZERO_ERROR;
    mCollator->collator = ucol_open(locale.name().toLatin1().constData(), &status);
    if (U_SUCCESS(status))
        ucol_setAttribute(mCollator->collator, UCOL_NUMERIC_COLLATION, UCOL_ON, &status);
    if (U_FAILURE(status) && mCollator->collator) {
        ucol_close(mCollator->collator);
        mCollator->collator = nullptr;
    }
}

CollationKeys::~CollationKeys() = default;

bool CollationKeys::valid() const
{
    return mCollator->collator != nullptr;
}

void CollationKeys::append(std::string& out, QStringView text)
{
    if (!mCollator->collator)
        return;
    const auto* chars = reinterpret_cast<const UChar*>(text.utf16());
    const auto length = std::int32_t(text.size());
    const std::size_t at = out.size();
    std::size_t room = 32 + std::size_t(length) * 4;
    out.resize(at + room);
    auto written = std::size_t(ucol_getSortKey(mCollator->collator, chars, length,
                                               reinterpret_cast<uint8_t*>(out.data() + at), std::int32_t(room)));
    if (written > room) {
        room = written;
        out.resize(at + room);
        written = std::size_t(ucol_getSortKey(mCollator->collator, chars, length,
                                              reinterpret_cast<uint8_t*>(out.data() + at), std::int32_t(room)));
    }
    // The key ends in a zero byte, which callers do not need.
    out.resize(at + (written > 0 ? written - 1 : 0));
}

} // namespace dirlix
