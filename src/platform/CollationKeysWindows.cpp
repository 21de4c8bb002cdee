// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: collation sort keys from Windows' own collation, numbers in natural order as Explorer sorts them.
#include "platform/CollationKeys.h"

#include <windows.h>

#include <string>

namespace dirlix {

struct CollationKeys::Collator {
    std::wstring locale; ///< empty: the user's own
    bool valid = false;
};

namespace {

// Digits as numbers, as Explorer sorts names; letters in the locale's order, case second.
constexpr DWORD kFlags = LCMAP_SORTKEY | SORT_DIGITSASNUMBERS;

// @p locale empty: the user's own.
std::string keyOf(const std::wstring& locale, const wchar_t* text, int length)
{
    const wchar_t* name = locale.empty() ? LOCALE_NAME_USER_DEFAULT : locale.c_str();
    const int size = LCMapStringEx(name, kFlags, text, length, nullptr, 0, nullptr, nullptr, 0);
    if (size <= 0)
        return {};
    std::string key(std::size_t(size), '\0');
    LCMapStringEx(name, kFlags, text, length, reinterpret_cast<wchar_t*>(key.data()), size, nullptr,
                  nullptr, 0);
    // The key ends in a zero byte, which callers do not need.
    if (!key.empty() && key.back() == '\0')
        key.pop_back();
    return key;
}

} // namespace

CollationKeys::CollationKeys(const QLocale& locale) : mCollator(std::make_unique<Collator>())
{
    QString name = locale.name();
    name.replace(QLatin1Char('_'), QLatin1Char('-'));
    mCollator->locale = name.toStdWString();
    if (!IsValidLocaleName(mCollator->locale.c_str()))
        mCollator->locale.clear();
    // A system that takes the flag but does not order by number gives no keys; QCollator then sorts.
    const std::string two = keyOf(mCollator->locale, L"file2", -1);
    const std::string ten = keyOf(mCollator->locale, L"file10", -1);
    mCollator->valid = !two.empty() && !ten.empty() && two.find('\0') == std::string::npos && two < ten;
}

CollationKeys::~CollationKeys() = default;

bool CollationKeys::valid() const
{
    return mCollator->valid;
}

void CollationKeys::append(std::string& out, QStringView text)
{
    if (!mCollator->valid || text.isEmpty())
        return;
    out += keyOf(mCollator->locale, reinterpret_cast<const wchar_t*>(text.utf16()), int(text.size()));
}

} // namespace dirlix
