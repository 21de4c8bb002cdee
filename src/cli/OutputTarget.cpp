// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the output a dirlix-list command writes to, opened the same way by every command.
#include "cli/OutputTarget.h"

#include <cstdio>

namespace dirlix::cli {

std::optional<OpenedOutput> openOutput(const ListOptions& options, bool byName)
{
    OpenedOutput opened;
    const std::optional<std::string>& name = options.workbookFile ? options.workbookFile : options.outputFile;
    if (name) {
        // A name the user chose, written as the shell's ">" would: through links, into devices
        // and FIFOs (waiting for a reader), with the usual permissions for a new file.
        auto replacing = std::make_unique<ReplacingFile>(*name);
        replacing->followLinks();
        replacing->useUsualPermissions();
        replacing->waitForReader();
        opened.file = replacing.get();
        opened.target = std::move(replacing);
    } else {
        opened.target = std::make_unique<StreamTarget>(standardOutput());
    }
    // Opened before any walk starts: an output that cannot be made is told before any work, and
    // the file written aside exists before the walk could pass its folder.
    if (!(byName ? opened.target->openForName() : opened.target->open())) {
        std::fprintf(stderr, "dirlix-list: %s\n", opened.target->error().c_str());
        return std::nullopt;
    }
    // With standard output closed its number holds the null device: a name for it (/dev/stdout,
    // /dev/fd/1, a link to one) would lose the output silently.
    if (options.standardOutputClosed && (!opened.file || opened.file->descriptorWritten() == 1)) {
        opened.target->discard();
        std::fprintf(stderr, "dirlix-list: %sstandard output is closed; give -o FILE\n",
                     name ? (*name + ": ").c_str() : "");
        return std::nullopt;
    }
    return opened;
}

} // namespace dirlix::cli
