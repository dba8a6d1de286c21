// Byte-level records shared by the engine and the physics library.
// Offsets, sizes and padding are part of the library's binary interface.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" {

struct StonePosition {
  float x;
  float y;
};

struct GameState {
  int32_t ShotNum;    // shot about to be thrown in the current end (0-15)
  int32_t CurEnd;     // carried for the server, never read by the engine
  int32_t LastEnd;    // carried
  int32_t Score[10];  // carried; cleared only by NEWGAME
  uint8_t NextSide;   // carried, 0 or 1
  uint8_t Padding[3];
  StonePosition Stones[16];  // stone i is thrown as shot i; (0, 0) is out of play
};

// A delivery: initial velocity (m/s) and curl flag (1 bends toward larger x).
struct ShotVector {
  float vx;
  float vy;
  uint8_t curl;
  uint8_t Padding[3];
};

// A target point and the curl of the wanted delivery.
struct AimPoint {
  float x;
  float y;
  uint8_t curl;
  uint8_t Padding[3];
};

}  // extern "C"

static_assert(sizeof(StonePosition) == 8);
static_assert(sizeof(GameState) == 184);
static_assert(offsetof(GameState, ShotNum) == 0);
static_assert(offsetof(GameState, CurEnd) == 4);
static_assert(offsetof(GameState, LastEnd) == 8);
static_assert(offsetof(GameState, Score) == 12);
static_assert(sizeof(GameState::Score) == 40);
static_assert(offsetof(GameState, NextSide) == 52);
static_assert(offsetof(GameState, Padding) == 53);
static_assert(offsetof(GameState, Stones) == 56);
static_assert(sizeof(GameState::Stones) == 128);

static_assert(sizeof(ShotVector) == 12);
static_assert(offsetof(ShotVector, vx) == 0);
static_assert(offsetof(ShotVector, vy) == 4);
static_assert(offsetof(ShotVector, curl) == 8);
static_assert(offsetof(ShotVector, Padding) == 9);

static_assert(sizeof(AimPoint) == 12);
static_assert(offsetof(AimPoint, x) == 0);
static_assert(offsetof(AimPoint, y) == 4);
static_assert(offsetof(AimPoint, curl) == 8);
static_assert(offsetof(AimPoint, Padding) == 9);

static_assert(sizeof(float) == 4 && sizeof(int32_t) == 4);
