#pragma once

#include <QImage>
#include <QString>

namespace pictures {

// The picture that holder `holder` holds: 1..16 digit tiles, 33..48 picture pieces,
// 49 card back, 50..57 pair faces. Any other number gives nullptr.
const QImage* HolderPicture(int holder);

// What that picture shows, in the words a screen reader says for a cell
// showing it: a tile by its number in either style, the blank, the card back
// and each face by its figure. Null for a number without a picture.
QString HolderName(int holder);

} // namespace pictures
