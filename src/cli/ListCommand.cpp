// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the command-line companion.
#include "cli/ListCommand.h"
#include "cli/CompareCommand.h"
#include "cli/ContentCommand.h"
#include "cli/FilterOptions.h"
#include "cli/OutputTarget.h"

#include "output/SettingsStore.h"
#include "output/SystemLocale.h"
#include "platform/ReplacingFile.h"
#include "output/modListToExcel.h"
#include "output/modListToText.h"
#include "product/Version.h"
#include "product/clsProductInfo.h"
#include "content/HashingRows.h"
#include "search/WalkHandOff.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>

namespace dirlix::cli {

namespace {

// The program's identity; the companion needs no page addresses.
const clsProductInfo& product()
{
    static const clsProductInfo info(kVersionMajor, kVersionMinor, kVersionRevision, {}, {}, {});
    return info;
}

std::string versionText()
{
    return product().Name + " " + product().Version;
}

// A setting of the window's Options dialog, as stored, else @p fallback.
std::string storedSetting(const char* key, std::string_view fallback)
{
    static const bool told = [] {
        const QString problem = settingsFileProblem(QString::fromStdString(product().CompanyName));
        if (!problem.isEmpty())
            std::fprintf(stderr, "dirlix-list: %s\n", problem.toLocal8Bit().constData());
        return true;
    }();
    (void)told;
    return GetSetting(QString::fromStdString(product().CompanyName), QString::fromStdString(product().Name),
                      QString::fromLatin1(key), QString::fromUtf8(fallback.data(), qsizetype(fallback.size())))
        .toStdString();
}

std::string storedDatePattern()
{
    return storedSetting("DateFormat", kDefaultDatePattern);
}

std::string storedTextFormat()
{
    return storedSetting("TextFormat", modListToText::kDefaultTemplate);
}

// A count of threads, 1 to 256, or nothing.
std::optional<unsigned> threadCountOf(const std::string& text)
{
    char* end = nullptr;
    const unsigned long threads = std::strtoul(text.c_str(), &end, 10);
    if (text.empty() || *end != 0 || threads < 1 || threads > 256)
        return std::nullopt;
    return unsigned(threads);
}

} // namespace

std::optional<ListOptions> parseArguments(const std::vector<std::string>& args, std::string& error)
{
    ListOptions options;
    bool haveDirectory = false;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&](const char* name) -> std::optional<std::string> {
            if (i + 1 >= args.size()) {
                error = std::string("option ") + name + " needs a value";
                return std::nullopt;
            }
            return args[++i];
        };
        auto inlineValue = [&](const std::string& prefix) -> std::optional<std::string> {
            if (arg.rfind(prefix, 0) == 0)
                return arg.substr(prefix.size());
            return std::nullopt;
        };
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (arg == "-h" || arg == "--help")) {
            options.help = true;
        } else if (!optionsEnded && arg == "--version") {
            options.version = true;
        } else if (!optionsEnded && (arg == "-L" || arg == "--follow")) {
            options.followLinks = true;
        } else if (!optionsEnded && (arg == "-x" || arg == "--one-file-system")) {
            options.oneFileSystem = true;
        } else if (!optionsEnded && (arg == "-d" || arg == "--date-format")) {
            if (!(options.datePattern = value(arg.c_str())))
                return std::nullopt;
        } else if (auto v = optionsEnded ? std::nullopt : inlineValue("--date-format=")) {
            options.datePattern = *v;
        } else if (!optionsEnded && (arg == "-j" || arg == "--threads" || arg.rfind("--threads=", 0) == 0 ||
                                     (arg.size() > 2 && arg.rfind("-j", 0) == 0))) {
            std::optional<std::string> count;
            if (arg == "-j" || arg == "--threads")
                count = value(arg.c_str());
            else
                count = arg.substr(arg[1] == 'j' ? 2 : std::string_view("--threads=").size());
            if (!count)
                return std::nullopt;
            const auto threads = threadCountOf(*count);
            if (!threads) {
                error = "the number of threads must be 1 to 256: " + *count;
                return std::nullopt;
            }
            options.threads = *threads;
        } else if (!optionsEnded && (arg == "-o" || arg == "--output")) {
            if (!(options.outputFile = value(arg.c_str())))
                return std::nullopt;
        } else if (auto v = optionsEnded ? std::nullopt : inlineValue("--output=")) {
            options.outputFile = *v;
        } else if (!optionsEnded && arg == "-t") {
            options.textOutput = true;
            if (!(options.lineTemplate = value(arg.c_str())))
                return std::nullopt;
        } else if (!optionsEnded && arg == "--template") {
            // Never takes the next argument: that one may be the folder.
            options.textOutput = true;
            options.lineTemplate.reset();
        } else if (auto v = optionsEnded ? std::nullopt : inlineValue("--template=")) {
            options.textOutput = true;
            options.lineTemplate = *v;
        } else if (!optionsEnded && parseFormatOption(args, i, options.formats, error)) {
            if (!error.empty())
                return std::nullopt;
        } else if (!optionsEnded && parseCompareOption(args, i, options.compareWith, error)) {
            if (!error.empty())
                return std::nullopt;
        } else if (!optionsEnded && parseCatalogOption(args, i, options.catalog, error)) {
            if (!error.empty())
                return std::nullopt;
        } else if (!optionsEnded && parseContentOption(args, i, options, error)) {
            if (!error.empty())
                return std::nullopt;
        } else if (!optionsEnded && arg == "--xlsx") {
            if (!(options.workbookFile = value(arg.c_str())))
                return std::nullopt;
        } else if (auto v = optionsEnded ? std::nullopt : inlineValue("--xlsx=")) {
            options.workbookFile = *v;
        } else if (const auto read = optionsEnded ? FilterOptionRead::NotFilter
                                                  : readFilterOption(args, i, options.filter, error);
                   read != FilterOptionRead::NotFilter) {
            if (read == FilterOptionRead::Failed)
                return std::nullopt;
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            error = "unknown option " + arg;
            return std::nullopt;
        } else if (!haveDirectory) {
            options.directory = arg;
            haveDirectory = true;
        } else {
            error = "only one folder can be listed: " + arg;
            if (options.textOutput && !options.lineTemplate)
                error += " (give a template as --template=TEXT or -t TEXT)";
            return std::nullopt;
        }
    }
    if (options.workbookFile && options.outputFile) {
        error = "--xlsx and --output cannot be used together";
        return std::nullopt;
    }
    if (options.workbookFile && options.textOutput) {
        error = "--xlsx and --template cannot be used together";
        return std::nullopt;
    }
    if (error = formatConflict(options.formats, options.textOutput, options.workbookFile.has_value()); !error.empty())
        return std::nullopt;
    if (error = compareConflict(options); !error.empty())
        return std::nullopt;
    if (error = contentConflict(options); !error.empty())
        return std::nullopt;
    if (!checkFilterRanges(options.filter, error))
        return std::nullopt;
    if (error = catalogConflict(options, haveDirectory); !error.empty() && !options.help && !options.version)
        return std::nullopt;
    if (!haveDirectory && !options.help && !options.version && !options.catalog.needsNoFolder()) {
        error = "no folder given";
        return std::nullopt;
    }
    return options;
}

