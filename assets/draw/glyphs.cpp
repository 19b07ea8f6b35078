#include "glyphs.h"

#include <QRawFont>
#include <algorithm>

namespace draw {

namespace {

// fonts-dejavu-core puts it here on Debian.
constexpr char kTypefaceFile[] = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

// Outlines are taken at this size and scaled, so hinting never bends them.
constexpr qreal kDesignSize = 200;

QRawFont& Typeface() {
    static QRawFont font;
    return font;
}

} // namespace

void LoadTypeface() {
    Typeface().loadFromFile(QString::fromLatin1(kTypefaceFile), kDesignSize,
                            QFont::PreferNoHinting);
    if (!Typeface().isValid()) {
        qFatal("cannot load %s", kTypefaceFile);
    }
}

std::vector<QPainterPath> LetterPaths(const QString& text, qreal pixelSize) {
    const QRawFont& font = Typeface();
    const QList<quint32> glyphs = font.glyphIndexesForString(text);
    const QList<QPointF> advances = font.advancesForGlyphIndexes(glyphs);
    QTransform scale;
    scale.scale(pixelSize / kDesignSize, pixelSize / kDesignSize);
    std::vector<QPainterPath> letters;
    QPointF pen(0, 0);
    for (qsizetype i = 0; i < glyphs.size(); ++i) {
        if (glyphs[i] == 0) {
            qFatal("the typeface has no glyph for part of \"%s\"", qPrintable(text));
        }
        QPainterPath letter = scale.map(font.pathForGlyph(glyphs[i]).translated(pen));
        letter.setFillRule(Qt::WindingFill);
        letters.push_back(letter);
        pen += advances[i];
    }
    return letters;
}

QPainterPath TextPath(const QString& text, qreal pixelSize) {
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    for (const QPainterPath& letter : LetterPaths(text, pixelSize)) {
        path.addPath(letter);
    }
    return path;
}

} // namespace draw
