#pragma once

// What the tests hold the game and its pictures to: which holder keeps which
// picture, and where the cells lie in the window. Written out here, once, and
// never taken from the game's own headers, so that a wrong constant in the
// game cannot hide behind itself.
namespace facts {

// Holders 1..16 keep the digit tiles (tile n in holder n, the blank being
// 16), 33..48 the pieces of the picture (tile n in holder 32 + n), 49 the card
// back and 50..57 the eight card faces. Holders 17..32 are the cells
// themselves and keep no picture.
inline constexpr int DigitBlank = 16;
inline constexpr int FirstPiece = 33;
inline constexpr int CardBack = 49;
inline constexpr int LastHolder = 57;

constexpr bool HoldsPicture(int holder) {
    return (holder >= 1 && holder <= DigitBlank) || (holder >= FirstPiece && holder <= LastHolder);
}

// The face card number `card` (1..16) shows: cards n and n + 8 pair up.
constexpr int FaceHolder(int card) {
    return CardBack + 1 + (card - 1) % 8;
}

// The client area below the menu bar, and cell k's top-left corner in it:
// four cells to a row from the top left, a pitch apart, a margin in from the
// edges. A cell that shows no picture yet is a pixel wider and taller than
// the pitch.
inline constexpr int ClientWidth = 339;
inline constexpr int ClientHeight = 352;
inline constexpr int PitchX = 80;
inline constexpr int PitchY = 72;
inline constexpr int Margin = 8;
inline constexpr int EmptyCellWidth = PitchX + 1;
inline constexpr int EmptyCellHeight = PitchY + 1;

constexpr int CellLeft(int k) {
    return Margin + PitchX * ((k - 1) % 4);
}
constexpr int CellTop(int k) {
    return Margin + PitchY * ((k - 1) / 4);
}

} // namespace facts
