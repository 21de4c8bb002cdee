// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: checksums and duplicate groups on the command line.
#include "cli/ContentCommand.h"
#include "cli/OutputTarget.h"

#include "content/DuplicateFinder.h"
#include "output/DelimitedExport.h"
#include "output/JsonLines.h"
#include "platform/ReplacingFile.h"
#include "search/WalkHandOff.h"

#include <cinttypes>
#include <cstdio>
#include <memory>

namespace dirlix::cli {

namespace {

constexpr std::size_t kWriteChunk = std::size_t(1) << 20;

void appendNumber(std::string& out, std::uint64_t value)
{
    out += std::to_string(value);
}

// Appends the lines of @p group (numbered @p number) in @p format.
void appendGroup(std::string& out, const DuplicateGroup& group, std::uint64_t number, TextFormat format)
{
    const std::string groupText = std::to_string(number);
    const std::string sizeText = std::to_string(group.size);
    switch (format) {
    case TextFormat::JsonLines: {
        out += "{\"group\":";
        out += groupText;
        out += ",\"size\":";
        out += sizeText;
        out += ",\"wasted\":";
        appendNumber(out, group.wasted());
        out += ",\"paths\":[";
        std::vector<bool> exact;
        bool allExact = true;
        for (std::size_t i = 0; i < group.paths.size(); ++i) {
            if (i != 0)
                out += ',';
            exact.push_back(appendJsonString(out, group.paths[i]));
            allExact = allExact && exact.back();
        }
        out += ']';
        if (!allExact) {
            // Parallel to paths: the exact bytes of each path that is not valid UTF-8, else null.
            out += ",\"paths_b64\":[";
            for (std::size_t i = 0; i < group.paths.size(); ++i) {
                if (i != 0)
                    out += ',';
                if (exact[i]) {
                    out += "null";
                } else {
                    out += '"';
                    appendBase64(out, group.paths[i]);
                    out += '"';
                }
            }
            out += ']';
        }
        out += "}\n";
        break;
    }
    case TextFormat::Csv:
    case TextFormat::Tsv:
        for (const std::string& path : group.paths) {
            const std::string_view fields[] = {groupText, sizeText, path};
            appendDelimitedRecord(out, format == TextFormat::Csv ? Delimited::Csv : Delimited::Tsv, fields);
        }
        break;
    case TextFormat::Columns:
        for (const std::string& path : group.paths) {
            out += groupText;
            out += '\t';
            out += sizeText;
            out += '\t';
            out += path;
            out += '\n';
        }
        break;
    }
}

void tellUnread(const std::string& path, const std::string& reason)
{
    std::fprintf(stderr, "dirlix-list: cannot read %s: %s\n", path.c_str(), reason.c_str());
}

} // namespace

bool parseContentOption(const std::vector<std::string>& args, std::size_t& i, ListOptions& into, std::string& error)
{
    const std::string& arg = args[i];
    if (arg == "--duplicates") {
        into.duplicates = true;
        return true;
    }
    if (arg == "--hash") {
        into.hash = HashAlgorithm::Sha256;
        return true;
    }
    if (arg.rfind("--hash=", 0) != 0)
        return false;
    const std::string name = arg.substr(std::string_view("--hash=").size());
    if (const auto algorithm = hashAlgorithmNamed(name))
        into.hash = *algorithm;
    else
        error = "unknown checksum \"" + name + "\" (sha256, md5, sha1 or xxh128)";
    return true;
}

std::string contentConflict(const ListOptions& options)
{
    if (options.duplicates) {
        const std::pair<bool, const char*> others[] = {
            {options.hash.has_value(), "--hash"},       {options.textOutput, "--template"},
            {options.workbookFile.has_value(), "--xlsx"}, {options.formats.folderTotals, "--folders"},
            {options.compareWith.has_value(), "--compare"}};
        for (const auto& [given, name] : others)
            if (given)
                return std::string("--duplicates and ") + name + " cannot be used together";
    }
    if (options.hash && options.formats.folderTotals)
        return "--hash and --folders cannot be used together";
    if (options.hash && options.compareWith)
        return "--hash and --compare cannot be used together (the saved list's checksums decide)";
    return {};
}

std::string contentUsageText()
{
    return "      --hash[=ALGO]          add the checksum of each file's content: a column Hash\n"
           "                             after MYMD (csv, tsv, the columns), keys hash and\n"
           "                             hash_algorithm (jsonl), %Hash% in a template, a 7th\n"
           "                             workbook column (--xlsx); ALGO is\n"
           "                             sha256 (the default), md5, sha1 or xxh128\n"
           "      --duplicates           write the groups of files with identical content:\n"
           "                             group, size and path per file (csv and tsv: Group,\n"
           "                             Size, Path; jsonl: one object per group), the groups\n"
           "                             that waste the most space first\n";
}

int runDuplicates(const ListOptions& options, const WalkOptions& walk)
{
    // Opened before the walk, as for a listing; its file written aside is never one of the files.
    std::optional<OpenedOutput> opened = openOutput(options);
    if (!opened)
        return ExitUsage;
    ExportTarget* target = opened->target.get();

    BackgroundWalk background(walk);
    background.start(options.directory);
    WalkRows walkRows(background, {});
    WithoutStagingFile rows(walkRows, opened->file);
    DuplicateFinder finder(0, tellUnread);
    const std::vector<DuplicateGroup> groups = finder.find(rows);
    background.wait();
    const int status = reportWalk(background.walker(), background.folderFound(), options.directory);
    if (status == ExitUsage)
        return status;

    const TextFormat format = options.formats.format.value_or(TextFormat::Columns);
    bool written = true;
    std::string out;
    if (options.formats.header && (format == TextFormat::Csv || format == TextFormat::Tsv)) {
        const std::string_view captions[] = {"Group", "Size", "Path"};
        appendDelimitedRecord(out, format == TextFormat::Csv ? Delimited::Csv : Delimited::Tsv, captions);
    }
    std::uint64_t files = 0, wasted = 0;
    for (std::size_t i = 0; i < groups.size() && written; ++i) {
        appendGroup(out, groups[i], i + 1, format);
        files += groups[i].paths.size();
        wasted += groups[i].wasted();
        if (out.size() >= kWriteChunk) {
            written = target->write(out);
            out.clear();
        }
    }
    written = written && target->write(out) && target->commit();
    if (!written) {
        target->discard();
        std::fprintf(stderr, "dirlix-list: %s\n", target->error().c_str());
        return ExitSomeUnreadable;
    }
    std::fprintf(stderr, "dirlix-list: %zu groups of duplicates, %" PRIu64 " files, %" PRIu64 " bytes could be freed\n",
                 groups.size(), files, wasted);
    return status != ExitOk || finder.failures() != 0 ? ExitSomeUnreadable : ExitOk;
}

} // namespace dirlix::cli
