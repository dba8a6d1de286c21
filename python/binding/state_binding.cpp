// GameState: the library's 184-byte record, with its stones and the scores of
// the ends as numpy views; and the curling count of a position.
#include <pybind11/numpy.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "eval/scoring.h"
#include "python/binding/arguments.h"
#include "python/binding/bindings.h"

namespace curling::python {
namespace {

constexpr int kStones = 16;

GameState& StateOf(py::handle self) {
  return self.cast<GameState&>();
}

py::array_t<float> StonesView(py::handle self) {
  GameState& state = StateOf(self);
  return py::array_t<float>(
      {kStones, 2},
      {static_cast<py::ssize_t>(sizeof(StonePosition)), static_cast<py::ssize_t>(sizeof(float))},
      &state.Stones[0].x, self);
}

void SetStones(GameState& state, const py::object& value) {
  const FloatArray stones = RealArray(value, "stones");
  RequireShape(stones, "stones", 2, {kStones, 2}, "(16, 2)");
  std::memcpy(state.Stones, stones.data(), sizeof(state.Stones));
}

py::array_t<int32_t> ScoreView(py::handle self) {
  GameState& state = StateOf(self);
  return py::array_t<int32_t>({10}, {static_cast<py::ssize_t>(sizeof(int32_t))}, state.Score, self);
}

void SetScore(GameState& state, const py::object& value) {
  const FloatArray scores = RealArray(value, "score");
  RequireShape(scores, "score", 1, {10}, "(10,)");
  for (int e = 0; e < 10; ++e)
    state.Score[e] = static_cast<int32_t>(scores.data()[e]);
}

int CheckedSide(int side) {
  if (side != 0 && side != 1) {
    throw py::value_error("side must be 0 or 1, got " + std::to_string(side));
  }
  return side;
}

GameState MakeState(py::object stones, int shot, int end, int last_end, int side) {
  GameState state{};
  if (!stones.is_none()) SetStones(state, stones);
  state.ShotNum = shot;
  state.CurEnd = end;
  state.LastEnd = last_end;
  state.NextSide = static_cast<uint8_t>(CheckedSide(side));
  return state;
}

// Equal when every field holds the same bits (the padding is always zero).
bool SameBits(const GameState& a, const GameState& b) {
  return std::memcmp(&a, &b, sizeof(GameState)) == 0;
}

py::bytes RecordBytes(const GameState& state) {
  return py::bytes(reinterpret_cast<const char*>(&state), sizeof(GameState));
}

GameState FromBytes(const py::bytes& data) {
  const std::string bytes = data;
  if (bytes.size() != sizeof(GameState)) {
    throw py::value_error("a GameState record is " + std::to_string(sizeof(GameState)) +
                          " bytes, got " + std::to_string(bytes.size()));
  }
  GameState state;
  std::memcpy(&state, bytes.data(), sizeof(GameState));
  std::memset(state.Padding, 0, sizeof(state.Padding));
  return state;
}

std::string Describe(const GameState& state) {
  int in_play = 0;
  for (const StonePosition& stone : state.Stones)
    in_play += (stone.x != 0.0f || stone.y != 0.0f) ? 1 : 0;
  return "GameState(shot=" + std::to_string(state.ShotNum) +
         ", end=" + std::to_string(state.CurEnd) + ", last_end=" + std::to_string(state.LastEnd) +
         ", side=" + std::to_string(state.NextSide) +
         ", stones in play=" + std::to_string(in_play) + ")";
}

// The count of one state, or of every (16, 2) block of an array (..., 16, 2).
py::object ScorePositions(const py::object& position, int side) {
  CheckedSide(side);
  if (py::isinstance<GameState>(position)) {
    return py::int_(ScorePosition(position.cast<const GameState&>(), side));
  }
  const FloatArray stones = RealArray(position, "position");
  const int dims = std::max(2, static_cast<int>(stones.ndim()));
  RequireShape(stones, "position", dims, {kStones, 2}, "(..., 16, 2)");
  std::vector<py::ssize_t> shape(stones.shape(), stones.shape() + stones.ndim() - 2);
  py::array_t<int32_t> counts(shape);
  const py::ssize_t count = counts.size();
  const float* in = stones.data();
  int32_t* out = counts.mutable_data();
  GameState state{};
  for (py::ssize_t k = 0; k < count; ++k) {
    std::memcpy(state.Stones, in + k * kStones * 2, sizeof(state.Stones));
    out[k] = ScorePosition(state, side);
  }
  return counts;
}

}  // namespace

void BindGameState(py::module_& m) {
  py::class_<GameState>(m, "GameState", R"doc(
The state of an end as the library plays it: sixteen stones (stone i is thrown
as shot i; (0, 0) is out of play or not yet thrown), the shot about to be
thrown, the current and last end, the side to throw and the points of ends
0 to 9. `stones` (16, 2) float32 and `score` (10,) int32 are views: writing to
them changes the state.)doc")
      .def(py::init(&MakeState), py::kw_only(), py::arg("stones") = py::none(), py::arg("shot") = 0,
           py::arg("end") = 0, py::arg("last_end") = 0, py::arg("side") = 0)
      .def_property("stones", &StonesView, &SetStones, "(16, 2) float32 view: x, y of each stone")
      .def_property("score", &ScoreView, &SetScore, "(10,) int32 view: points of ends 0 to 9")
      .def_readwrite("shot", &GameState::ShotNum, "shot about to be thrown in the end, 0 to 15")
      .def_readwrite("end", &GameState::CurEnd)
      .def_readwrite("last_end", &GameState::LastEnd)
      .def_property(
          "side", [](const GameState& s) { return static_cast<int>(s.NextSide); },
          [](GameState& s, int side) { s.NextSide = static_cast<uint8_t>(CheckedSide(side)); },
          "side to throw, 0 or 1")
      .def("copy", [](const GameState& s) { return s; })
      .def("__copy__", [](const GameState& s) { return s; })
      .def("__deepcopy__", [](const GameState& s, py::handle) { return s; })
      .def("__eq__",
           [](const GameState& a, py::object b) {
             return py::isinstance<GameState>(b) && SameBits(a, b.cast<const GameState&>());
           })
      .def("__bytes__", &RecordBytes, "the record as the C exports take it (184 bytes)")
      .def_static("from_bytes", &FromBytes, py::arg("data"))
      .def("__repr__", &Describe)
      .def(py::pickle(&RecordBytes, &FromBytes));
  m.attr("GameState").attr("__hash__") = py::none();

  m.def("score_position", &ScorePositions, py::arg("position"), py::arg("side"), R"doc(
The curling count for `side` (0 owns the even stones, 1 the odd ones): positive
when `side` scores, negative when the other side does, 0 for a blank end; only
stones nearer the tee than 1.975 m count. `position` is a GameState (returns
an int) or an array (..., 16, 2) of stones (returns int32 counts of shape ...).)doc");
}

}  // namespace curling::python
