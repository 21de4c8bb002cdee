// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the comparison of a folder with a saved list of it, on the command line.
#include "cli/CompareCommand.h"

#include "output/ListCompare.h"
#include "platform/ReplacingFile.h"
#include "search/WalkHandOff.h"

#include <cstdio>
#include <memory>

namespace dirlix::cli {

namespace {
constexpr std::size_t kWriteChunk = std::size_t(1) << 20;
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
    if (options.formats.format && *options.formats.format != TextFormat::JsonLines &&
        *options.formats.format != TextFormat::Columns)
        return "--compare writes its own lines, or --format=jsonl";
    return {};
}

int runCompare(const ListOptions& options, const WalkOptions& walk, const std::string& datePattern,
               const DateLocale& locale)
{
    const std::string& oldList = *options.compareWith;
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

    std::unique_ptr<ExportTarget> target;
    if (options.outputFile)
        target = std::make_unique<ReplacingFile>(*options.outputFile);
    else
        target = std::make_unique<StreamTarget>(standardOutput());
    const bool json = options.formats.format == TextFormat::JsonLines;
    bool written = target->open();
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
    WalkRows rows(background, datePattern);
    Row row;
    std::uint64_t differences = 0;
    while (written && rows.next(row)) {
        std::size_t savedRow = SavedList::npos;
        const RowChange change = compare.compare(row, savedRow);
        if (change == RowChange::None)
            continue;
        ++differences;
        if (json)
            appendChangeJson(out, change, row, texts, saved, savedRow);
        else
            appendChangeLine(out, change, row.folder, row.name);
        flush(kWriteChunk);
    }
    if (!written)
        background.stop();
    background.wait();

    int status = reportWalk(background.walker(), background.folderFound(), options.directory);
    // Saved files the walk could not have seen are not called removed: those in folders that
    // could not be read or were not entered, outside DIR, or left out by the filters.
    compare.setScope(Walker::startFolderText(options.directory), walk.filter);
    for (const WalkError& failed : background.walker().errors())
        if (failed.kind == WalkErrorKind::FolderUnreadable || failed.kind == WalkErrorKind::VirtualSkipped ||
            failed.kind == WalkErrorKind::CycleSkipped)
            compare.folderUnreadable(failed.path);
    if (status != ExitOk)
        std::fprintf(stderr, "dirlix-list: files of %s in folders that could not be read are not reported as removed\n",
                     oldList.c_str());

    JsonLineRow savedValues;
    compare.forEachRemoved([&](std::size_t savedRow) {
        ++differences;
        if (!json) {
            appendChangeLine(out, RowChange::Removed, saved.folder(savedRow), saved.name(savedRow));
        } else if (!saved.readRow(savedRow, savedValues, error)) {
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
