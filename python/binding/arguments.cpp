#include "python/binding/arguments.h"

#include <string>

namespace curling::python {
namespace {

std::string ShapeText(const py::array& array) {
  std::string text = "(";
  for (py::ssize_t d = 0; d < array.ndim(); ++d) {
    if (d > 0) text += ", ";
    text += std::to_string(array.shape(d));
  }
  return text + (array.ndim() == 1 ? ",)" : ")");
}

}  // namespace

FloatArray RealArray(py::handle value, const char* name) {
  py::array array;
  try {
    array = py::module_::import("numpy").attr("asarray")(value);
  } catch (py::error_already_set& e) {
    throw py::value_error(std::string(name) + " must be an array of numbers: " + e.what());
  }
  const char kind = array.dtype().kind();
  if (kind != 'f' && kind != 'i' && kind != 'u') {
    throw py::value_error(std::string(name) + " must hold real numbers, got dtype " +
                          py::str(array.dtype()).cast<std::string>());
  }
  FloatArray floats = FloatArray::ensure(array);
  if (!floats) throw py::error_already_set();
  return floats;
}

void RequireShape(const py::array& array, const char* name, int dims,
                  std::initializer_list<py::ssize_t> tail, const char* wanted) {
  bool fits = array.ndim() == dims;
  py::ssize_t d = dims - static_cast<py::ssize_t>(tail.size());
  for (py::ssize_t length : tail) {
    fits = fits && array.shape(d) == length;
    ++d;
  }
  if (!fits) {
    throw py::value_error(std::string(name) + " must have shape " + wanted + ", got " +
                          ShapeText(array));
  }
}

ShotVector ShotFrom(py::handle value, const char* name) {
  const FloatArray array = RealArray(value, name);
  RequireShape(array, name, 1, {3}, "(3,) (vx, vy, curl)");
  const float* v = array.data();
  return ShotVector{v[0], v[1], static_cast<uint8_t>(v[2] != 0.0f ? 1 : 0), {0, 0, 0}};
}

uint64_t SeedFrom(const py::handle& value, const char* name) {
  const std::string message = std::string(name) + " must be an int from 0 to 2**64 - 1";
  if (!py::isinstance<py::int_>(value) || py::isinstance<py::bool_>(value)) {
    throw py::value_error(message);
  }
  try {
    return value.cast<uint64_t>();
  } catch (const py::cast_error&) {
    throw py::value_error(message + ", got " + py::repr(value).cast<std::string>());
  }
}

py::tuple ShotTuple(const ShotVector& shot) {
  return py::make_tuple(shot.vx, shot.vy, static_cast<int>(shot.curl != 0 ? 1 : 0));
}

}  // namespace curling::python
