#pragma once

#include <QImage>
#include <QString>

namespace pictures {

// The picture that holder `holder` holds (holders.h numbers them). Any
// other number gives nullptr.
const QImage* HolderPicture(int holder);

// What that picture shows, in the words a screen reader says for a cell
// showing it: a tile by its number in either style, the blank, the card back
// and each face by its figure. Null for a number without a picture.
QString HolderName(int holder);

} // namespace pictures
