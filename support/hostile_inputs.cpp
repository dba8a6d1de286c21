#include "support/hostile_inputs.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "support/scenes.h"

namespace curling::scenes {
namespace {

constexpr float kDeliveryX = 2.375f;
constexpr float kDeliveryY = 41.28f;
constexpr float kTwoRadii = 0.29f;
constexpr double kPi = 3.141592653589793;

GameState Position(int shot_num, std::initializer_list<StonePosition> stones) {
  GameState s{};
  s.ShotNum = shot_num;
  s.CurEnd = 4;
  s.LastEnd = 8;
  int i = 0;
  for (const StonePosition& p : stones)
    s.Stones[i++] = p;
  return s;
}

// Up to `count` stones of a hexagonal pack with centre spacing `spacing`
// around (x, y), nearest the centre first.
GameState HexPack(int shot_num, float x, float y, float spacing, int count) {
  GameState s = Position(shot_num, {});
  static const int kRing[][2] = {{0, 0},  {1, 0},  {0, 1},   {-1, 1}, {-1, 0}, {0, -1},
                                 {1, -1}, {2, 0},  {1, 1},   {0, 2},  {-1, 2}, {-2, 2},
                                 {-2, 1}, {-2, 0}, {-1, -1}, {0, -2}};
  for (int i = 0; i < count && i < 16; ++i) {
    const double q = kRing[i][0];
    const double r = kRing[i][1];
    s.Stones[i] = {static_cast<float>(x + spacing * (q + 0.5 * r)),
                   static_cast<float>(y + spacing * (std::sqrt(3.0) / 2.0) * r)};
  }
  return s;
}

// `count` stones in a touching line from (x, y) in direction (dx, dy).
GameState Chain(int shot_num, float x, float y, float dx, float dy, int count) {
  GameState s = Position(shot_num, {});
  for (int i = 0; i < count; ++i)
    s.Stones[i] = {x + i * kTwoRadii * dx, y + i * kTwoRadii * dy};
  return s;
}

GameState RandomSheet(SceneRandom& rng, double y_lo) {
  GameState s = Position(static_cast<int>(rng.Next() % 19) - 1, {});
  for (StonePosition& p : s.Stones)
    p = {static_cast<float>(rng.Uniform(0.1, 4.65)), static_cast<float>(rng.Uniform(y_lo, 41.3))};
  return s;
}

GameState RandomBytes(SceneRandom& rng, bool valid_shot) {
  GameState s;
  unsigned char bytes[sizeof s];
  for (unsigned char& b : bytes)
    b = static_cast<unsigned char>(rng.Next());
  std::memcpy(&s, bytes, sizeof s);
  if (valid_shot) s.ShotNum = static_cast<int32_t>(rng.Next() % 16);
  return s;
}

}  // namespace

std::vector<HostilePosition> HostilePositions() {
  std::vector<HostilePosition> p;
  p.push_back({"stone 1 cm below the delivery point",
               Position(15, {{kDeliveryX, 41.27f}, {kDeliveryX, 4.88f}})});
  p.push_back({"stone on the delivery point", Position(15, {{kDeliveryX, kDeliveryY}})});
  GameState sixteen = Position(15, {});
  for (StonePosition& s : sixteen.Stones)
    s = {kDeliveryX, kDeliveryY};
  p.push_back({"sixteen stones on the delivery point, shot 15", sixteen});
  sixteen.ShotNum = 14;
  p.push_back({"sixteen stones on the delivery point, shot 14", sixteen});
  p.push_back({"three stones near the delivery point",
               Position(15, {{kDeliveryX, 41.2f}, {2.5f, 41.0f}, {2.2f, 40.7f}})});
  GameState ring = Position(15, {});
  for (int k = 0; k < 4; ++k) {
    const double a = kPi + k * kPi / 3.0;
    ring.Stones[k] = {static_cast<float>(kDeliveryX + 0.29 * std::cos(a)),
                      static_cast<float>(kDeliveryY + 0.29 * std::sin(a))};
    ring.Stones[4 + k] = {static_cast<float>(kDeliveryX + 0.2 * std::cos(a + 0.5)),
                          static_cast<float>(kDeliveryY - 0.35 + 0.2 * std::sin(a + 0.5))};
  }
  p.push_back({"stones around the delivery point", ring});
  p.push_back({"packed pack below the delivery point", HexPack(15, kDeliveryX, 40.9f, 0.29f, 15)});
  p.push_back({"packed house, touching", HexPack(15, 2.375f, 4.88f, kTwoRadii, 15)});
  p.push_back({"packed house, 0.9 mm overlaps", HexPack(15, 2.375f, 4.88f, 0.2891f, 15)});
  p.push_back({"packed guards at shot 2", HexPack(2, 2.375f, 8.5f, kTwoRadii, 7)});
  p.push_back({"chain along the centre line", Chain(15, 2.375f, 4.0f, 0.0f, 1.0f, 15)});
  p.push_back({"chain across the sheet", Chain(15, 0.3f, 6.0f, 1.0f, 0.0f, 15)});
  p.push_back({"chain across the delivery end", Chain(15, 0.3f, 41.1f, 1.0f, 0.0f, 15)});
  p.push_back({"stones on the lines", Position(15, {{0.14501f, 6.0f},
                                                    {4.60499f, 7.0f},
                                                    {2.375f, 2.90501f},
                                                    {1.0f, 41.28f},
                                                    {3.5f, 11.28f},
                                                    {2.375f, 11.135f},
                                                    {0.43501f, 6.0f}})});
  SceneRandom rng(0x5EED);
  for (int k = 0; k < 4; ++k)
    p.push_back({"random sheet " + std::to_string(k), RandomSheet(rng, 2.9)});
  for (int k = 0; k < 2; ++k)
    p.push_back({"random delivery end " + std::to_string(k), RandomSheet(rng, 39.5)});
  for (int k = 0; k < 4; ++k)
    p.push_back({"random bytes " + std::to_string(k), RandomBytes(rng, k % 2 == 0)});
  return p;
}

std::vector<ShotVector> HostileDeliveries(int stride) {
  std::vector<ShotVector> all;
  auto add = [&](double speed, double heading, int curl) {
    all.push_back({static_cast<float>(speed * std::cos(heading)),
                   static_cast<float>(speed * std::sin(heading)),
                   static_cast<uint8_t>(curl),
                   {0, 0, 0}});
  };
  for (int curl = 0; curl < 2; ++curl) {
    for (double speed : {0.02, 0.3, 1.1, 2.4, 4.0, 12.0, 30.0}) {
      for (int k = 0; k < 24; ++k)
        add(speed, k * kPi / 12.0, curl);
    }
    for (double speed : {2.2, 2.3, 2.4, 2.5, 3.0, 3.5, 4.0}) {
      for (double degrees : {-3.0, -1.5, -0.5, 0.0, 0.5, 1.5, 3.0})
        add(speed, -kPi / 2.0 + degrees * kPi / 180.0, curl);
    }
    constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
    constexpr float kInf = std::numeric_limits<float>::infinity();
    for (const auto& v : {std::pair{kNaN, -2.0f}, {kInf, 0.0f}, {0.0f, 0.0f}})
      all.push_back({v.first, v.second, static_cast<uint8_t>(curl), {0, 0, 0}});
  }
  if (stride <= 1) return all;
  std::vector<ShotVector> kept;
  for (size_t i = 0; i < all.size(); i += static_cast<size_t>(stride))
    kept.push_back(all[i]);
  return kept;
}

}  // namespace curling::scenes
