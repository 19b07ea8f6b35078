// Shared by the picture tests: the holders, their sizes and colours, and a few
// pixel queries.
#pragma once

#include "board_facts.h"

#include <QImage>
#include <QPainter>
#include <functional>
#include <gtest/gtest.h>
#include <holder_table.h>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace picture_test {

enum Colour : QRgb {
    kLightGrey = 0xFFC0C0C0,
    kRed = 0xFFFF0000,
    kBlue = 0xFF0000FF,
    kBlack = 0xFF000000,
    kDarkGrey = 0xFF808080,
    kWhite = 0xFFFFFFFF,
    kMagenta = 0xFFFF00FF,
    kOrange = 0xFFFF8040,
    kGreen = 0xFF008000,
    kCrimson = 0xFFFF0080,
    kAzure = 0xFF0080FF,
    kOlive = 0xFF808000,
    kYellow = 0xFFFFFF00,
};
using Colours = std::set<QRgb>;
inline const Colours kPalette = {kLightGrey, kRed,   kBlue,    kBlack, kDarkGrey, kWhite, kMagenta,
                                 kOrange,    kGreen, kCrimson, kAzure, kOlive,    kYellow};

inline std::vector<int> AllHolders() {
    std::vector<int> all;
    for (int h = 1; h <= facts::LastHolder; ++h) {
        if (facts::HoldsPicture(h)) {
            all.push_back(h);
        }
    }
    return all;
}

inline QSize ExpectedSize(int holder) {
    static const std::map<int, QSize> sizes = {
        {1, {87, 78}},  {2, {91, 78}},  {3, {88, 76}},  {4, {91, 76}},  {5, {95, 78}},
        {6, {87, 79}},  {7, {83, 80}},  {8, {85, 82}},  {9, {82, 81}},  {10, {89, 79}},
        {11, {87, 78}}, {12, {82, 79}}, {13, {81, 78}}, {14, {85, 78}}, {15, {85, 78}},
        {16, {83, 73}}, {33, {80, 65}}, {34, {82, 66}}, {35, {80, 73}}, {36, {83, 75}},
        {37, {79, 79}}, {38, {86, 82}}, {39, {81, 83}}, {40, {83, 78}}, {41, {75, 90}},
        {42, {80, 90}}, {43, {88, 91}}, {44, {82, 87}}, {45, {75, 78}}, {46, {85, 79}},
        {47, {86, 84}}, {48, {81, 86}}};
    return holder >= facts::CardBack ? QSize(80, 71) : sizes.at(holder); // cards share one size
}

// The picture from the holder table; fails the test when there is none.
inline const QImage& PictureOf(int holder) {
    static const QImage none;
    const QImage* picture = pictures::HolderPicture(holder);
    EXPECT_NE(picture, nullptr) << "holder " << holder;
    return picture ? *picture : none;
}

// Calls `visit(x, y, colour)` for every pixel of `area` (all of `image` if null).
inline void ForEachPixel(const QImage& image, QRect area,
                         const std::function<void(int, int, QRgb)>& visit) {
    area = area.isNull() ? image.rect() : area;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            visit(x, y, image.pixel(x, y));
        }
    }
}

inline QRect BoundsOf(const QImage& image, const std::function<bool(QRgb)>& keep, QRect area = {}) {
    QRect bounds;
    ForEachPixel(image, area, [&](int x, int y, QRgb c) {
        bounds = keep(c) ? bounds.united(QRect(x, y, 1, 1)) : bounds;
    });
    return bounds;
}

inline Colours ColoursIn(const QImage& image, QRect area = {}) {
    Colours found;
    ForEachPixel(image, area, [&](int, int, QRgb c) { found.insert(c); });
    return found;
}

// Whether a pixel of `colour` in `area` has a 4-neighbour of `neighbour` there.
inline bool Touches(const QImage& image, QRgb colour, QRgb neighbour, QRect area = {}) {
    area = area.isNull() ? image.rect() : area;
    const auto is = [&](int x, int y) {
        return area.contains(x, y) && image.pixel(x, y) == neighbour;
    };
    bool touches = false;
    ForEachPixel(image, area, [&](int x, int y, QRgb c) {
        touches |= c == colour && (is(x - 1, y) || is(x + 1, y) || is(x, y - 1) || is(x, y + 1));
    });
    return touches;
}

// The picture of piece n (1..16).
inline const QImage& PieceOf(int piece) {
    return PictureOf(facts::FirstPiece - 1 + piece);
}

// Where piece n lies on the solved board, measured from cell 1's corner.
inline QRect PieceOnBoard(int piece) {
    return {QPoint(facts::CellLeft(piece) - facts::Margin, facts::CellTop(piece) - facts::Margin),
            ExpectedSize(facts::FirstPiece - 1 + piece)};
}

// The sixteen pieces laid out solved, lower numbers on top where they overlap.
inline QImage SolvedPieces() {
    QImage board(400, 400, QImage::Format_ARGB32);
    board.fill(Qt::transparent);
    QPainter painter(&board);
    for (int piece = 16; piece >= 1; --piece) {
        painter.drawImage(PieceOnBoard(piece).topLeft(), PieceOf(piece));
    }
    return board;
}

inline std::string ColourName(QRgb colour) {
    return QString::number(colour & 0xFFFFFF, 16).rightJustified(6, '0').toUpper().toStdString();
}

inline std::string HolderName(const testing::TestParamInfo<int>& info) {
    return "holder" + std::to_string(info.param);
}

} // namespace picture_test