std::string usageText()
{
    return std::string("Usage: dirlix-list [OPTION]... DIR\n"
           "List every file below DIR as the Search of Dirlix Pro does: one line per file with\n"
           "File, Size, Attrib, Created, Modified, Directory, CYMD and MYMD, separated by tabs.\n"
           "Folders whose name begins with '.' below DIR are skipped (see --dot-folders). A link\n"
           "to a folder is listed as a file and not entered; mounts of virtual file systems\n"
           "(proc, sysfs, devtmpfs, cgroup and the like) below DIR are not entered and are named\n"
           "on standard error.\n"
           "\n"
           "  -d, --date-format PATTERN  date pattern of Created and Modified\n"
           "                             (default: the stored setting, else \"dd/mm/yy HH:MM:SS\")\n"
           "  -j, --threads N            read folders on N threads (default: one per core);\n"
           "                             the order of the lines never depends on it\n"
           "  -o, --output FILE          write to FILE instead of standard output\n"
           "  -t, --template=TEXT        write each file as a line made from the line template TEXT,\n"
           "                             ended by CR LF, as Output to Text does\n"
           "      --template             the same with the stored template, else \"%6%1\" in quotes\n"
           "      --xlsx FILE            write the rows to the workbook FILE instead, columns\n"
           "                             File, Size, Attrib, Created, Modified, Directory\n"
           "      --format=FORMAT        write the rows as FORMAT: columns (the default),\n"
           "                             csv, tsv (escaped: one line per file) or jsonl\n"
           "                             (JSON Lines, names kept exact) or html (one web\n"
           "                             page with a folder tree, folder totals and a search,\n"
           "                             needing nothing else; open it in any browser)\n"
           "      --no-header            leave out the header line of csv and tsv\n"
           "      --csv-formulas=HOW     quote (the default): a csv field that a spreadsheet\n"
           "                             would run as a formula (it begins with = + - @, a tab\n"
           "                             or CR) is written \"'TEXT\" and stays text; keep:\n"
           "                             every field exactly as the name is\n"
           "      --folders              write one line per folder instead, in the chosen\n"
           "                             format: Directory, Files, Size, AllFiles, AllSize\n"
           "      --compare=OLD          write what changed since the JSON Lines list OLD was\n"
           "                             made (--format=jsonl): A, M or D, a tab and the path, for\n"
           "                             each added, changed (size or modified time) or removed\n"
           "                             file; with --format=jsonl one object per change; when\n"
           "                             OLD has checksums (--hash), R, old and new path for a\n"
           "                             renamed or moved file, C for content changed without\n"
           "                             its time\n"
           "  -L, --follow               enter links to folders; every folder is listed once,\n"
           "                             however many links lead to it, under its first path\n"
           "                             in walk order (so the walk runs on one thread)\n"
           "  -x, --one-file-system      stay on the file system of DIR: other mounts are left out\n") +
           contentUsageText() + filterUsageText() +
           "  -h, --help                 show this help and exit\n"
           "      --version              show the version and exit\n" +
           catalogUsageText() +
           "\n"
           "Exit status: 0 when every folder was listed, 1 when some folders could not be read\n"
           "(each is named on standard error) or writing the output failed on the way, 2 when\n"
           "DIR does not exist, the command line is wrong or the output cannot be opened (a\n"
           "folder, a block device, standard output closed). With --compare, as diff: 0 when nothing\n"
           "changed, 1 when something did, 2 on trouble (OLD or a folder could not be read).\n";
}

