#pragma once

namespace vd {

// Windows and controls are numbered like images, but with their own types so that one cannot
// stand in for another.
enum class WindowNumber : int {};
enum class ControlNumber : int {};

constexpr WindowNumber windowNumber(int n) { return static_cast<WindowNumber>(n); }
constexpr ControlNumber controlNumber(int n) { return static_cast<ControlNumber>(n); }
constexpr int toInt(WindowNumber n) { return static_cast<int>(n); }
constexpr int toInt(ControlNumber n) { return static_cast<int>(n); }

}  // namespace vd
