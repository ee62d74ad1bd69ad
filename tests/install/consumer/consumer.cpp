// Loads a scene through the installed host library and prints its objects'
// face counts: "Left 6" for each object, one a line.
#include <cstdio>

#include <tsxapi.h>
#include <tsxhost/ObjFile.h>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: consumer SCENE.obj\n");
    return 2;
  }
  const tsxhost::ObjResult loaded = tsxhost::LoadObj(argv[1]);
  if (!loaded.ok) {
    std::fprintf(stderr, "error: %s\n", loaded.error.c_str());
    return 1;
  }
  for (tsxSOBJ obj : loaded.objects)
    std::printf("%s %d\n", tsxhost::ObjectName(obj).c_str(), tsxPolyhGetNbrFaces(obj));
  return 0;
}