int runList(const ListOptions& options, const WalkOptions& walkOptions)
{
    // With standard output closed, its number holds the null device (see claimClosedStandardStreams):
    // what would be written there is refused rather than lost.
    const bool toStandardOutput = options.help || options.version || (!options.outputFile && !options.workbookFile);
    if (toStandardOutput && options.standardOutputClosed) {
        std::fputs("dirlix-list: standard output is closed; give -o FILE\n", stderr);
        return ExitUsage;
    }
    if (options.help || options.version) {
        const std::string text = options.help ? usageText() : versionText() + "\n";
        std::fputs(text.c_str(), stdout);
        if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
            std::fprintf(stderr, "dirlix-list: cannot write to standard output: %s\n", std::strerror(errno));
            return ExitUsage;
        }
        return ExitOk;
    }
    if (options.catalog.path) {
        ListOptions catalog = options;
        if (catalog.textOutput && !catalog.lineTemplate)
            catalog.lineTemplate = storedTextFormat();
        WalkOptions walk = walkOptions;
        walk.threads = options.threads;
        walk.followLinks = options.followLinks;
        walk.oneFileSystem = options.oneFileSystem;
        options.filter.applyTo(walk, std::time(nullptr));
        return runCatalog(catalog, walk, options.datePattern ? *options.datePattern : storedDatePattern(),
                          systemDateLocale());
    }
    // A missing folder is told before anything is written, so that no output is replaced by nothing.
    if (const int error = Walker::checkStart(options.directory); error != 0) {
        std::fprintf(stderr, "dirlix-list: %s: %s\n", options.directory.c_str(),
                     error == ENOTDIR ? "is not a folder" : ("no such folder (" + std::string(std::strerror(error)) + ")").c_str());
        return ExitUsage;
    }

    const DateLocale locale = systemDateLocale();
    const std::string datePattern = options.datePattern ? *options.datePattern : storedDatePattern();
    std::unique_ptr<Exporter> exporter;
    WalkOptions walk = walkOptions;
    walk.threads = options.threads;
    walk.followLinks = options.followLinks;
    walk.oneFileSystem = options.oneFileSystem;
    options.filter.applyTo(walk, std::time(nullptr));
    if (options.compareWith)
        return runCompare(options, walk, datePattern, locale);
    if (options.duplicates)
        return runDuplicates(options, walk);
    if (options.workbookFile) {
        exporter = std::make_unique<modListToExcel::WorkbookExporter>(locale);
    } else if (options.textOutput) {
        const std::string text = options.lineTemplate ? *options.lineTemplate : storedTextFormat();
        // A template of names and folders alone needs no file values: skip reading them.
        walk.namesOnly = !LineTemplate(text).needsFileProperties() && !options.hash;
        exporter = std::make_unique<modListToText::TemplateExporter>([text] { return text; }, locale);
    } else {
        exporter = makeFormatExporter(options.formats, locale, Walker::startFolderText(options.directory),
                                      options.hash.has_value());
    }
    std::optional<OpenedOutput> output = openOutput(options, options.workbookFile.has_value());
    if (!output)
        return ExitUsage;
    ExportTarget* target = output->target.get();

    BackgroundWalk background(walk);
    background.start(options.directory);
    WalkRows walkRows(background, datePattern);
    WithoutStagingFile rows(walkRows, output->file);
    std::optional<HashingRows> hashing;
    if (options.hash)
        hashing.emplace(rows, *options.hash, 0, [](const std::string& path, const std::string& reason) {
            std::fprintf(stderr, "dirlix-list: no checksum for %s: %s\n", path.c_str(), reason.c_str());
        });
    ExportProgress progress;
    const ExportResult result = exporter->write(hashing ? static_cast<RowSource&>(*hashing) : rows, *target, progress);
    // Files without a checksum were told as they came; they make the listing incomplete.
    const bool unhashed = hashing && hashing->failures() != 0;
    hashing.reset(); // its threads end before the walk is waited for
    if (!result.ok)
        background.stop(); // an output that failed ends the walk at once
    background.wait();

    const int status = reportWalk(background.walker(), background.folderFound(), options.directory);
    if (status == ExitUsage)
        return status;
    if (!result.ok) {
        std::fprintf(stderr, "dirlix-list: %s\n", result.error.c_str());
        return ExitSomeUnreadable;
    }
    if (result.truncatedCells != 0)
        std::fprintf(stderr, "dirlix-list: %llu cells were longer than a workbook cell holds and were cut\n",
                     static_cast<unsigned long long>(result.truncatedCells));
    return unhashed ? ExitSomeUnreadable : status;
}

