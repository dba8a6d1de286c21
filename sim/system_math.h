// The two math functions of the library that the C runtime of Windows
// (msvcrt.dll) would supply at run time: their last bits would then depend
// on the Windows version (and differ again under Wine). On Windows the
// library computes them itself, in the x87's extended precision rounded once
// to double (system_math_windows.cpp); elsewhere they are the C library's
// (system_math_posix.cpp). docs/windows.md gives the measured differences.
#pragma once

namespace curling::sim {

double Atan(double x);
double Hypot(double x, double y);

}  // namespace curling::sim
