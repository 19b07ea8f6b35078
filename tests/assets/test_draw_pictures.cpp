// The committed pictures are exactly what the drawing program makes now.
#include "picture_support.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <string>
#include <vector>

using namespace picture_test;

namespace {

QByteArray Contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(DrawPictures, ReproducesTheCommittedFilesByteForByte) {
    QTemporaryDir out;
    ASSERT_TRUE(out.isValid());
    const QString pictures = out.filePath("pictures");
    const QString docs = out.filePath("docs");

    QProcess draw;
    draw.start(QStringLiteral(DRAW_PICTURES_EXE), {pictures, docs});
    ASSERT_TRUE(draw.waitForFinished(120000)) << "draw_pictures did not finish";
    ASSERT_EQ(draw.exitStatus(), QProcess::NormalExit);
    ASSERT_EQ(draw.exitCode(), 0) << draw.readAllStandardError().toStdString();

    QStringList expected;
    for (int holder : AllHolders()) {
        expected << QStringLiteral("image%1.png").arg(holder, 2, 10, QChar('0'));
    }
    EXPECT_EQ(QDir(pictures).entryList(QDir::Files, QDir::Name), expected);

    const QDir committed(QStringLiteral(COMMITTED_PICTURES_DIR));
    for (const QString& name : expected) {
        const QByteArray drawn = Contents(QDir(pictures).filePath(name));
        EXPECT_FALSE(drawn.isEmpty()) << name.toStdString();
        EXPECT_TRUE(drawn == Contents(committed.filePath(name)))
            << name.toStdString() << " differs; run the regenerate-pictures target";
    }
    const QString sheet = QStringLiteral("contact-sheet.png");
    EXPECT_TRUE(Contents(QDir(docs).filePath(sheet)) ==
                Contents(QDir(QStringLiteral(COMMITTED_DOCS_DIR)).filePath(sheet)))
        << "docs/contact-sheet.png differs; run the regenerate-pictures target";
}

} // namespace
