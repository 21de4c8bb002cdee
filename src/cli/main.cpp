// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the entry of the command-line companion dirlix-list.
#include "cli/ListCommand.h"
#include "platform/ProgramArguments.h"
#include "platform/ReplacingFile.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    // Before anything is opened: a closed standard stream's number must not go to a file that
    // would then receive what is written to the stream.
    const dirlix::ClosedStreams closed = dirlix::claimClosedStandardStreams();
    dirlix::removeStagingFilesOnSignals();
    const std::vector<std::string> args = dirlix::programArguments(argc, argv);
    std::string error;
    const auto options = dirlix::cli::parseArguments(args, error);
    if (!options) {
        std::fprintf(stderr, "dirlix-list: %s\nTry 'dirlix-list --help' for more information.\n", error.c_str());
        return dirlix::cli::ExitUsage;
    }
    // QSettings and QLocale want an application object for the user's locale and paths.
    QCoreApplication app(argc, argv);
    dirlix::cli::ListOptions run = *options;
    run.standardOutputClosed = closed.output;
    return dirlix::cli::runList(run);
}