int reportWalk(const Walker& walker, bool found, const std::string& directory)
{
    if (!found) {
        std::fprintf(stderr, "dirlix-list: %s: no such folder (%s)\n", directory.c_str(),
                     std::strerror(walker.startError()));
        return ExitUsage;
    }
    bool unreadable = false;
    for (const WalkError& failed : walker.errors()) {
        switch (failed.kind) {
        case WalkErrorKind::FolderUnreadable:
            std::fprintf(stderr, "dirlix-list: cannot read folder %s: %s\n", failed.path.c_str(),
                         std::strerror(failed.error));
            unreadable = true;
            break;
        case WalkErrorKind::ValuesUnreadable:
            std::fprintf(stderr, "dirlix-list: cannot read the details of %s: %s\n", failed.path.c_str(),
                         std::strerror(failed.error));
            unreadable = true;
            break;
        case WalkErrorKind::CycleSkipped:
            std::fprintf(stderr, "dirlix-list: not entered again (a folder above it): %s\n", failed.path.c_str());
            break;
        case WalkErrorKind::VirtualSkipped:
            std::fprintf(stderr, "dirlix-list: not entered (a virtual file system): %s\n", failed.path.c_str());
            break;
        }
    }
    return unreadable ? ExitSomeUnreadable : ExitOk;
}

} // namespace dirlix::cli
