// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: folder totals.
#include "output/FolderTotals.h"

#include "output/ColumnTexts.h"
#include "output/DelimitedExport.h"
#include "output/JsonLines.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace dirlix {

void ByteTotal::appendDigits(std::string& out) const
{
    if (high == 0) {
        char digits[24];
        out.append(digits, std::to_chars(digits, digits + sizeof digits, low).ptr);
        return;
    }
    // Long division by ten in 32-bit pieces: the value is at most 39 digits.
    std::uint32_t pieces[4] = {std::uint32_t(high >> 32), std::uint32_t(high), std::uint32_t(low >> 32),
                               std::uint32_t(low)};
    char digits[40];
    std::size_t count = 0;
    for (bool more = true; more;) {
        std::uint64_t remainder = 0;
        more = false;
        for (std::uint32_t& piece : pieces) {
            const std::uint64_t value = (remainder << 32) | piece;
            piece = std::uint32_t(value / 10);
            remainder = value % 10;
            more = more || piece != 0;
        }
        digits[count++] = char('0' + remainder);
    }
    while (count > 0)
        out += digits[--count];
}

std::string ByteTotal::text() const
{
    std::string digits;
    appendDigits(digits);
    return digits;
}

FolderTotals::FolderTotals(std::string startFolder) : mStart(std::move(startFolder))
{
    if (!mStart.empty() && mStart.back() != fsys::kSeparator)
        mStart += fsys::kSeparator;
}

std::uint32_t FolderTotals::child(std::uint32_t parent, std::string_view part)
{
    std::string key(reinterpret_cast<const char*>(&parent), sizeof parent);
    key += part;
    const auto [found, added] = mIndex.try_emplace(std::move(key), std::uint32_t(mNodes.size()));
    if (!added)
        return found->second;
    Node node;
    node.parent = parent;
    node.partOffset = std::uint32_t(mParts.size());
    node.partLength = std::uint32_t(part.size());
    mParts += part;
    const auto index = std::uint32_t(mNodes.size());
    std::uint32_t& last = parent == kNone ? mLastTop : mNodes[parent].lastChild;
    if (last == kNone)
        (parent == kNone ? mFirstTop : mNodes[parent].firstChild) = index;
    else
        mNodes[last].nextSibling = index;
    last = index;
    mNodes.push_back(node);
    return index;
}

void FolderTotals::add(std::string_view folder, std::uint64_t size)
{
    // Rows of one folder come together: only a new folder costs a look-up, and only for the parts
    // below what it shares with the last one.
    if (mChain.empty() || folder != mLastFolder) {
        // A folder outside the start folder's tree, or after a row without a folder, starts a chain anew.
        const bool underStart = !mStart.empty() && folder.starts_with(mStart);
        if (mLastFolder.empty() || (!mChain.empty() && (mChain.front().first == mStartNode) != underStart))
            mChain.clear();
        const std::size_t common =
            std::size_t(std::mismatch(folder.begin(), folder.end(), mLastFolder.begin(), mLastFolder.end()).first -
                        folder.begin());
        while (!mChain.empty() && mChain.back().second > common)
            mChain.pop_back();
        if (mChain.empty() && underStart) {
            mStartNode = child(kNone, mStart);
            mChain.push_back({mStartNode, mStart.size()});
        }
        std::size_t at = mChain.empty() ? 0 : mChain.back().second;
        if (folder.empty())
            mChain.push_back({child(kNone, folder), 0});
        while (at < folder.size()) {
            const std::size_t separator = folder.find(fsys::kSeparator, at);
            const std::size_t end = separator == std::string_view::npos ? folder.size() : separator + 1;
            mChain.push_back({child(mChain.empty() ? kNone : mChain.back().first, folder.substr(at, end - at)), end});
            at = end;
        }
        mLastFolder.assign(folder);
    }
    Node& node = mNodes[mChain.back().first];
    ++node.files;
    node.size += size;
}

void FolderTotals::forEach(const std::function<void(const FolderTotal&)>& visit) const
{
    // A folder is made after its parent, so one pass from the end adds every folder into its parent.
    std::vector<std::pair<std::uint64_t, ByteTotal>> all(mNodes.size());
    for (std::size_t i = mNodes.size(); i-- > 0;) {
        all[i].first += mNodes[i].files;
        all[i].second += mNodes[i].size;
        if (mNodes[i].parent != kNone) {
            all[mNodes[i].parent].first += all[i].first;
            all[mNodes[i].parent].second += all[i].second;
        }
    }
    const auto part = [&](std::uint32_t node) {
        return std::string_view(mParts).substr(mNodes[node].partOffset, mNodes[node].partLength);
    };
    std::string path;
    std::vector<std::pair<std::uint32_t, std::size_t>> stack; // a folder, and where its part begins
    for (std::uint32_t top = mFirstTop; top != kNone; top = mNodes[top].nextSibling) {
        path.assign(part(top));
        std::uint32_t first = top;
        // Without a start folder, the folders above the one that holds every listed file are left out.
        while (mStart.empty() && mNodes[first].files == 0 && mNodes[first].firstChild != kNone &&
               mNodes[first].firstChild == mNodes[first].lastChild) {
            first = mNodes[first].firstChild;
            path += part(first);
        }
        stack.push_back({first, path.size() - part(first).size()});
        while (!stack.empty()) {
            const auto [node, begin] = stack.back();
            stack.pop_back();
            path.resize(begin);
            path += part(node);
            visit({path, mNodes[node].files, mNodes[node].size, all[node].first, all[node].second});
            // Its next sibling waits below its children, which come first.
            if (node != first && mNodes[node].nextSibling != kNone)
                stack.push_back({mNodes[node].nextSibling, begin});
            if (mNodes[node].firstChild != kNone)
                stack.push_back({mNodes[node].firstChild, path.size()});
        }
    }
}

