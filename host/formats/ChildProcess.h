// Running a helper program to its end, its standard output collected: for
// work that must not run in the user's process (a library that may crash
// on a damaged file). The child is started with posix_spawn, never by
// forking, so that a multi-threaded program (Qt, Python) is safe to call
// this.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tsxhost::detail {

struct ChildOutcome {
  enum class Ending { Exited, Signalled, TimedOut, OutputTooLong, NotStarted, Cancelled, Stopped };
  Ending ending = Ending::NotStarted;
  int status = 0;      // the exit status, or the signal's number
  std::string output;  // all of standard output, unless a `take` had it
  std::size_t received = 0;
  std::string why;     // NotStarted: the reason
};

// Runs `program` with `args` (argv[1] on), standard input and error on
// /dev/null, no other descriptors inherited. A child still running after
// `seconds`, or writing more than `outputLimit` bytes, is killed; so is one
// whose caller's `goOn` (asked about ten times a second) returns false.
// With a `take`, the output goes to it as it comes instead of into
// `output`; a `take` that returns false ends the child (Stopped).
ChildOutcome RunChild(const std::string& program, const std::vector<std::string>& args, double seconds,
                      std::size_t outputLimit, const std::function<bool()>& goOn = {},
                      const std::function<bool(std::string_view)>& take = {});

}  // namespace tsxhost::detail
