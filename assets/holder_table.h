#pragma once

#include <QImage>

namespace pictures {

// The picture that holder `holder` holds: 1..16 digit tiles, 33..48 picture pieces,
// 49 card back, 50..57 pair faces. Any other number gives nullptr.
const QImage* HolderPicture(int holder);

} // namespace pictures
