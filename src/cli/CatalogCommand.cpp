// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the catalog on the command line.
#include "cli/CatalogCommand.h"

#include "catalog/Catalog.h"
#include "catalog/CatalogExport.h"
#include "catalog/CatalogFind.h"
#include "cli/CompareCommand.h"
#include "cli/ListCommand.h"
#include "cli/OutputTarget.h"
#include "output/JsonLines.h"
#include "platform/ReplacingFile.h"
#include "output/SavedList.h"
#include "search/WalkHandOff.h"

#include <QDir>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>

namespace dirlix::cli {

using namespace dirlix::catalog;

namespace {

// The filters in force as the options that set them, kept with a scan so that its history tells
// what each scan left out.
std::string filterWords(const FilterRules& rules)
{
    std::string words;
    const auto add = [&](const std::string& word) {
        if (!words.empty())
            words += ' ';
        words += word;
    };
    for (const std::string& mask : rules.include)
        add("--include=" + mask);
    for (const std::string& mask : rules.exclude)
        add("--exclude=" + mask);
    if (rules.caseSensitive)
        add("--case-sensitive");
    if (rules.minSize)
        add("--min-size=" + sizeText(*rules.minSize));
    if (rules.maxSize)
        add("--max-size=" + sizeText(*rules.maxSize));
    const auto bound = [&](const char* option, const std::optional<TimeBound>& time) {
        if (!time)
            return;
        if (time->isAge) {
            add(std::string(option) + std::to_string(time->seconds / 60) + "m");
            return;
        }
        std::string iso;
        appendIsoLocalTime(iso, time->seconds);
        add(std::string(option) + iso);
    };
    bound("--newer=", rules.newer);
    bound("--older=", rules.older);
    if (rules.followLinks)
        add("--follow");
    if (rules.oneFileSystem)
        add("--one-file-system");
    if (rules.dotFolders)
        add("--dot-folders");
    return words;
}

// The last name of the folder @p path (absolute), for a volume's default label.
std::string folderName(const std::string& path)
{
    std::string_view text = path;
    while (text.size() > 1 && (text.back() == '/' || text.back() == '\\'))
        text.remove_suffix(1);
    const std::size_t slash = text.find_last_of("/\\");
    const std::string_view name = slash == std::string_view::npos ? text : text.substr(slash + 1);
    return std::string(name.empty() ? text : name);
}

std::unique_ptr<Catalog> openCatalog(const std::string& path, Catalog::Access access)
{
    std::string error;
    auto catalog = Catalog::open(path, access, error);
    if (!catalog)
        std::fprintf(stderr, "dirlix-list: %s: %s\n", path.c_str(), error.c_str());
    return catalog;
}

int catalogFailed(const std::string& path, const std::string& error)
{
    std::fprintf(stderr, "dirlix-list: %s: %s\n", path.c_str(), error.c_str());
    return ExitUsage;
}

int addFolder(const ListOptions& options, const WalkOptions& walk)
{
    const std::string& catalogPath = *options.catalog.path;
    if (const int error = Walker::checkStart(options.directory); error != 0) {
        std::fprintf(stderr, "dirlix-list: %s: %s\n", options.directory.c_str(),
                     error == ENOTDIR ? "is not a folder" : "no such folder");
        return ExitUsage;
    }
    const std::string folder = absolutePath(options.directory);
    NewScan scan;
    scan.identity = identifyVolume(folder);
    scan.label = options.catalog.label.value_or(std::string());
    scan.defaultLabel = scan.identity.label.empty() ? folderName(folder) : scan.identity.label;
    scan.root = Walker::startFolderText(folder);
    scan.filters = filterWords(options.filter);
    scan.madeAt = std::time(nullptr);

    auto catalog = openCatalog(catalogPath, Catalog::Access::Write);
    if (!catalog)
        return ExitUsage;
    // The walk runs ahead on its own thread while this one writes what it found.
    BackgroundWalk background(walk);
    background.start(folder);
    ScanWriter writer(*catalog);
    std::string error;
    bool ok = writer.begin(scan, error);
    std::vector<WalkBlock> blocks;
    while (ok && background.take(blocks, std::chrono::milliseconds(100))) {
        for (const WalkBlock& block : blocks) {
            const std::int64_t folderNumber = writer.folder(block.folder->text(), error);
            ok = folderNumber != 0;
            for (std::size_t i = 0; ok && i < block.entries.size(); ++i)
                ok = writer.addFile(folderNumber, block.name(block.entries[i]), block.entries[i].values, error);
            if (!ok)
                break;
        }
    }
    if (!ok)
        background.stop();
    background.wait();
    const int status = reportWalk(background.walker(), background.folderFound(), options.directory);
    if (status == ExitUsage)
        return status;
    if (!ok || !writer.commit(error)) {
        std::fprintf(stderr, "dirlix-list: %s: the scan was not added: %s\n", catalogPath.c_str(), error.c_str());
        return ExitUsage;
    }
    std::printf("Added scan %lld of %s: %llu files, %llu bytes\n", static_cast<long long>(writer.scanNumber()),
                writer.volumeLabel().c_str(), static_cast<unsigned long long>(writer.files()),
                static_cast<unsigned long long>(writer.bytes()));
    return status;
}

int addList(const ListOptions& options)
{
    const std::string& catalogPath = *options.catalog.path;
    auto catalog = openCatalog(catalogPath, Catalog::Access::Write);
    if (!catalog)
        return ExitUsage;
    NewScan scan;
    scan.label = *options.catalog.label;
    scan.madeAt = std::time(nullptr);
    ScanWriter writer(*catalog);
    std::string error;
    if (!writer.begin(scan, error))
        return catalogFailed(catalogPath, "the list was not added: " + error);
    std::string writeError;
    std::optional<std::string> root; // the folder every row lies in: the list's start folder
    const bool read = readJsonLinesFile(
        *options.catalog.addList,
        [&](std::uint64_t, std::uint64_t, JsonLineRow& row) {
            if (!root) {
                root = row.folder;
            } else if (root->compare(0, root->size(), row.folder, 0, root->size()) != 0) {
                std::size_t same = 0;
                while (same < root->size() && same < row.folder.size() && (*root)[same] == row.folder[same])
                    ++same;
                const std::size_t separator = root->find_last_of("/\\", same == 0 ? 0 : same - 1);
                root->resize(separator == std::string::npos ? 0 : separator + 1);
            }
            const std::int64_t folder = writer.folder(row.folder, writeError);
            return folder != 0 && writer.addFile(folder, row.name, savedRecord(row), writeError);
        },
        error);
    if (!read && !writeError.empty())
        return catalogFailed(catalogPath, "the list was not added: " + writeError);
    if (!read) {
        std::fprintf(stderr, "dirlix-list: %s: %s\n", options.catalog.addList->c_str(), error.c_str());
        return ExitUsage;
    }
    writer.setRoot(root.value_or(std::string()));
    if (!writer.commit(error))
        return catalogFailed(catalogPath, "the list was not added: " + error);
    std::printf("Added scan %lld of %s: %llu files, %llu bytes\n", static_cast<long long>(writer.scanNumber()),
                writer.volumeLabel().c_str(), static_cast<unsigned long long>(writer.files()),
                static_cast<unsigned long long>(writer.bytes()));
    return ExitOk;
}

int findFiles(const ListOptions& options, const std::string& datePattern, const DateLocale& locale)
{
    const std::string& catalogPath = *options.catalog.path;
    auto catalog = openCatalog(catalogPath, Catalog::Access::Read);
    if (!catalog)
        return ExitUsage;
    FindQuery query;
    query.mask = *options.catalog.find;
    query.allScans = options.catalog.allScans;
    query.filter = options.filter;
    query.now = std::time(nullptr);
    query.datePattern = datePattern;
    CatalogRows rows(*catalog, query);
    std::string error;
    if (!rows.prepare(error)) {
        std::fprintf(stderr, "dirlix-list: %s\n", error.c_str());
        return ExitUsage;
    }
    std::optional<std::string> lineTemplate;
    if (options.textOutput)
        lineTemplate = options.lineTemplate.value_or(std::string("\"%6%1\""));
    VolumeRowsExporter exporter(rows, options.formats.format.value_or(TextFormat::Columns), locale,
                                options.formats.header, lineTemplate);
    // By the rules of a listing's -o; an output that cannot be made is told before the search.
    std::optional<OpenedOutput> output = openOutput(options);
    if (!output)
        return ExitUsage;
    ExportProgress progress;
    const ExportResult result = exporter.write(rows, *output->target, progress);
    if (!rows.error().empty()) {
        std::fprintf(stderr, "dirlix-list: %s: %s\n", catalogPath.c_str(), rows.error().c_str());
        return ExitUsage;
    }
    if (!result.ok) {
        std::fprintf(stderr, "dirlix-list: %s\n", result.error.c_str());
        return ExitSomeUnreadable;
    }
    return ExitOk;
}

std::string localTimeText(std::int64_t seconds)
{
    const std::time_t when = std::time_t(seconds);
    char text[32] = "";
    if (const std::tm* local = std::localtime(&when))
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", local);
    return text;
}

int listVolumes(const ListOptions& options)
{
    const std::string& catalogPath = *options.catalog.path;
    auto catalog = openCatalog(catalogPath, Catalog::Access::Read);
    if (!catalog)
        return ExitUsage;
    std::vector<VolumeInfo> volumes;
    std::string error;
    if (!catalog->volumes(volumes, error))
        return catalogFailed(catalogPath, error);
    std::string out;
    for (const VolumeInfo& volume : volumes) {
        out += volume.label;
        out += '\n';
        for (const ScanInfo& scan : volume.scans) {
            out += "  " + std::to_string(scan.number) + '\t' + localTimeText(scan.madeAt) + '\t' +
                   std::to_string(scan.files) + " files\t" + std::to_string(scan.bytes) + " bytes\n";
        }
    }
    StreamTarget target(standardOutput());
    if (!target.write(out)) {
        std::fprintf(stderr, "dirlix-list: %s\n", target.error().c_str());
        return ExitSomeUnreadable;
    }
    return ExitOk;
}

int removeScans(const ListOptions& options)
{
    const std::string& catalogPath = *options.catalog.path;
    auto catalog = openCatalog(catalogPath, Catalog::Access::Write);
    if (!catalog)
        return ExitUsage;
    std::string error;
    if (!catalog->remove(*options.catalog.remove, error))
        return catalogFailed(catalogPath, error);
    return ExitOk;
}

// A catalog's rows with the folder the scan started at replaced by another, so that a scan made
// where a drive was mounted then compares with the same drive mounted elsewhere now.
class MovedRows : public RowSource {
public:
    MovedRows(CatalogRows& rows, std::string to) : mRows(rows), mTo(std::move(to)) {}
    bool next(Row& row) override
    {
        if (!mRows.next(row))
            return false;
        const std::string& from = mRows.scanRoot();
        if (!from.empty() && row.folder.substr(0, from.size()) == from) {
            mFolder = mTo;
            mFolder += row.folder.substr(from.size());
            row.folder = mFolder;
        }
        return true;
    }

private:
    CatalogRows& mRows;
    std::string mTo, mFolder;
};

int compareWithScan(const ListOptions& options, const WalkOptions& walk, const std::string& datePattern,
                    const DateLocale& locale)
{
    const std::string& catalogPath = *options.catalog.path;
    const std::string& label = *options.compareWith;
    if (const int error = Walker::checkStart(options.directory); error != 0) {
        std::fprintf(stderr, "dirlix-list: %s: %s\n", options.directory.c_str(),
                     error == ENOTDIR ? "is not a folder" : "no such folder");
        return CompareTrouble;
    }
    auto catalog = openCatalog(catalogPath, Catalog::Access::Read);
    if (!catalog)
        return CompareTrouble;
    std::vector<VolumeInfo> volumes;
    std::string error;
    if (!catalog->volumes(volumes, error)) {
        std::fprintf(stderr, "dirlix-list: %s: %s\n", catalogPath.c_str(), error.c_str());
        return CompareTrouble;
    }
    const auto volume = std::find_if(volumes.begin(), volumes.end(), [&](const VolumeInfo& v) { return v.label == label; });
    if (volume == volumes.end() || volume->scans.empty()) {
        std::fprintf(stderr, "dirlix-list: %s: no volume labelled %s\n", catalogPath.c_str(), label.c_str());
        return CompareTrouble;
    }

    // The latest scan becomes a saved list in a private folder, and the comparison of a folder
    // with a saved list does the rest.
    FindQuery query;
    query.volume = label;
    query.datePattern = datePattern;
    CatalogRows rows(*catalog, query);
    ScratchFolder scratch(QDir::tempPath().toStdString());
    if (scratch.path().empty() || !rows.prepare(error)) {
        std::fprintf(stderr, "dirlix-list: %s: %s\n", catalogPath.c_str(),
                     error.empty() ? "no private temporary folder could be made" : error.c_str());
        return CompareTrouble;
    }
    MovedRows moved(rows, Walker::startFolderText(options.directory));
    FreshFile list(scratch.path(), "scan", ".jsonl");
    JsonLinesExporter exporter(locale);
    ExportProgress progress;
    const ExportResult written = exporter.write(moved, list, progress);
    if (!rows.error().empty() || !written.ok) {
        std::fprintf(stderr, "dirlix-list: %s: %s\n", catalogPath.c_str(),
                     rows.error().empty() ? written.error.c_str() : rows.error().c_str());
        return CompareTrouble;
    }
    ListOptions compare = options;
    compare.compareWith = list.path();
    return runCompare(compare, walk, datePattern, locale);
}

// The value of the option @p name in @p args[@p i]: after "=", or the next argument.
std::optional<std::string> optionValue(const std::vector<std::string>& args, std::size_t& i, std::string_view name,
                                       bool& matched, std::string& error)
{
    const std::string& arg = args[i];
    matched = false;
    if (arg == name) {
        matched = true;
        if (i + 1 >= args.size()) {
            error = "option " + std::string(name) + " needs a value";
            return std::nullopt;
        }
        return args[++i];
    }
    if (arg.size() > name.size() && arg.compare(0, name.size(), name) == 0 && arg[name.size()] == '=') {
        matched = true;
        return arg.substr(name.size() + 1);
    }
    return std::nullopt;
}

} // namespace

bool parseCatalogOption(const std::vector<std::string>& args, std::size_t& i, CatalogOptions& into, std::string& error)
{
    const std::string& arg = args[i];
    if (arg == "--add") {
        into.add = true;
        return true;
    }
    if (arg == "--all-scans") {
        into.allScans = true;
        return true;
    }
    if (arg == "--volumes") {
        into.volumes = true;
        return true;
    }
    const std::pair<const char*, std::optional<std::string>*> valued[] = {
        {"--catalog", &into.path}, {"--label", &into.label}, {"--add-list", &into.addList},
        {"--find", &into.find},    {"--remove", &into.remove}};
    for (const auto& [name, member] : valued) {
        bool matched = false;
        auto value = optionValue(args, i, name, matched, error);
        if (!matched)
            continue;
        if (value && value->empty() && std::string_view(name) != "--find")
            error = std::string("option ") + name + " needs a value";
        else if (value)
            *member = std::move(*value);
        return true;
    }
    return false;
}

std::string catalogConflict(const ListOptions& options, bool haveDirectory)
{
    const CatalogOptions& catalog = options.catalog;
    if (!catalog.given())
        return {};
    if (!catalog.path)
        return "--add, --add-list, --find, --volumes, --remove and --label need --catalog=CAT";
    const bool compare = options.compareWith.has_value();
    const int operations = int(catalog.add) + int(catalog.addList.has_value()) + int(catalog.find.has_value()) +
                           int(catalog.volumes) + int(catalog.remove.has_value()) + int(compare);
    if (operations != 1)
        return "--catalog needs one of --add, --add-list, --find, --volumes, --remove or --compare";
    if (catalog.label && !catalog.add && !catalog.addList)
        return "--label goes with --add or --add-list";
    if (catalog.addList && !catalog.label)
        return "--add-list needs --label=NAME";
    if (catalog.allScans && !catalog.find)
        return "--all-scans goes with --find";
    if ((catalog.add || compare) && !haveDirectory)
        return "no folder given";
    if (catalog.needsNoFolder() && haveDirectory)
        return "no folder goes with --add-list, --find, --volumes or --remove: " + options.directory;
    if (options.workbookFile)
        return "--xlsx cannot be used with --catalog";
    if (options.formats.folderTotals)
        return "--folders cannot be used with --catalog";
    const bool output = options.outputFile || options.formats.format || options.textOutput;
    if (output && (catalog.add || catalog.addList || catalog.volumes || catalog.remove))
        return "--output, --format and --template go with --find or --compare";
    return {};
}

std::string catalogUsageText()
{
    return "\n"
           "The catalog (one SQLite database file holding scans of volumes):\n"
           "      --catalog=CAT --add [--label=NAME] DIR\n"
           "                             walk DIR (with the filters) and store it as a new scan of\n"
           "                             its volume (found by its UUID, else by --label); the label\n"
           "                             defaults to the volume's label, else the folder's name\n"
           "      --catalog=CAT --add-list=LIST.jsonl --label=NAME\n"
           "                             store a list saved with --format=jsonl as a new scan\n"
           "      --catalog=CAT --find=MASK [--all-scans]\n"
           "                             list the files whose name matches MASK (masks as -i reads\n"
           "                             them; a text without * or ? matches as a part of the name)\n"
           "                             in the latest scan of every volume, or of every scan, with\n"
           "                             the filters, in any format, with a Volume column first\n"
           "      --catalog=CAT --volumes\n"
           "                             list each volume's label, then one line per scan: its\n"
           "                             number, date, file count and total size in bytes\n"
           "      --catalog=CAT --remove=LABEL|LABEL@N\n"
           "                             remove a volume with its scans, or its scan N\n"
           "      --catalog=CAT --compare=LABEL DIR\n"
           "                             compare DIR with the latest scan of LABEL, as --compare\n"
           "                             does with a saved list\n";
}

int runCatalog(const ListOptions& options, const WalkOptions& walk, const std::string& datePattern,
               const DateLocale& locale)
{
    const CatalogOptions& catalog = options.catalog;
    if (catalog.add)
        return addFolder(options, walk);
    if (catalog.addList)
        return addList(options);
    if (catalog.find)
        return findFiles(options, datePattern, locale);
    if (catalog.volumes)
        return listVolumes(options);
    if (catalog.remove)
        return removeScans(options);
    return compareWithScan(options, walk, datePattern, locale);
}

} // namespace dirlix::cli
