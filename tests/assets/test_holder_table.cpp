// What every picture from the holder table has in common.
#include "holder_table.h"
#include "holders.h"
#include "picture_support.h"

#include <QFile>
#include <QSet>
#include <algorithm>
#include <climits>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

using namespace picture_test;

namespace {

class EveryPicture : public testing::TestWithParam<int> {};

TEST_P(EveryPicture, HasItsSizeAndOnlyPaletteColours) {
    const QImage& image = PictureOf(GetParam());
    EXPECT_EQ(image.size(), ExpectedSize(GetParam()));
    for (QRgb colour : ColoursIn(image)) {
        EXPECT_TRUE(kPalette.contains(colour)) << "stray colour " << ColourName(colour);
    }
}

// The embedded file must be 8-bit RGB: a file with alpha or a palette would
// be drawn differently by the game.
TEST_P(EveryPicture, IsStoredAsOpaqueTwentyFourBitPng) {
    QFile file(QStringLiteral(":/pictures/image%1.png").arg(GetParam(), 2, 10, QChar('0')));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray head = file.read(26);
    ASSERT_EQ(head.mid(12, 4), QByteArray("IHDR"));
    EXPECT_EQ(head[24], 8) << "bit depth";
    EXPECT_EQ(head[25], 2) << "colour type (2 is RGB)";
    EXPECT_FALSE(PictureOf(GetParam()).hasAlphaChannel());
}

// Corners are background except where content reaches them: the rule along
// piece 3's top, piece 15's white strip, and the heart covering the middle of
// the board where pieces 6, 7, 10 and 11 meet.
TEST_P(EveryPicture, HasBackgroundCornersUnlessContentReachesThem) {
    enum Corner { kTopLeft, kTopRight, kBottomLeft, kBottomRight };
    const std::map<std::pair<int, int>, QRgb> content = {
        {{35, kTopRight}, kBlack}, {{47, kBottomRight}, kWhite}, {{38, kBottomRight}, kRed},
        {{39, kBottomLeft}, kRed}, {{42, kTopRight}, kRed},      {{43, kTopLeft}, kRed}};
    const QImage& image = PictureOf(GetParam());
    const QRect r = image.rect();
    const QPoint corners[] = {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight()};
    for (int corner = kTopLeft; corner <= kBottomRight; ++corner) {
        const auto it = content.find({GetParam(), corner});
        const QRgb expected = it == content.end() ? kLightGrey : it->second;
        EXPECT_EQ(ColourName(image.pixel(corners[corner])), ColourName(expected))
            << "corner " << corner;
    }
}

INSTANTIATE_TEST_SUITE_P(Holders, EveryPicture, testing::ValuesIn(AllHolders()), HolderName);

TEST(HolderTable, NumbersWithoutAPictureGiveNull) {
    std::vector<int> empty = {0, -1, 58, 100, INT_MIN, INT_MAX};
    for (int h = 17; h <= 32; ++h) {
        empty.push_back(h);
    }
    for (int holder : empty) {
        EXPECT_FALSE(HoldsPicture(holder)) << "holder " << holder;
        EXPECT_EQ(pictures::HolderPicture(holder), nullptr) << "holder " << holder;
        EXPECT_TRUE(pictures::HolderName(holder).isNull()) << "holder " << holder;
    }
}

// A screen reader calls a cell by its picture's name, so every picture has
// one, and those a player must tell apart are named apart: the tiles of one
// style, and the card back and the faces. A tile is called the same in
// either style.
TEST(HolderTable, NamesTellThePicturesApart) {
    for (int holder : AllHolders()) {
        EXPECT_FALSE(pictures::HolderName(holder).isEmpty()) << "holder " << holder;
    }
    QSet<QString> tiles, cards;
    for (int n = 1; n <= 16; ++n) {
        tiles.insert(pictures::HolderName(n));
        EXPECT_EQ(pictures::HolderName(facts::FirstPiece - 1 + n), pictures::HolderName(n))
            << "tile " << n;
    }
    for (int holder = facts::CardBack; holder <= facts::LastHolder; ++holder) {
        cards.insert(pictures::HolderName(holder));
    }
    EXPECT_EQ(tiles.size(), 16);
    EXPECT_EQ(cards.size(), 9);
}

// Callers keep the pointer, so it must stay the same object for the process.
TEST(HolderTable, HandsOutOnePicturePerHolder) {
    for (int holder : AllHolders()) {
        EXPECT_TRUE(HoldsPicture(holder)) << "holder " << holder;
        EXPECT_EQ(pictures::HolderPicture(holder), &PictureOf(holder)) << "holder " << holder;
    }
}

} // namespace
