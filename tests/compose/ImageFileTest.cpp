#include "compose/ImageFile.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <cmath>
#include <fstream>
#include <optional>

#include "common/TempDir.h"
#include "compose/DivBitmap.h"

namespace hfp {
namespace {

// Like a map: flat areas, lines and text, over blocks and bands, an odd width for BMP's rows.
void DrawMap(CDivBitmap& map) {
    const qreal w = map.width(), h = map.height();
    map.FillRectangle(QBrush(QColor(190, 210, 255)), QRectF(20, 20, w / 3, h / 3));
    map.DrawLine(QPen(QColor(100, 100, 100), 5), QPointF(0, h * 0.9), QPointF(w, h * 0.1));
    map.DrawEllipse(QPen(QColor(200, 160, 60), 2), QRectF(w / 2, h / 2, w / 3, h / 4));
    QFont font;
    font.setPixelSize(24);
    map.DrawString("Mt. Fuji", font, QRectF(w / 2, 10, 140, 40), QTextOption(Qt::AlignCenter),
                   QBrush(Qt::black));
}

QImage Decoded(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    return QImageReader(&buffer).read().convertToFormat(QImage::Format_RGB32);
}

double MeanGreyDifference(const QImage& a, const QImage& b) {
    double difference = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            difference += std::abs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y)));
    return difference / (a.width() * a.height());
}

TEST(ImageFile, StreamedFormatsDecodeToTheWholeImageEncodersPixels) {
    test::TempDir dir;
    CDivBitmap map;
    ASSERT_TRUE(map.Create(301, 603, 128));
    DrawMap(map);
    QImage whole(map.width(), map.height(), QImage::Format_RGB32);
    map.BlitInto(whole, 0, 0);
    // Each streamed file against what Qt's encoder makes of the whole image; GIF (not a Qt
    // encoder) against the image, within its palette's reach.
    for (auto [name, format, tolerance] :
         std::vector<std::tuple<const char*, const char*, double>>{{"map.bmp", "bmp", 0},
                                                                   {"map.PNG", "png", 0},
                                                                   {"map.tif", "tiff", 0},
                                                                   {"map.JPEG", "jpeg", 0},
                                                                   {"map.gif", "", 8}}) {
        std::string error;
        ASSERT_TRUE(WriteImageFile(map, dir / name, &error)) << name << ": " << error;
        const QImage streamed = Decoded(QByteArray::fromStdString(test::ReadFile(dir / name)));
        ASSERT_EQ(streamed.size(), whole.size()) << name;
        QImage expected = whole;
        if (*format) {
            QBuffer buffer;
            buffer.open(QIODevice::WriteOnly);
            ASSERT_TRUE(QImageWriter(&buffer, format).write(whole));
            expected = Decoded(buffer.data());
        }
        if (tolerance == 0)
            EXPECT_EQ(streamed, expected) << name;
        else
            EXPECT_LE(MeanGreyDifference(streamed, expected), tolerance) << name;
    }
}

TEST(ImageFile, FailedEncodingKeepsTheOldFileAndLeavesNothingElse) {
    test::TempDir dir;
    CDivBitmap tooWide;  // past JPEG's and GIF's largest width, found once encoding has begun
    ASSERT_TRUE(tooWide.Create(65536, 2, 0));
    for (const char* name : {"old.jpg", "old.gif", "old.png.txt"}) {
        test::WriteFile(dir / name, "previous export");
        std::string error;
        EXPECT_FALSE(WriteImageFile(tooWide, dir / name, &error)) << name;
        EXPECT_FALSE(error.empty()) << name;
        EXPECT_EQ(test::ReadFile(dir / name), "previous export") << name;
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3);
}

// Makes a map, then limits the address space to what it uses now and half the map more, and
// writes it as PNG. 0 when written.
int WriteUnderLimit(const std::filesystem::path& file, int width, int height) {
    CDivBitmap map;
    if (!map.Create(width, height, CDivBitmap::kDefaultBlockSize)) return 2;
    DrawMap(map);
    std::ifstream status("/proc/self/statm");
    std::size_t pages = 0;
    status >> pages;
    const rlim_t limit = pages * 4096 + static_cast<rlim_t>(width) * height * 2;
    const rlimit rl{limit, limit};
    if (setrlimit(RLIMIT_AS, &rl) != 0) return 3;
    return WriteImageFile(map, file) ? 0 : 1;
}

// The PNG of a map twice as large as the memory left beside the map: a whole-image copy
// before encoding could not be made. Address-space limits do not mix with the sanitizers'
// reservations, so this runs in the plain build only.
TEST(ImageFile, PngLargerThanTheMemoryBesideTheMapIsWritten) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "address-space limit under a sanitizer";
#endif
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The death test's child runs this test again from the start: it writes where its parent
    // says, and the parent reads it there.
    constexpr const char* kFileVariable = "HFP_TEST_LARGE_PNG";
    std::optional<test::TempDir> dir;
    std::filesystem::path file;
    if (const char* given = std::getenv(kFileVariable)) {
        file = given;
    } else {
        file = dir.emplace() / "large.png";
        ::setenv(kFileVariable, file.c_str(), 1);
    }
    constexpr int kWidth = 8000, kHeight = 3000;  // 96 MB of pixels
    EXPECT_EXIT(std::_Exit(WriteUnderLimit(file, kWidth, kHeight)), ::testing::ExitedWithCode(0),
                "");
    ::unsetenv(kFileVariable);
    QImageReader reader(QString::fromStdString(file.string()));
    EXPECT_EQ(reader.size(), QSize(kWidth, kHeight));
    // The last rows, which a copy of the whole image would not have reached.
    reader.setClipRect(QRect(0, kHeight - 300, kWidth, 300));
    EXPECT_EQ(reader.read().pixel(2, 0), qRgb(100, 100, 100));  // the line drawn across
}

}  // namespace
}  // namespace hfp
