// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the comparison of a folder with a saved list of it, on the command line.
#include "cli/CompareCommand.h"
#include "cli/OutputTarget.h"

#include "content/HashingRows.h"
#include "output/ContentChanges.h"
#include "output/JsonLines.h"
#include "output/ListCompare.h"
#include "platform/PlainFile.h"
#include "platform/ReplacingFile.h"
#include "search/WalkHandOff.h"

#include <cstdio>
#include <memory>

namespace dirlix::cli {

namespace {
constexpr std::size_t kWriteChunk = std::size_t(1) << 20;

// A difference held back until the walk has ended, when the gone files are known: with checksums, an
// added file may turn out to be a renamed one, and the lines keep the walk's order either way.
struct HeldChange {
    std::string text;                               // its line or JSON object as it stands
    std::string body;                               // a rename candidate with JSON: the row's own object
    std::string path;                               // a rename candidate: the new path
    std::size_t candidate = ContentChanges::npos;   // its number with ContentChanges
};
} // namespace

bool parseCompareOption(const std::vector<std::string>& args, std::size_t& i, std::optional<std::string>& into,
                        std::string& error)
{
    const std::string& arg = args[i];
    if (arg == "--compare") {
        if (i + 1 >= args.size())
            error = "option --compare needs a value";
        else
            into = args[++i];
        return true;
    }
    if (arg.rfind("--compare=", 0) != 0)
        return false;
    into = arg.substr(std::string_view("--compare=").size());
    if (into->empty())
        error = "option --compare needs a value";
    return true;
}

std::string compareConflict(const ListOptions& options)
{
    if (!options.compareWith)
        return {};
    if (options.textOutput)
        return "--compare and --template cannot be used together";
    if (options.workbookFile)
        return "--compare and --xlsx cannot be used together";
    if (options.formats.folderTotals)
        return "--compare and --folders cannot be used together";
    if (options.formats.html || (options.formats.format && *options.formats.format != TextFormat::JsonLines &&
                                 *options.formats.format != TextFormat::Columns))
        return "--compare writes its own lines, or --format=jsonl";
    return {};
}

int runCompare(const ListOptions& options, const WalkOptions& walk, const std::string& datePattern,
               const DateLocale& locale)
{
    const std::string& oldList = *options.compareWith;
    // Opened before the walk, as for a listing; a regular file is only written aside until the
    // end, so the check below that it is not the saved list still comes in time.
    std::optional<OpenedOutput> opened = openOutput(options);
    if (!opened)
        return CompareTrouble;
    OpenedOutput& output = *opened;
    ExportTarget* target = output.target.get();
    BackgroundWalk background(walk);
    // The walk starts at once and fills its queue while the saved list is read.
    background.start(options.directory);
    SavedList saved;
    std::string error;
    if (!saved.load(oldList, error)) {
        background.stop();
        background.wait();
        std::fprintf(stderr, "dirlix-list: %s: %s\n", oldList.c_str(), error.c_str());
        return CompareTrouble;
    }

    // The differences never replace the list they come from, under whatever name it is given.
    if (options.outputFile) {
        fsys::FileId outputId;
        const int missing = fsys::pathIdentity(*options.outputFile, outputId);
        if (missing == 0 ? outputId == saved.fileId() : *options.outputFile == oldList) {
            background.stop();
            background.wait();
            std::fprintf(stderr, "dirlix-list: %s: is the saved list given to --compare; the differences would replace it\n",
                         options.outputFile->c_str());
            return CompareTrouble;
        }
    }

    const bool json = options.formats.format == TextFormat::JsonLines;
    bool written = true;
    std::string out;
    const auto flush = [&](std::size_t atLeast) {
        if (out.size() < atLeast || out.empty())
            return;
        if (written)
            written = target->write(out);
        out.clear();
    };

    ListCompare compare(saved);
    RowTexts texts(locale);
    WalkRows walkRows(background, datePattern);
    WithoutStagingFile rows(walkRows, output.file);

    // A list saved with checksums: the walk's files get them too, in the same algorithm, so that
    // renamed and moved files (R) and content changed without its time (C) are told.
    std::string algorithmName;
    if (!ContentChanges::algorithmOf(saved, algorithmName, error)) {
        background.stop();
        background.wait();
        std::fprintf(stderr, "dirlix-list: %s: %s\n", oldList.c_str(), error.c_str());
        return CompareTrouble;
    }
    const std::optional<HashAlgorithm> algorithm = hashAlgorithmNamed(algorithmName);
    if (!algorithmName.empty() && !algorithm) {
        background.stop();
        background.wait();
        std::fprintf(stderr, "dirlix-list: %s: its checksums are of an unknown kind: %s\n", oldList.c_str(),
                     algorithmName.c_str());
        return CompareTrouble;
    }
    std::optional<HashingRows> hashing;
    if (algorithm)
        hashing.emplace(rows, *algorithm, 0, [](const std::string& path, const std::string& reason) {
            std::fprintf(stderr, "dirlix-list: no checksum for %s: %s\n", path.c_str(), reason.c_str());
        });
    RowSource& source = hashing ? static_cast<RowSource&>(*hashing) : rows;
    ContentChanges content(saved);
    std::vector<HeldChange> held;
    bool contentTrouble = false;

    Row row;
    std::uint64_t differences = 0;
    while (written && source.next(row)) {
        std::size_t savedRow = SavedList::npos;
        const RowChange change = compare.compare(row, savedRow);
        if (change == RowChange::None && !algorithm)
            continue;
        if (!algorithm) {
            ++differences;
            if (json)
                appendChangeJson(out, change, row, texts, saved, savedRow);
            else
                appendChangeLine(out, change, row.folder, row.name);
            flush(kWriteChunk);
            continue;
        }
        RowChange refined = change;
        if (!content.refine(row, savedRow, refined, error)) {
            contentTrouble = true;
            break;
        }
        if (refined == RowChange::None)
            continue;
        HeldChange kept;
        if (json)
            appendChangeJson(kept.text, refined, row, texts, saved, savedRow);
        else
            appendChangeLine(kept.text, refined, row.folder, row.name);
        if (refined == RowChange::Added) {
            kept.candidate = content.addCandidate(row);
            if (kept.candidate != ContentChanges::npos) {
                kept.path.assign(row.folder);
                kept.path += row.name;
                if (json)
                    appendJsonLine(kept.body, row, texts);
            }
        }
        ++differences;
        held.push_back(std::move(kept));
    }
    const bool unhashed = hashing && hashing->failures() != 0;
    hashing.reset(); // its threads end before the walk is waited for
    if (!written || contentTrouble)
        background.stop();
    background.wait();

    int status = reportWalk(background.walker(), background.folderFound(), options.directory);
    // Saved files the walk could not have seen are not called removed: those in folders that
    // could not be read or were not entered, outside DIR, or left out by the filters.
    compare.setScope(Walker::startFolderText(options.directory), walk.filter);
    if (!compare.savedRowsInScope())
        std::fprintf(stderr,
                     "dirlix-list: warning: no file of %s lies in %s as it is written here, so every file is added and "
                     "none removed; give the folder as it was given when the list was made\n",
                     oldList.c_str(), options.directory.c_str());
    for (const WalkError& failed : background.walker().errors())
        if (failed.kind == WalkErrorKind::FolderUnreadable || failed.kind == WalkErrorKind::VirtualSkipped ||
            failed.kind == WalkErrorKind::CycleSkipped)
            compare.folderUnreadable(failed.path);
    if (status != ExitOk)
        std::fprintf(stderr, "dirlix-list: files of %s in folders that could not be read are not reported as removed\n",
                     oldList.c_str());

    if (contentTrouble)
        status = ExitUsage;
    if (unhashed && status == ExitOk)
        status = ExitSomeUnreadable; // a file without a checksum may hide a change: trouble, as in diff
    if (algorithm && status != ExitUsage) {
        // The gone files pair with the added ones of their content, in the list's order; then the
        // held lines come out in walk order.
        if (!content.pairRenames(compare, error))
            status = ExitUsage;
        for (const HeldChange& change : held) {
            if (status == ExitUsage)
                break;
            const std::size_t from = content.renamedFrom(change.candidate);
            if (from == SavedList::npos) {
                out += change.text;
            } else {
                std::string oldPath(saved.folder(from));
                oldPath += saved.name(from);
                if (json)
                    appendRenamedJson(out, oldPath, change.body);
                else
                    appendRenamedLine(out, oldPath, change.path);
            }
            flush(kWriteChunk);
        }
    }
    held.clear();

    JsonLineRow savedValues;
    JsonLineReader reader;
    compare.forEachRemoved([&](std::size_t savedRow) {
        if (status == ExitUsage)
            return false;
        if (content.paired(savedRow))
            return true; // told as renamed
        ++differences;
        if (!json) {
            appendChangeLine(out, RowChange::Removed, saved.folder(savedRow), saved.name(savedRow));
        } else if (!saved.readRow(savedRow, savedValues, error, reader)) {
            status = ExitUsage;
            return false;
        } else {
            appendRemovedJson(out, savedValues);
        }
        flush(kWriteChunk);
        return written;
    });
    if (status == ExitUsage && !error.empty())
        std::fprintf(stderr, "dirlix-list: %s: %s\n", oldList.c_str(), error.c_str());
    flush(0);
    if (written && status != ExitUsage)
        written = target->commit();
    else
        target->discard();
    if (!written) {
        std::fprintf(stderr, "dirlix-list: %s\n", target->error().c_str());
        return CompareTrouble;
    }
    if (status != ExitOk)
        return CompareTrouble;
    return differences != 0 ? CompareDiffers : CompareSame;
}

} // namespace dirlix::cli
