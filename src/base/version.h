#pragma once
// The program's name and version; the version comes from the one build constant VEXILO_VERSION
// (the project's version in CMakeLists.txt).

namespace vexilo {

inline constexpr const char* kProgramName = "Vexilo";
inline constexpr const char* kProgramVersion = VEXILO_VERSION;
// The main window's title and the caption of its messages; the other windows' messages carry
// the name alone.
inline constexpr const char* kProgramCaption = "Vexilo " VEXILO_VERSION;

}  // namespace vexilo