namespace {

constexpr std::string_view kTotalsCaptions[5] = {"Directory", "Files", "Size", "AllFiles", "AllSize"};
constexpr std::size_t kWriteChunk = std::size_t(1) << 20;
constexpr std::uint64_t kProgressStep = 1024;

void appendNumber(std::string& out, std::uint64_t value)
{
    char digits[24];
    out.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

void appendTotal(std::string& out, TextFormat format, const FolderTotal& total, CsvFormulas formulas)
{
    if (format == TextFormat::JsonLines) {
        out += "{\"folder\":";
        const bool exact = appendJsonString(out, total.folder);
        out += ",\"files\":";
        appendNumber(out, total.files);
        out += ",\"size\":";
        total.size.appendDigits(out);
        out += ",\"all_files\":";
        appendNumber(out, total.allFiles);
        out += ",\"all_size\":";
        total.allSize.appendDigits(out);
        if (!exact) {
            out += ",\"folder_b64\":\"";
            appendBase64(out, total.folder);
            out += '"';
        }
        out += "}\n";
        return;
    }
    std::string numbers;
    std::array<std::string_view, 5> fields{total.folder};
    std::array<std::size_t, 5> ends{};
    appendNumber(numbers, total.files);
    ends[1] = numbers.size();
    total.size.appendDigits(numbers);
    ends[2] = numbers.size();
    appendNumber(numbers, total.allFiles);
    ends[3] = numbers.size();
    total.allSize.appendDigits(numbers);
    ends[4] = numbers.size();
    for (std::size_t i = 1; i < 5; ++i)
        fields[i] = std::string_view(numbers).substr(ends[i - 1], ends[i] - ends[i - 1]);
    if (format == TextFormat::Columns) {
        for (std::size_t i = 0; i < 5; ++i) {
            out += fields[i];
            out += i == 4 ? '\n' : '\t';
        }
    } else {
        appendDelimitedRecord(out, format == TextFormat::Csv ? Delimited::Csv : Delimited::Tsv, fields, formulas);
    }
}

} // namespace

ExportResult FolderTotalsExporter::write(RowSource& rows, ExportTarget& target, ExportProgress& progress,
                                         const std::atomic<bool>* stop)
{
    ExportResult result;
    result.path = target.path();
    progress.rowsTotal.store(rows.total().value_or(0), std::memory_order_relaxed);
    if (!target.open()) {
        result.error = target.error();
        return result;
    }
    const auto stopped = [&] {
        if (!stop || !stop->load(std::memory_order_relaxed))
            return false;
        target.discard();
        result.stopped = true;
        return true;
    };
    FolderTotals totals(mStart);
    Row row;
    std::uint64_t read = 0;
    while (rows.next(row)) {
        const bool folderText = row.textMask & (1u << (ColDirectory - 1));
        const bool sized = row.values.valuesKnown() && row.values.size > 0;
        totals.add(folderText ? std::string_view(row.texts[ColDirectory - 1]) : row.folder,
                   sized ? std::uint64_t(row.values.size) : 0);
        if (++read % kProgressStep == 0) {
            progress.rowsWritten.store(read, std::memory_order_relaxed);
            if (stopped())
                return result;
        }
    }
    if (stopped())
        return result;

    std::string buffer;
    if (mHeader && (mFormat == TextFormat::Csv || mFormat == TextFormat::Tsv))
        appendDelimitedRecord(buffer, mFormat == TextFormat::Csv ? Delimited::Csv : Delimited::Tsv, kTotalsCaptions);
    bool failed = false;
    totals.forEach([&](const FolderTotal& total) {
        if (failed)
            return;
        appendTotal(buffer, mFormat, total, mFormulas);
        ++result.rows;
        if (buffer.size() >= kWriteChunk) {
            failed = !target.write(buffer);
            buffer.clear();
        }
    });
    if (failed || !target.write(buffer) || !target.commit()) {
        target.discard();
        result.error = target.error();
        result.rows = 0;
        return result;
    }
    progress.rowsWritten.store(read, std::memory_order_relaxed);
    result.ok = true;
    return result;
}

} // namespace dirlix
