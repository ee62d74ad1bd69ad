// `splicer_make_bars FACES OUT.obj`: writes the benchmark's scene of two
// bars of about FACES faces each, "A" and "B", end cap on end cap, for
// timing `splicer join` from outside.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/Bars.h"
#include "host/obj/ObjFile.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s FACES OUT.obj\n", argv[0]);
    return 2;
  }
  const long faces = std::strtol(argv[1], nullptr, 10);
  if (faces < 6 || faces > 100'000'000) {
    std::fprintf(stderr, "error: FACES must lie between 6 and 100000000\n");
    return 2;
  }
  tsxSOBJ a = 0, b = 0;
  bars::SetUpPair(static_cast<int>(faces), bars::Layout::EndToEnd, &a, &b);
  std::string error;
  if (!tsxhost::SaveObj(argv[2], {a, b}, &error)) {
    std::fprintf(stderr, "error: %s\n", error.c_str());
    return 3;
  }
  return 0;
}
