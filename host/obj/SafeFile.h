// Files written whole or not at all: each to a temporary file beside its
// target, then renamed into place, so a failed or interrupted write leaves
// the old file as it was and no temporary behind.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/scene/Scene.h"

namespace tsxhost {

// Takes the next bytes of a file; false: the write failed or was stopped.
using TextSink = std::function<bool(std::string_view)>;

struct FileText {
  std::string path;
  std::string_view text;
  std::vector<std::string_view> tail{};  // written after `text`, each where it lies
  // Made while it is written, after `tail`, in pieces handed to the sink,
  // so that a large file need not be held whole; false: stop. `estimate`
  // stands for its size in the progress until it is done.
  std::function<bool(const TextSink&)> stream{};
  int64_t estimate = 0;
};

// Writes every file, or (one failing) none of them; false with `error` as
// "PATH: cannot write the file: REASON" (or "PATH: writing stopped").
// The `alongside` files are made and written last and replaced first.
// Without `progress`, Ctrl-C, SIGTERM and SIGHUP during the write remove
// the temporaries and end the program; with it, Ctrl-C is left to the
// caller, whose callback stops the write.
TSXHOST_API bool WriteFilesSafely(const std::vector<FileText>& files, std::string* error,
                                  const WriteProgress& progress = {},
                                  const std::vector<AlongsideFile>& alongside = {});

namespace testing {
// Makes the next WriteFilesSafely fail after its temporary files are
// written and before they are renamed, as an interruption would.
TSXHOST_API void FailNextRename();
}  // namespace testing

}  // namespace tsxhost
