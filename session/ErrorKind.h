// What ended a run that failed, as a value: callers decide by the kind,
// never by the wording of a message.
#pragma once

#include <string_view>

namespace splicer {

enum class ErrorKind {
  None,
  Usage,           // the command line or the call was wrong
  File,            // a file could not be read, parsed or written
  Memory,          // memory ran out reading or writing
  Interrupted,     // Ctrl-C (or Cancel) stopped the run
  Join,            // the join ended in an error or was aborted: its code says which
  UnsealedResult,  // two sealed objects gave a result that is not
  IncompleteSeam,  // part of the seam was left and the caller asked for all of it
};

// The report's word for a kind ("usage", "file", "memory", "interrupted",
// "unsealed result", "incomplete seam"); empty for None and Join, whose
// report carries a code.
std::string_view ErrorWord(ErrorKind kind);

// A file that could not be read or written: memory running out or the file.
inline ErrorKind FileErrorKind(bool noMemory) { return noMemory ? ErrorKind::Memory : ErrorKind::File; }

}  // namespace splicer
