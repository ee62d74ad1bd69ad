// The subcommands of `splicer`. Each registers itself on the app and
// reports failure by throwing CLI::RuntimeError with its exit status.
#pragma once

#include <CLI/CLI.hpp>

namespace splicer {

// Exit statuses: ../ExitStatus.h.

void AddInfoCommand(CLI::App& app);
void AddJoinCommand(CLI::App& app);

}  // namespace splicer
