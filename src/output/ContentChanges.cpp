// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: renames and silent changes by checksum.
#include "output/ContentChanges.h"

#include "output/JsonLines.h"

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

bool ContentChanges::refine(const Row& row, std::size_t savedRow, RowChange& change, std::string& error) const
{
    if (change != RowChange::None || row.hash.empty() || savedRow == SavedList::npos)
        return true;
    if (!mSaved.readRow(savedRow, mScratch, error, mReader))
        return false;
    const std::string* saved = mScratch.text("hash");
    if (saved && !saved->empty() && *saved != row.hash)
        change = RowChange::Corrupt;
    return true;
}

std::size_t ContentChanges::addCandidate(const Row& row)
{
    if (row.hash.empty() || !row.values.valuesKnown())
        return npos;
    mCandidates.emplace_back(row.values.size, std::string(row.hash));
    return mCandidates.size() - 1;
}

bool ContentChanges::pairRenames(const ListCompare& compare, std::string& error, const std::atomic<bool>* stop)
{
    error.clear();
    // The gone files by content, each queue in the list's order.
    std::map<std::pair<std::int64_t, std::string>, std::deque<std::size_t>> gone;
    bool ok = true;
    if (!mCandidates.empty())
        compare.forEachRemoved([&](std::size_t savedRow) {
            if (stop && stop->load(std::memory_order_relaxed)) {
                ok = false;
                return false;
            }
            if (!mSaved.sizeKnown(savedRow))
                return true;
            if (!mSaved.readRow(savedRow, mScratch, error, mReader)) {
                ok = false;
                return false;
            }
            if (const std::string* hash = mScratch.text("hash"); hash && !hash->empty())
                gone[{mSaved.size(savedRow), *hash}].push_back(savedRow);
            return true;
        });
    if (!ok)
        return false;
    mFrom.assign(mCandidates.size(), npos);
    for (std::size_t candidate = 0; candidate < mCandidates.size() && !gone.empty(); ++candidate) {
        const auto found = gone.find(mCandidates[candidate]);
        if (found == gone.end())
            continue;
        mFrom[candidate] = found->second.front();
        mPaired.insert(found->second.front());
        found->second.pop_front();
        if (found->second.empty())
            gone.erase(found);
    }
    mCandidates.clear();
    mCandidates.shrink_to_fit();
    return true;
}

void appendRenamedLine(std::string& out, std::string_view oldPath, std::string_view newPath)
{
    out += "R\t";
    out += oldPath;
    out += '\t';
    out += newPath;
    out += '\n';
}

void appendRenamedJson(std::string& out, std::string_view oldPath, std::string_view rowObject)
{
    out += "{\"change\":\"renamed\",\"old_path\":";
    if (!appendJsonString(out, oldPath)) {
        out += ",\"old_path_b64\":\"";
        appendBase64(out, oldPath);
        out += '"';
    }
    out += ',';
    out.append(rowObject.substr(1)); // the row's own members, after its opening brace
}

} // namespace dirlix
