// The extension module curling._curling: the physics library and the curling
// count for Python, with numpy arrays. The package `curling` re-exports it.
#include <pybind11/pybind11.h>

#include "curling_simulator/rink.h"
#include "curling_simulator/simulator_exports.h"
#include "python/binding/bindings.h"

namespace py = pybind11;

PYBIND11_MODULE(_curling, m) {
  m.doc() = "The curling physics library and the curling count, with numpy arrays.";
  namespace sim = curling::sim;
  // The package's version is the library's it runs on.
  m.attr("__version__") = CurlingSimulatorVersion();
  m.attr("SHEET_WIDTH") = sim::kSheetWidth;
  m.attr("DELIVERY") = py::make_tuple(sim::kDeliveryX, sim::kDeliveryY);
  m.attr("TEE") = py::make_tuple(sim::kTeeX, sim::kTeeY);
  m.attr("HOUSE_RADIUS") = sim::kHouseRadius;
  m.attr("STONE_RADIUS") = sim::kStoneRadius;
  m.attr("BACK_LINE_Y") = sim::kBackLineY;
  m.attr("HOG_LINE_Y") = sim::kHogLineY;
  m.attr("MATCH_ERROR") = sim::kMatchRandomError;
  curling::python::BindGameState(m);
  curling::python::BindShots(m);
  curling::python::BindBatch(m);
}
