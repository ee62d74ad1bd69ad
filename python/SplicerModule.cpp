// import splicer: scenes in every known file format, and the join.
#include <pybind11/pybind11.h>

#include "python/PythonErrors.h"
#include "python/PythonJoin.h"
#include "python/PythonScene.h"

PYBIND11_MODULE(splicer, m) {
  m.doc() =
      "SPLICER-BOT: join two polyhedron objects across the face they share.\n\n"
      "    scene = splicer.Scene.load('model.glb')\n"
      "    joined, report = splicer.join(scene, 'Head', 'Body')\n"
      "    scene.save('joined.glb')";
  splicer::python::DefineErrors(m);
  splicer::python::BindScene(m);
  splicer::python::BindJoin(m);
}
