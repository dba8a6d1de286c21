// Python arguments turned into the library's records. Every shape or type that
// does not fit raises ValueError naming the argument and what it should be.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include "curling_simulator/records.h"

namespace curling::python {

namespace py = pybind11;

using FloatArray = py::array_t<float, py::array::c_style | py::array::forcecast>;

// `value` as a C-contiguous float32 array: any array-like of real numbers
// (integers, floats; not booleans, strings or objects). Shapes are the
// caller's to check.
FloatArray RealArray(py::handle value, const char* name);

// Raises ValueError "<name> must have shape <wanted>, got <shape>" unless
// `array` has `dims` dimensions whose trailing ones equal `tail`.
void RequireShape(const py::array& array, const char* name, int dims,
                  std::initializer_list<py::ssize_t> tail, const char* wanted);

// A delivery from any sequence of three numbers (vx, vy, curl): the curl flag
// is 1 for any non-zero value, as in the library.
ShotVector ShotFrom(py::handle value, const char* name = "shot");

// A seed: an int from 0 to 2**64 - 1.
uint64_t SeedFrom(const py::handle& value, const char* name = "seed");

// The shot as the Python tuple (vx, vy, curl).
py::tuple ShotTuple(const ShotVector& shot);

}  // namespace curling::python
