// The screen mouse pointers a run and its windows show (WalkScreen::setPointer, and the
// platform's setScreenPointer), by what they say.
#pragma once

namespace bv::pointer {

inline constexpr int Arrow = 1;      // the program answers
inline constexpr int Hourglass = 11; // a walk is running

} // namespace bv::pointer
