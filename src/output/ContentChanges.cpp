// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: renames and silent changes by checksum.
#include "output/ContentChanges.h"

namespace dirlix {

bool ContentChanges::algorithmOf(const SavedList& saved, std::string& algorithm, std::string& error)
{
    algorithm.clear();
    JsonLineRow row;
    for (std::size_t i = 0; i < saved.count(); ++i) {
        if (!saved.readRow(i, row, error))
            return false;
        if (const std::string* name = row.text("hash_algorithm")) {
            algorithm = *name;
            return true;
        }
        // The first row tells: a list saved with --hash names its algorithm on every row.
        break;
    }
    return true;
}

bool ContentChanges::corrupt(std::string_view hash, std::size_t savedRow, bool& changed, std::string& error) const
{
    changed = false;
    if (hash.empty())
        return true;
    if (!mSaved.readRow(savedRow, mScratch, error))
        return false;
    const std::string* saved = mScratch.text("hash");
    changed = saved && !saved->empty() && *saved != hash;
    return true;
}

bool ContentChanges::addGone(std::size_t savedRow, std::string& error)
{
    if (!mSaved.sizeKnown(savedRow))
        return true;
    if (!mSaved.readRow(savedRow, mScratch, error))
        return false;
    if (const std::string* hash = mScratch.text("hash"); hash && !hash->empty())
        mGone[{mSaved.size(savedRow), *hash}].push_back(savedRow);
    return true;
}

std::size_t ContentChanges::renamedFrom(std::int64_t size, std::string_view hash)
{
    if (hash.empty())
        return SavedList::npos;
    const auto found = mGone.find({size, std::string(hash)});
    if (found == mGone.end() || found->second.empty())
        return SavedList::npos;
    const std::size_t savedRow = found->second.front();
    found->second.pop_front();
    mPaired.insert(savedRow);
    return savedRow;
}

} // namespace dirlix
