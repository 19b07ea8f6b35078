// Draws the game's built-in pictures and a contact sheet of them.
//
//   draw_pictures <pictures-dir> <docs-dir>
//
// Writes image01.png ... image57.png (one per holder that has a picture) into
// <pictures-dir> and contact-sheet.png into <docs-dir>. The output depends on
// nothing but this program and the DejaVu Sans Bold file, so a second run
// gives the same bytes.

#include "artwork.h"
#include "glyphs.h"

#include <QDir>
#include <QGuiApplication>
#include <cstdio>
#include <initializer_list>
#include <vector>

namespace {

bool Save(const QImage& image, const QString& path) {
    if (image.format() != QImage::Format_RGB888 || !image.save(path, "PNG")) {
        std::fprintf(stderr, "draw_pictures: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    // Nothing is shown; the offscreen platform only lends the font machinery.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: draw_pictures <pictures-dir> <docs-dir>\n");
        return 2;
    }
    const QDir pictures(QString::fromLocal8Bit(argv[1]));
    const QDir docs(QString::fromLocal8Bit(argv[2]));
    if (!QDir().mkpath(pictures.path()) || !QDir().mkpath(docs.path())) {
        std::fprintf(stderr, "draw_pictures: cannot create the output folders\n");
        return 1;
    }
    draw::LoadTypeface();

    const std::vector<draw::Picture> digits = draw::DigitTiles();
    const std::vector<draw::Picture> pieces = draw::PicturePieces();
    const std::vector<draw::Picture> cards = draw::Cards();
    bool ok = true;
    for (const auto* group : {&digits, &pieces, &cards}) {
        for (const draw::Picture& p : *group) {
            const QString name = QStringLiteral("image%1.png").arg(p.holder, 2, 10, QChar('0'));
            ok = Save(p.image, pictures.filePath(name)) && ok;
        }
    }
    ok = Save(draw::ContactSheet(digits, pieces, cards), docs.filePath("contact-sheet.png")) && ok;
    return ok ? 0 : 1;
}
