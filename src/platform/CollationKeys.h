// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: sort keys as bytes for the user's collation, so that a large list sorts by plain byte comparisons.
#pragma once

#include <QLocale>
#include <QStringView>

#include <memory>
#include <string>

namespace dirlix {

/**
 * Makes byte sort keys for texts in a locale's collation with numbers in natural order, the order
 * QCollator gives with numeric mode on. Keys compare as unsigned bytes, a key that is the start
 * of another sorting first; they hold no zero byte. Where the platform's collation gives no keys
 * as bytes, valid() is false and the caller uses QCollator instead. One per thread.
 */
class CollationKeys {
public:
    explicit CollationKeys(const QLocale& locale);
    ~CollationKeys();
    CollationKeys(const CollationKeys&) = delete;
    CollationKeys& operator=(const CollationKeys&) = delete;

    /** Whether keys can be made. */
    bool valid() const;
    /** Appends the key of @p text to @p out. Does nothing unless valid(). */
    void append(std::string& out, QStringView text);

    struct Collator;

private:
    std::unique_ptr<Collator> mCollator;
};

} // namespace dirlix
