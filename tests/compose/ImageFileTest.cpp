#include "compose/ImageFile.h"

#include <gtest/gtest.h>

#include <QImageReader>
#include <QPainter>
#include <cmath>

#include "common/TempDir.h"

namespace hfp {
namespace {

// Something like a composed map: flat areas, thin lines and text.
QImage ComposedImage() {
    QImage image(301, 203, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.fillRect(20, 20, 120, 80, QColor(190, 210, 255));
    p.setPen(QPen(QColor(200, 160, 60), 2));
    p.drawEllipse(QRect(60, 40, 200, 140));
    p.setPen(QPen(QColor(100, 100, 100), 5));
    p.drawLine(0, 150, 300, 60);
    p.setPen(Qt::black);
    p.drawText(QRect(150, 160, 140, 40), Qt::AlignCenter, "Mt. Fuji");
    return image;
}

double MeanDifference(const QImage& a, const QImage& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * a.width() * a.height());
}

TEST(ImageFile, EveryEncoderRoundTrips) {
    test::TempDir dir;
    QImage image = ComposedImage();
    struct Case {
        const char* name;
        const char* readerFormat;
        double tolerance;  // mean difference per channel
    };
    for (const Case& c :
         {Case{"map.bmp", "bmp", 0}, Case{"map.PNG", "png", 0}, Case{"map.tif", "tiff", 0},
          Case{"map.jpg", "jpeg", 4}, Case{"map.gif", "gif", 8}}) {
        std::string error;
        auto file = dir / c.name;
        ASSERT_TRUE(WriteImageFile(image, file, &error)) << c.name << ": " << error;
        QImageReader reader(QString::fromStdString(file.string()));
        EXPECT_EQ(reader.format().toStdString(), c.readerFormat) << c.name;
        QImage back = reader.read().convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(back.size(), image.size()) << c.name;
        if (c.tolerance == 0) {
            EXPECT_EQ(back, image) << c.name;
        } else {
            EXPECT_LE(MeanDifference(back, image), c.tolerance) << c.name;
        }
    }
}

TEST(ImageFile, NamesWithoutAnEncoderAndFailedWrites) {
    EXPECT_EQ(ImageFormatForFileName("MAP.JPEG"), ImageFileFormat::Jpeg);
    EXPECT_EQ(ImageFormatForFileName("map.png.txt"), ImageFileFormat::None);

    test::TempDir dir;
    QImage image = ComposedImage();
    std::string error;
    EXPECT_FALSE(WriteImageFile(image, dir / "map", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(std::filesystem::exists(dir / "map"));

    // A failed write leaves the file that was there.
    test::WriteFile(dir / "old.png", "previous export");
    EXPECT_FALSE(WriteImageFile(QImage(), dir / "old.png", &error));
    EXPECT_EQ(test::ReadFile(dir / "old.png"), "previous export");
    EXPECT_FALSE(WriteImageFile(image, dir / "missing" / "map.png", &error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace hfp
