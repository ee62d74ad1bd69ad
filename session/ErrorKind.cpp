#include "session/ErrorKind.h"

namespace splicer {

std::string_view ErrorWord(ErrorKind kind) {
  switch (kind) {
    case ErrorKind::Usage:
      return "usage";
    case ErrorKind::File:
      return "file";
    case ErrorKind::Memory:
      return "memory";
    case ErrorKind::Interrupted:
      return "interrupted";
    case ErrorKind::UnsealedResult:
      return "unsealed result";
    case ErrorKind::IncompleteSeam:
      return "incomplete seam";
    case ErrorKind::None:
    case ErrorKind::Join:
      break;
  }
  return {};
}

}  // namespace splicer
