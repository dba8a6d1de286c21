#include "protocol/best_shot_reply.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <string>

namespace curling::protocol {
namespace {

std::string Reply(const ShotVector& shot) {
  std::string text;
  WriteBestShot([&text](const char* reply) { text += reply; }, shot);
  return text;
}

TEST(BestShotReplyTest, IsAlwaysThreeReadableNumbers) {
  EXPECT_EQ(Reply({0.25f, -3.0f, 0, {}}), "BESTSHOT 0.250000 -3.000000 0");
  // A non-finite speed is sent as 0, any non-zero curl byte as 1.
  EXPECT_EQ(Reply({NAN, INFINITY, 7, {}}), "BESTSHOT 0.000000 0.000000 1");
  // The widest speeds are written whole.
  char widest[256];
  std::snprintf(widest, sizeof widest, "BESTSHOT %f %f 1", -static_cast<double>(FLT_MAX),
                -static_cast<double>(FLT_MAX));
  EXPECT_EQ(Reply({-FLT_MAX, -FLT_MAX, 1, {}}), widest);
}

}  // namespace
}  // namespace curling::protocol
