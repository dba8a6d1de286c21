// The physics library's C exports over arbitrary bytes: any 184-byte game
// state, any delivery, any error, seed and rule switch. The first byte picks
// the call:
//   bits 0-1  0 or 1: Simulation, 2: CreateShot, 3: CreateHitShot
//   bit 2     free guard zone rule off
//   bit 3     Simulation with a null state (must return 0)
//   bit 4     with Simulation: SimulationBatch of the delivery and its other
//             curl too, which must give what Simulation gives with no error
// then: state (184 bytes), delivery or aim (12), error or power (4), seed (8);
// missing bytes are zero.
//
// Each call must keep the library's promises (after Simulation every stone at
// rest on the sheet or at (0, 0), ShotNum one higher, the other fields as they
// were; shot exports return 0 or 1 with a curl flag of 0 or 1 and finite
// speeds) and must end within a limit of CPU time, CURLING_FUZZ_CALL_LIMIT_MS
// (default 100): calls take under 1 ms in this build, while one that runs
// into the event limit took 20 to 550 ms.
// Simulation runs on a fresh thread, whose random draws start afresh, so an
// input replays exactly.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include <time.h>

#include "curling_simulator/rink.h"
#include "curling_simulator/simulator_exports.h"

namespace {

struct Input {
  uint8_t op = 0;
  GameState state{};
  uint8_t vector[12] = {};
  float scalar = 0;
  uint64_t seed = 0;
};

Input Decode(const uint8_t* data, size_t size) {
  uint8_t bytes[1 + 184 + 12 + 4 + 8] = {};
  std::memcpy(bytes, data, std::min(size, sizeof bytes));
  Input in;
  const uint8_t* p = bytes;
  in.op = *p++;
  std::memcpy(&in.state, p, 184);
  p += 184;
  std::memcpy(in.vector, p, 12);
  p += 12;
  std::memcpy(&in.scalar, p, 4);
  p += 4;
  std::memcpy(&in.seed, p, 8);
  return in;
}

[[noreturn]] void Fail(const char* what, int stone = -1, float x = 0, float y = 0) {
  std::fprintf(stderr, "library_exports_fuzz: %s", what);
  if (stone >= 0) std::fprintf(stderr, " (stone %d at %.9g, %.9g)", stone, x, y);
  std::fprintf(stderr, "\n");
  std::abort();
}

long long CallLimitMilliseconds() {
  static const long long limit = [] {
    const char* text = std::getenv("CURLING_FUZZ_CALL_LIMIT_MS");
    return text != nullptr ? std::atoll(text) : 100LL;
  }();
  return limit;
}

// CPU time of the calling thread: what a call costs, whatever else the
// machine is doing.
std::chrono::nanoseconds ThreadCpuTime() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

template <typename Call>
auto Timed(Call call) {
  const auto start = ThreadCpuTime();
  const auto result = call();
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(ThreadCpuTime() - start);
  if (took.count() > CallLimitMilliseconds()) {
    std::fprintf(stderr, "library_exports_fuzz: one call took %lld ms of CPU time\n",
                 static_cast<long long>(took.count()));
    Fail("a call over the time limit");
  }
  return result;
}

bool AtRestOnSheet(const StonePosition& p) {
  using namespace curling::sim;
  if (p.x == 0.0f && p.y == 0.0f) return true;
  return std::isfinite(p.x) && std::isfinite(p.y) && p.x >= kStoneRadius &&
         p.x <= kSheetWidth - kStoneRadius && p.y >= kBackLineY - kStoneRadius && p.y <= kDeliveryY;
}

void CheckSimulation(const Input& in) {
  ShotVector shot;
  std::memcpy(&shot, in.vector, sizeof shot);
  GameState state = in.state;
  int result = 0;
  std::thread([&] {
    result = Timed([&] { return Simulation(&state, shot, in.scalar, nullptr, -1); });
  }).join();
  if (result != 1) Fail("Simulation did not return 1");
  const auto expected_shot = static_cast<int32_t>(static_cast<uint32_t>(in.state.ShotNum) + 1u);
  if (state.ShotNum != expected_shot) Fail("ShotNum not one higher");
  if (state.CurEnd != in.state.CurEnd || state.LastEnd != in.state.LastEnd ||
      state.NextSide != in.state.NextSide ||
      std::memcmp(state.Score, in.state.Score, sizeof state.Score) != 0) {
    Fail("a carried field changed");
  }
  for (int i = 0; i < 16; ++i) {
    if (!AtRestOnSheet(state.Stones[i])) {
      Fail("a stone neither on the sheet nor at (0, 0)", i, state.Stones[i].x, state.Stones[i].y);
    }
  }
}

// The same position bit for bit, field by field (padding bytes aside).
bool SamePosition(const GameState& a, const GameState& b) {
  return a.ShotNum == b.ShotNum && a.CurEnd == b.CurEnd && a.LastEnd == b.LastEnd &&
         a.NextSide == b.NextSide && std::memcmp(a.Score, b.Score, sizeof a.Score) == 0 &&
         std::memcmp(a.Stones, b.Stones, sizeof a.Stones) == 0;
}

void CheckBatch(const Input& in, const ShotVector& shot) {
  const ShotVector shots[2] = {shot, {shot.vx, shot.vy, uint8_t{shot.curl == 0}, {0, 0, 0}}};
  GameState together[2]{};
  GameState alone[2] = {in.state, in.state};
  int result = 0;
  std::thread([&] {
    result = SimulationBatch(&in.state, shots, 2, together);
    for (int i = 0; i < 2; ++i)
      Simulation(&alone[i], shots[i], 0.0f, nullptr, -1);
  }).join();
  if (result != 1) Fail("SimulationBatch did not return 1");
  for (int i = 0; i < 2; ++i) {
    if (!SamePosition(together[i], alone[i])) Fail("SimulationBatch differs from Simulation");
  }
}

void CheckShotExport(const Input& in) {
  AimPoint aim;
  std::memcpy(&aim, in.vector, sizeof aim);
  ShotVector out{};
  const bool hit = (in.op & 3) == 3;
  const int result =
      Timed([&] { return hit ? CreateHitShot(aim, in.scalar, &out) : CreateShot(aim, &out); });
  if (result != 0 && result != 1) Fail("a shot export returned neither 0 nor 1");
  if (out.curl > 1) Fail("a curl flag other than 0 or 1");
  if (result == 1 && (!std::isfinite(out.vx) || !std::isfinite(out.vy))) {
    Fail("a non-finite delivery");
  }
  if (result == 0 && (out.vx != 0.0f || out.vy != 0.0f)) Fail("an unreachable aim not (0, 0)");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const Input in = Decode(data, size);
  SetRandomSeed(in.seed);
  SetFreeGuardZoneRule((in.op & 4) == 0);
  if ((in.op & 3) >= 2) {
    CheckShotExport(in);
  } else if ((in.op & 8) != 0) {
    if (Simulation(nullptr, ShotVector{}, 0.0f, nullptr, -1) != 0) Fail("null state not refused");
  } else {
    CheckSimulation(in);
    if ((in.op & 16) != 0) {
      ShotVector shot;
      std::memcpy(&shot, in.vector, sizeof shot);
      CheckBatch(in, shot);
    }
  }
  return 0;
}
