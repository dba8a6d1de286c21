// curling-learn: the C++ half of learning the position value
// (docs/learned-value.md).
//   curling-learn generate --shot K --positions N --out FILE [--model FILE]
//                          [--samples S] [--seed N] [--threads T] [--ends-left E]
//                          [--hits firm|called] [--played FILE [--played-share S]]
//   curling-learn predict --model FILE [--positions]   features on standard
//                          input, one position a line (--positions: the shot
//                          number and the 16 stones' x and y); the side to
//                          throw's distribution out, a line each
// Usage errors, unreadable weight files and bad input exit 2 with a message.
#pragma once

namespace curling::learn {

int RunLearnProgram(int argc, char** argv);

}  // namespace curling::learn
