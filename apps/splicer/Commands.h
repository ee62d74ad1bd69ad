// The subcommands of `splicer`. Each registers itself on the app and
// reports failure by throwing CLI::RuntimeError with its exit status.
#pragma once

#include <CLI/CLI.hpp>

namespace splicer {

// Exit status, one per kind of failure: 0 done, 2 bad usage, 3 a file
// could not be read, parsed or written, 4 the join ended in an error or was
// aborted.

void AddInfoCommand(CLI::App& app);
void AddJoinCommand(CLI::App& app);

}  // namespace splicer
