#pragma once

// The program's name, as its windows, message boxes and command line give it.
inline constexpr char kProgramName[] = "Quorvel";
