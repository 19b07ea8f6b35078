// The card back and the eight pair faces.
#include "picture_support.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <ostream>
#include <string>

using namespace picture_test;

namespace {

const QRect kInside(2, 2, 76, 67); // within the frame, which is inset by one pixel

class CardPicture : public testing::TestWithParam<int> {};

TEST_P(CardPicture, HasAGreyEdgeThenABlackFrame) {
    const QImage& card = PictureOf(GetParam());
    ForEachPixel(card, {}, [&](int x, int y, QRgb c) {
        const int ring = std::min({x, y, card.width() - 1 - x, card.height() - 1 - y});
        if (ring < 2) {
            ASSERT_EQ(ColourName(c), ColourName(ring == 0 ? kLightGrey : kBlack))
                << "ring " << ring << " at " << x << "," << y;
        }
    });
}

INSTANTIATE_TEST_SUITE_P(BackAndFaces, CardPicture, testing::Range(49, 58), HolderName);

TEST(Cards, BackIsPlainInsideTheFrame) {
    EXPECT_EQ(ColoursIn(PictureOf(49), kInside), Colours{kLightGrey});
}

TEST(Cards, FacesAllDiffer) {
    for (int a = 50; a <= 57; ++a) {
        for (int b = a + 1; b <= 57; ++b) {
            EXPECT_TRUE(PictureOf(a) != PictureOf(b)) << "faces " << a << " and " << b;
        }
    }
}

struct Face {
    int holder;
    QSize figure;
    Colours colours; // all but the grey background
    bool outlined;
};

void PrintTo(const Face& face, std::ostream* os) {
    *os << "holder " << face.holder;
}

class PairFace : public testing::TestWithParam<Face> {};

TEST_P(PairFace, ShowsItsFigureCentredInTheFrame) {
    const Face& face = GetParam();
    const QImage& card = PictureOf(face.holder);
    const QRect figure = BoundsOf(
        card, [](QRgb c) { return c != kLightGrey; }, kInside);
    EXPECT_EQ(figure.size(), face.figure);
    const QPointF offCentre = QRectF(figure).center() - QRectF(kInside).center();
    EXPECT_LE(std::abs(offCentre.x()), 1.0);
    EXPECT_LE(std::abs(offCentre.y()), 1.0);

    Colours used = ColoursIn(card, kInside);
    used.erase(kLightGrey);
    EXPECT_EQ(used, face.colours);
    // An outline never lets a fill colour meet the grey directly.
    for (QRgb fill : face.colours) {
        if (face.outlined && fill != kBlack) {
            EXPECT_FALSE(Touches(card, fill, kLightGrey, kInside)) << ColourName(fill);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Faces, PairFace,
                         testing::Values(Face{50, {55, 46}, {kRed}, false},
                                         Face{51, {49, 35}, {kBlue}, false},
                                         Face{52, {45, 45}, {kOrange, kBlack}, true},
                                         Face{53, {67, 57}, {kRed, kBlue, kBlack}, true},
                                         Face{54, {44, 37}, {kMagenta, kBlack}, true},
                                         Face{55, {62, 60}, {kBlue, kGreen, kRed, kBlack}, true},
                                         Face{56, {68, 61}, {kCrimson, kBlack}, true},
                                         Face{57, {58, 51}, {kAzure}, false}),
                         [](const testing::TestParamInfo<Face>& info) {
                             return "holder" + std::to_string(info.param.holder);
                         });

} // namespace
