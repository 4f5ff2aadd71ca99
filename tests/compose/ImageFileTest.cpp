#include "compose/ImageFile.h"

#include <gtest/gtest.h>

#include <QImageReader>
#include <QPainter>
#include <cmath>

#include "common/TempDir.h"

namespace hfp {
namespace {

TEST(ImageFile, EveryEncoderRoundTripsAndFailuresKeepTheOldFile) {
    test::TempDir dir;
    QImage image(301, 203, QImage::Format_RGB32);  // like a map: flat areas, lines, text
    image.fill(Qt::white);
    QPainter p(&image);
    p.fillRect(20, 20, 120, 80, QColor(190, 210, 255));
    p.setPen(QPen(QColor(100, 100, 100), 5));
    p.drawLine(0, 150, 300, 60);
    p.drawText(QRect(150, 160, 140, 40), Qt::AlignCenter, "Mt. Fuji");
    p.end();
    for (auto [name, format, tolerance] :
         std::vector<std::tuple<const char*, const char*, int>>{{"map.bmp", "bmp", 0},
                                                                {"map.PNG", "png", 0},
                                                                {"map.tif", "tiff", 0},
                                                                {"map.JPEG", "jpeg", 4},
                                                                {"map.gif", "gif", 8}}) {
        std::string error;
        ASSERT_TRUE(WriteImageFile(image, dir / name, &error)) << name << ": " << error;
        QImageReader reader(QString::fromStdString((dir / name).string()));
        EXPECT_EQ(reader.format().toStdString(), format);
        const QImage back = reader.read().convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(back.size(), image.size()) << name;
        double difference = 0;  // mean per pixel, in grey levels
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                difference += std::abs(qGray(back.pixel(x, y)) - qGray(image.pixel(x, y)));
        EXPECT_LE(difference / (image.width() * image.height()), tolerance) << name;
    }
    std::string error;
    EXPECT_FALSE(WriteImageFile(image, dir / "map.png.txt", &error));  // no encoder
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(std::filesystem::exists(dir / "map.png.txt"));
    test::WriteFile(dir / "old.png", "previous export");
    EXPECT_FALSE(WriteImageFile(QImage(), dir / "old.png", &error));
    EXPECT_EQ(test::ReadFile(dir / "old.png"), "previous export");
}

}  // namespace
}  // namespace hfp
