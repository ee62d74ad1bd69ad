// Exit statuses of the command-line programs (splicer, tsxhost), one per
// kind of failure, so that scripts can tell them apart.
#pragma once

namespace exitstatus {

inline constexpr int kOk = 0;
// Bad options or arguments; for splicer also an unknown object name; for
// tsxhost also no display to show its window on.
inline constexpr int kUsage = 2;
// A file could not be read, parsed or written; for tsxhost also a start-up
// scene or a selected object that is not there.
inline constexpr int kFile = 3;
// The work itself failed: splicer's join ended in an error or was aborted;
// tsxhost --render could not save its picture.
inline constexpr int kFailed = 4;

}  // namespace exitstatus
