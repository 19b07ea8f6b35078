// Writes the game's icon, as the window shows it, at one size for the
// desktop's icon theme.
//   make_icon OUTPUT.png SIZE
#include "game_icon.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_icon OUTPUT.png SIZE\n");
        return 2;
    }
    const int size = std::atoi(argv[2]);
    if (size < 16 || size > 1024) {
        std::fprintf(stderr, "make_icon: size %s is out of range\n", argv[2]);
        return 2;
    }
    if (!pictures::DrawGameIcon(size).save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "make_icon: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
