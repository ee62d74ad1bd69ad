// splicer: the join engine on OBJ scenes, from the command line.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <exception>
#include <new>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "apps/ExitStatus.h"
#include "apps/splicer/Commands.h"
#include "session/ReportFile.h"

int main(int argc, char** argv) {
#if defined(__GLIBC__)
  // Blocks of a megabyte or more are mapped on their own, so that a stage's
  // scratch goes back to the system when freed instead of staying in the
  // heap and adding to the peak of the stages after it.
  mallopt(M_MMAP_THRESHOLD, 1 << 20);
#endif
  CLI::App app{"SPLICER-BOT: join two polyhedron objects across the face they share"};
  app.set_version_flag("--version", "splicer " SPLICER_VERSION, "Show the program's version and exit");
  app.require_subcommand(1);
  splicer::AddInfoCommand(app);
  splicer::AddJoinCommand(app);
  try {
    app.parse(argc, argv);
  } catch (const CLI::RuntimeError& e) {
    return e.get_exit_code();
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) return app.exit(e);  // --help
    std::fprintf(stderr, "error: %s\n", e.what());
    std::fprintf(stderr, "Run with --help for more information.\n");
    // A report asked for is written for a usage error too.
    if (const std::string report = splicer::ReportPathIn(argc, argv); !report.empty()) {
      splicer::WriteReport(report, splicer::FailureReport(splicer::ErrorKind::Usage, e.what(), exitstatus::kUsage));
    }
    return exitstatus::kUsage;
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "error: not enough memory\n");
    return exitstatus::kFile;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "error: %s\n", e.what());
    return exitstatus::kFile;
  }
  return exitstatus::kOk;
}
