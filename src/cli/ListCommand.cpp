// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the command-line companion.
#include "cli/ListCommand.h"
#include "cli/ListWorkbook.h"

#include "output/LineTemplate.h"
#include "output/modListToText.h"
#include "output/SettingsStore.h"
#include "output/SystemLocale.h"
#include "product/Version.h"
#include "product/clsProductInfo.h"
#include "search/FileList.h"
#include "search/Walker.h"

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace dirlix::cli {

namespace {

// Collects output and writes it in large pieces; remembers the first write error.
class OutputFile {
public:
    explicit OutputFile(int fd) : mFd(fd) { mBuffer.reserve(kFlushAt + 4096); }
    ~OutputFile() { flush(); }

    std::string& buffer() { return mBuffer; }
    void maybeFlush()
    {
        if (mBuffer.size() >= kFlushAt)
            flush();
    }
    void flush()
    {
        std::size_t done = 0;
        while (done < mBuffer.size() && mError == 0) {
            const ssize_t n = ::write(mFd, mBuffer.data() + done, mBuffer.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                mError = errno;
            else
                done += std::size_t(n);
        }
        mBuffer.clear();
    }
    int error() const { return mError; }

private:
    static constexpr std::size_t kFlushAt = 1 << 20;
    int mFd;
    int mError = 0;
    std::string mBuffer;
};

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

// Runs @p walker on a thread of its own and hands its blocks to @p consume on this one, so that
// making and writing the lines goes on while the next folders are read. At most a few hundred
// blocks wait between the two, so memory stays flat however far the walk runs ahead.
bool walkInBackground(Walker& walker, const std::string& directory, const std::function<void(const WalkBlock&)>& consume)
{
    constexpr std::size_t kMaxWaiting = 256;
    constexpr std::size_t kBatch = 64;
    constexpr auto kMaxDelay = std::chrono::milliseconds(50);
    std::mutex mutex;
    std::condition_variable notEmpty, notFull;
    std::vector<WalkBlock> waiting;
    bool done = false;
    bool found = false;
    // The output side is woken for a batch of folders, or after a short delay for whatever has
    // come, and the walk only when the queue was full: a wake-up per folder would cost more than
    // the work itself.
    std::thread producer([&] {
        found = walker.run(directory, [&](WalkBlock&& block) {
            std::unique_lock lock(mutex);
            notFull.wait(lock, [&] { return waiting.size() < kMaxWaiting; });
            waiting.push_back(std::move(block));
            const bool batchReady = waiting.size() == kBatch;
            lock.unlock();
            if (batchReady)
                notEmpty.notify_one();
        });
        {
            std::lock_guard lock(mutex);
            done = true;
        }
        notEmpty.notify_one();
    });
    std::vector<WalkBlock> taken;
    for (;;) {
        {
            std::unique_lock lock(mutex);
            notEmpty.wait_for(lock, kMaxDelay, [&] { return done || waiting.size() >= kBatch; });
            if (waiting.empty()) {
                if (done)
                    break;
                continue;
            }
            const bool wasFull = waiting.size() >= kMaxWaiting;
            taken.swap(waiting);
            lock.unlock();
            if (wasFull)
                notFull.notify_one();
        }
        for (const WalkBlock& block : taken)
            consume(block);
        taken.clear();
    }
    producer.join();
    return found;
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
        } else if (!optionsEnded && (arg == "-d" || arg == "--date-format")) {
            if (!(options.datePattern = value(arg.c_str())))
                return std::nullopt;
        } else if (auto v = optionsEnded ? std::nullopt : inlineValue("--date-format=")) {
            options.datePattern = *v;
        } else if (!optionsEnded && (arg == "-j" || arg == "--threads")) {
            const auto count = value(arg.c_str());
            if (!count)
                return std::nullopt;
            char* end = nullptr;
            const unsigned long threads = std::strtoul(count->c_str(), &end, 10);
            if (count->empty() || *end != 0 || threads < 1 || threads > 256) {
                error = "the number of threads must be 1 to 256: " + *count;
                return std::nullopt;
            }
            options.threads = unsigned(threads);
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
        } else if (!optionsEnded && arg == "--xlsx") {
            if (!(options.workbookFile = value(arg.c_str())))
                return std::nullopt;
        } else if (auto v = optionsEnded ? std::nullopt : inlineValue("--xlsx=")) {
            options.workbookFile = *v;
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
    if (!haveDirectory && !options.help && !options.version) {
        error = "no folder given";
        return std::nullopt;
    }
    return options;
}

std::string usageText()
{
    return "Usage: dirlix-list [OPTION]... DIR\n"
           "List every file below DIR as the Search of Dirlix Pro does: one line per file with\n"
           "File, Size, Attrib, Created, Modified, Directory, CYMD and MYMD, separated by tabs.\n"
           "Folders whose name begins with '.' below DIR are skipped.\n"
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
           "  -h, --help                 show this help and exit\n"
           "      --version              show the version and exit\n"
           "\n"
           "Exit status: 0 when every folder was listed, 1 when some folders could not be read\n"
           "(each is named on standard error) or the output could not be written, 2 when DIR\n"
           "does not exist or the command line is wrong.\n";
}

int runList(const ListOptions& options, const WalkOptions& walkOptions)
{
    if (options.help) {
        std::fputs(usageText().c_str(), stdout);
        return ExitOk;
    }
    if (options.version) {
        std::printf("%s\n", versionText().c_str());
        return ExitOk;
    }

    if (options.workbookFile)
        return listToWorkbook(options, options.datePattern ? *options.datePattern : storedDatePattern(), walkOptions);

    int fd = STDOUT_FILENO;
    if (options.outputFile) {
        fd = ::open(options.outputFile->c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0) {
            std::fprintf(stderr, "dirlix-list: cannot write %s: %s\n", options.outputFile->c_str(),
                         std::strerror(errno));
            return ExitUsage;
        }
    }

    const DateLocale locale = systemDateLocale();
    const DatePattern datePattern(options.datePattern ? *options.datePattern : storedDatePattern());
    const DatePattern sortKeyPattern(kSortKeyPattern);
    std::optional<LineTemplate> lineTemplate;
    if (options.textOutput)
        lineTemplate.emplace(options.lineTemplate ? *options.lineTemplate : storedTextFormat());
    int writeError = 0;
    bool found = false;
    WalkOptions walk = walkOptions;
    walk.threads = options.threads;
    // A template of names and folders alone needs no file properties: skip reading them.
    walk.namesOnly = lineTemplate && !lineTemplate->needsFileProperties();
    Walker walker(walk);
    {
        OutputFile out(fd);
        found = walkInBackground(walker, options.directory, [&](const WalkBlock& block) {
            std::string& line = out.buffer();
            for (const WalkEntry& entry : block.entries) {
                const RowValues row{block.name(entry), entry.properties.size, entry.properties.created,
                                    entry.properties.modified, entry.properties.attributes, block.folder};
                if (lineTemplate) {
                    lineTemplate->appendLine(line, row, datePattern, locale);
                    line += "\r\n";
                } else {
                    appendRowTexts(line, row, datePattern, sortKeyPattern, locale, '\t', '\n');
                }
            }
            out.maybeFlush();
        });
        out.flush();
        writeError = out.error();
    }
    if (options.outputFile && ::close(fd) != 0 && writeError == 0)
        writeError = errno;

    const int status = reportWalk(walker, found, options.directory);
    if (status == ExitUsage)
        return status;
    if (writeError != 0) {
        std::fprintf(stderr, "dirlix-list: write error: %s\n", std::strerror(writeError));
        return ExitSomeUnreadable;
    }
    return status;
}

int reportWalk(const Walker& walker, bool found, const std::string& directory)
{
    if (!found) {
        std::fprintf(stderr, "dirlix-list: %s: no such folder (%s)\n", directory.c_str(),
                     std::strerror(walker.startError()));
        return ExitUsage;
    }
    for (const WalkError& failed : walker.errors())
        std::fprintf(stderr, "dirlix-list: cannot read folder %s: %s\n", failed.folder.c_str(),
                     std::strerror(failed.error));
    return walker.errors().empty() ? ExitOk : ExitSomeUnreadable;
}

} // namespace dirlix::cli
