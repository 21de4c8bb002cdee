// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the filter options of dirlix-list.
#include "cli/FilterOptions.h"
#include "search/NameMask.h"

#include <ctime>

namespace dirlix::cli {

namespace {

// The option that @p arg is, with its value when the argument carries one.
struct Spelled {
    const char* name = nullptr; // the long name, which messages use
    bool takesValue = false;
    std::optional<std::string> value;
};

Spelled spelling(const std::string& arg)
{
    struct Known {
        const char* longName;
        char shortName;
        bool takesValue;
    };
    static const Known known[] = {{"--include", 'i', true},      {"--exclude", 'e', true},
                                  {"--case-sensitive", 0, false}, {"--min-size", 0, true},
                                  {"--max-size", 0, true},        {"--newer", 0, true},
                                  {"--older", 0, true},           {"--dot-folders", 0, false}};
    for (const Known& option : known) {
        const std::string longName = option.longName;
        if (arg == longName || (option.shortName && arg == std::string{'-', option.shortName}))
            return {option.longName, option.takesValue, std::nullopt};
        if (option.takesValue && arg.rfind(longName + "=", 0) == 0)
            return {option.longName, true, arg.substr(longName.size() + 1)};
        if (option.shortName && arg.size() > 2 && arg[0] == '-' && arg[1] == option.shortName)
            return {option.longName, true, arg.substr(2)};
    }
    return {};
}

} // namespace

FilterOptionRead readFilterOption(const std::vector<std::string>& args, std::size_t& i, FilterRules& rules,
                                  std::string& error)
{
    Spelled option = spelling(args[i]);
    if (!option.name)
        return FilterOptionRead::NotFilter;
    const std::string name = option.name;
    if (!option.takesValue) {
        (name == "--case-sensitive" ? rules.caseSensitive : rules.dotFolders) = true;
        return FilterOptionRead::Taken;
    }
    if (!option.value) {
        if (i + 1 >= args.size()) {
            error = "option " + name + " needs a value";
            return FilterOptionRead::Failed;
        }
        option.value = args[++i];
    }
    const std::string& value = *option.value;
    std::string problem;
    bool ok = true;
    if (name == "--include" || name == "--exclude") {
        MaskList masks;
        ok = masks.add(value, false, problem);
        if (ok && masks.empty()) {
            ok = false;
            problem = "no mask given";
        }
        (name == "--include" ? rules.include : rules.exclude).push_back(value);
    } else if (name == "--min-size" || name == "--max-size") {
        const auto size = parseSize(value, problem);
        ok = size.has_value();
        (name == "--min-size" ? rules.minSize : rules.maxSize) = size;
    } else {
        const auto when = parseTime(value, problem);
        ok = when.has_value();
        (name == "--newer" ? rules.newer : rules.older) = when;
    }
    if (!ok) {
        error = name + ": " + problem;
        return FilterOptionRead::Failed;
    }
    return FilterOptionRead::Taken;
}

bool checkFilterRanges(const FilterRules& rules, std::string& error)
{
    if (rules.minSize && rules.maxSize && *rules.minSize > *rules.maxSize) {
        error = "--min-size is larger than --max-size: no file would be listed";
        return false;
    }
    const std::int64_t now = std::time(nullptr);
    if (rules.newer && rules.older && rules.newer->at(now) >= rules.older->at(now)) {
        error = "--newer is not before --older: no file would be listed";
        return false;
    }
    return true;
}

std::string filterUsageText()
{
    return "  -i, --include=MASKS        list only files whose name matches one of MASKS\n"
           "  -e, --exclude=MASKS        leave out files whose name matches, and do not enter\n"
           "                             folders whose name matches (DIR itself is always listed);\n"
           "                             both may be given more than once. MASKS: masks separated\n"
           "                             by ';', with * (any run of characters), ? (one character),\n"
           "                             [abc], [a-z] and [!a] (one character of a class or not);\n"
           "                             a mask matches the whole name, regardless of case\n"
           "      --case-sensitive       masks tell upper from lower case\n"
           "      --min-size=SIZE        list only files of at least SIZE bytes\n"
           "      --max-size=SIZE        list only files of at most SIZE bytes; SIZE may end in\n"
           "                             K, M, G or T for 1024, 1024^2, 1024^3 or 1024^4\n"
           "      --newer=WHEN           list only files modified at or after WHEN\n"
           "      --older=WHEN           list only files modified before WHEN; WHEN is a local\n"
           "                             YYYY-MM-DD, 'YYYY-MM-DD HH:MM' or 'YYYY-MM-DD HH:MM:SS', or\n"
           "                             an age: a number followed by d, h or m (days, hours,\n"
           "                             minutes before now)\n"
           "      --dot-folders          also enter folders whose name begins with '.'\n";
}

} // namespace dirlix::cli
