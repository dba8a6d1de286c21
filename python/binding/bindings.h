// The parts of the extension module, each adding its classes and functions.
#pragma once

#include <pybind11/pybind11.h>

namespace curling::python {

namespace py = pybind11;

void BindGameState(py::module_& m);  // GameState, score_position
void BindShots(py::module_& m);      // create_shot, create_hit_shot, simulate, the switches
void BindBatch(py::module_& m);      // simulate_many

// The free guard zone rule a call plays by: `requested` when it is a bool,
// else the library-wide switch (set_free_guard_zone_rule, on by default).
bool FreeGuardZone(const py::object& requested);

}  // namespace curling::python
