#pragma once

// Where the board lies in the window's client area, in pixels. The pictures
// are drawn for this pitch (a picture larger than it reaches over its right
// or lower neighbour), and the window lays its cells out on it.
namespace board {

// Cell (row, column), counted from 1, has its top-left corner at
// (Margin + (column - 1) * PitchX, Margin + (row - 1) * PitchY).
inline constexpr int PitchX = 80;
inline constexpr int PitchY = 72;
inline constexpr int Margin = 8;

// A cell that shows no picture yet.
inline constexpr int EmptyCellWidth = 81;
inline constexpr int EmptyCellHeight = 73;

// The client area below the menu bar, which the board fills.
inline constexpr int ClientWidth = 339;
inline constexpr int ClientHeight = 352;

} // namespace board
