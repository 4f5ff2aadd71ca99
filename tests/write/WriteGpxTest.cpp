#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QXmlStreamReader>

#include "WriteTestUtil.h"
#include "common/TempDir.h"
#include "platform/Progress.h"
#include "write/Write.h"
#include "write/WriteGpx.h"

namespace hfp::test {
namespace {

namespace fs = std::filesystem;

const std::string kHead = "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\" version=\"1.1\">";
const std::string kGoodTrack =
    "<trk><trkseg><trkpt lat=\"35.36\" lon=\"138.72\"/>"
    "<trkpt lat=\"35.37\" lon=\"138.73\"/></trkseg></trk>";

std::string Read(const fs::path& file, GpxImport* read) {
    ProgressControl progress;
    return ReadGpxFile(file, progress, read);
}

const CWriteObjectLine& LineOf(const GpxImport& read, std::size_t i) {
    return dynamic_cast<const CWriteObjectLine&>(*read.objects.at(i));
}

// A GPS unit's file: its own namespaces, extensions (one holding a point of another
// namespace), times and elevations, two segments and an empty one.
TEST(WriteGpx, GpsUnitFileKeepsItsSegmentsAndWaypointsOnly) {
    TempDir dir;
    WriteFile(dir / "unit.gpx", R"(<?xml version="1.0" encoding="UTF-8" standalone="no" ?>
<gpx xmlns="http://www.topografix.com/GPX/1/1" xmlns:gpxtpx="http://www.garmin.com/xmlschemas/TrackPointExtension/v1" creator="eTrex 30x" version="1.1">
 <metadata><name>Fuji &amp; back</name><time>2024-05-03T05:12:41Z</time></metadata>
 <wpt lat="35.3606" lon="138.7274"><ele>3776.0</ele><name>Summit</name><sym>Flag</sym></wpt>
 <trk><name>Day 1</name><extensions><gpxtpx:trkpt lat="36" lon="139"/></extensions>
  <trkseg><trkpt lat="35.3363" lon="138.7325"><ele>2305.1</ele><time>2024-05-03T00:00:00Z</time>
   <extensions><gpxtpx:TrackPointExtension><gpxtpx:hr>120</gpxtpx:hr></gpxtpx:TrackPointExtension></extensions></trkpt>
   <trkpt lat="35.34" lon="138.731"/></trkseg>
  <trkseg/>
  <trkseg><trkpt lat="35.355" lon="138.729"/><trkpt lat="35.3606" lon="138.7274"/></trkseg>
 </trk></gpx>)");
    GpxImport read;
    ASSERT_EQ(Read(dir / "unit.gpx", &read), "");
    EXPECT_EQ(read.name, "Fuji & back");
    EXPECT_EQ(read.shortSegments, 1);
    ASSERT_EQ(read.objects.size(), 3u);
    const auto& summit = dynamic_cast<const CWriteObjectString&>(*read.objects[0]);
    EXPECT_EQ(summit.m_strText, "Summit");
    EXPECT_EQ(summit.m_rcShape, (WriteShape{49941564, 12729516, 49942164, 12730116}));
    // The later segment is drawn over the earlier one.
    EXPECT_EQ(LineOf(read, 1).m_aPoints,
              (std::vector<WritePoint>{{49942440, 12727800}, {49941864, 12729816}}));
    EXPECT_EQ(LineOf(read, 2).m_aPoints,
              (std::vector<WritePoint>{{49943700, 12721068}, {49943160, 12722400}}));

    // GPX 1.0 lets other namespaces' elements stand anywhere.
    WriteFile(dir / "old.gpx",
              "<gpx xmlns=\"http://www.topografix.com/GPX/1/0\" xmlns:x=\"x\">"
              "<name>Old</name><rte><rtept lat=\"35\" lon=\"138\"/><x:rtept "
              "lat=\"36\" lon=\"139\"/><rtept lat=\"35.1\" lon=\"138\"/></rte></gpx>");
    ASSERT_EQ(Read(dir / "old.gpx", &read), "");
    EXPECT_EQ(read.name, "Old");
    ASSERT_EQ(read.objects.size(), 1u);
    EXPECT_EQ(LineOf(read, 0).m_aPoints.size(), 2u);
}

TEST(WriteGpx, WrittenFileIsGpx11AndReadsBackToTheSameGeoUnits) {
    TempDir dir;
    auto objects = OneOfEach();  // line, rectangle, ellipse, string, picture
    auto& text = dynamic_cast<CWriteObjectString&>(*objects[3]);
    text.m_strText += "\x01 <&>";
    // Consecutive units: about half of them lie just below their 7-decimal text.
    auto& line = dynamic_cast<CWriteObjectLine&>(*objects[0]);
    for (int32_t k = 0; k < 12; ++k)
        line.m_aPoints.push_back(WritePoint{49943139 + k, 12730626 + k});
    WriteFile(dir / "out.gpx", "old");
    ProgressControl aborted;
    aborted.Abort();
    int leftOut = 0;
    EXPECT_EQ(ExportGpxFile("Hut", objects, dir / "out.gpx", aborted, &leftOut),
              "Aborted to export.");
    EXPECT_EQ(ReadFile(dir / "out.gpx"), "old");
    ProgressControl progress;
    ASSERT_EQ(ExportGpxFile("Hut <1>", objects, dir / "out.gpx", progress, &leftOut), "");
    EXPECT_EQ(leftOut, 3);

    // GPX 1.1's order (metadata, waypoints, tracks) and 7 decimals in every coordinate.
    const QString written = QString::fromStdString(ReadFile(dir / "out.gpx"));
    EXPECT_EQ(written.count(QRegularExpression("(lat|lon)=\"-?[0-9]+\\.[0-9]{7}\"")),
              written.count(QRegularExpression("(lat|lon)=")));
    QXmlStreamReader xml(written);
    QStringList order;
    while (!xml.atEnd())
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() != u"trkpt" &&
            xml.name() != u"name")
            order << xml.name().toString();
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(order.join(","), "gpx,metadata,wpt,trk,trkseg");
    EXPECT_TRUE(written.contains("<gpx version=\"1.1\"") &&
                written.contains("xmlns=\"http://www.topografix.com/GPX/1/1\""));

    GpxImport read;
    ASSERT_EQ(Read(dir / "out.gpx", &read), "");
    EXPECT_EQ(read.name, "Hut <1>");
    ASSERT_EQ(read.objects.size(), 2u);
    const auto& back = dynamic_cast<const CWriteObjectString&>(*read.objects[0]);
    EXPECT_EQ(back.m_strText, "山小屋, \"hut\"\r\nline two <&>");
    EXPECT_EQ(back.m_rcShape.x1 + back.m_rcShape.x2, text.m_rcShape.x1 + text.m_rcShape.x2);
    EXPECT_EQ(back.m_rcShape.y1 + back.m_rcShape.y2, text.m_rcShape.y1 + text.m_rcShape.y2);
    EXPECT_EQ(LineOf(read, 1).m_aPoints, line.m_aPoints);
}

TEST(WriteGpx, HostileFilesAreRefusedWholeWithTheirReason) {
    TempDir dir;
    std::string laughs = "<!DOCTYPE gpx [<!ENTITY a \"aaaaaaaaaaaaaaaa\">";
    for (char c = 'b'; c <= 'k'; ++c) {  // each entity sixteen of the one before
        laughs += std::string("<!ENTITY ") + c + " \"";
        for (int i = 0; i < 16; ++i)
            laughs += std::string("&") + char(c - 1) + ";";
        laughs += "\">";
    }
    struct Case {
        std::string file;
        const char* says;
        std::uintmax_t size = 0;  // made this large, sparse
    };
    const std::vector<Case> cases = {
        {laughs + "]>" + kHead + kGoodTrack +
             "<wpt lat=\"35\" lon=\"138\"><name>&k;</name></wpt></gpx>",
         "a document type declaration (DTD) is not allowed"},
        {kHead + kGoodTrack +
             "<wpt lat=\"21.3\" lon=\"-157.8\"/><rte><rtept lat=\"50.01\" "
             "lon=\"140\"/><rtept lat=\"35\" lon=\"138\"/></rte></gpx>",
         "22.5° to 50° N): 2. Nothing was imported."},
        {kHead + kGoodTrack + "<trk><trkseg><trkpt lat=\"x\" lon=\"138\"/></trkseg></trk></gpx>",
         "<trkpt> has no valid lat and lon"},
        {kHead + kGoodTrack + "<extensions>" + QString("<a>").repeated(100000).toStdString(),
         "nested too deeply"},
        {kHead + kGoodTrack, "Premature end of document."},
        {"<kml>" + kGoodTrack + "</kml>", "not GPX: its root element is <kml>"},
        {kHead, "larger than 256 MiB", std::uintmax_t{1} << 30},
    };
    for (const Case& c : cases) {
        const fs::path file = dir / "hostile.gpx";
        WriteFile(file, c.file);
        if (c.size) fs::resize_file(file, c.size);
        GpxImport read;
        const std::string error = Read(file, &read);
        EXPECT_NE(error.find(c.says), std::string::npos) << error;
        EXPECT_TRUE(read.objects.empty()) << c.says;
    }
}

TEST(WriteGpx, LongTrackBecomesLinesThatGoOnFromEachOther) {
    TempDir dir;
    std::string file = kHead + "<trk><trkseg>";
    for (int i = 0; i < 200000; ++i)
        file += "<trkpt lat=\"" + std::to_string(30 + i * 1e-5) + "\" lon=\"138\"/>";
    WriteFile(dir / "long.gpx", file + "</trkseg></trk></gpx>");
    GpxImport read;
    ASSERT_EQ(Read(dir / "long.gpx", &read), "");
    EXPECT_EQ(read.splitSegments, 1);
    std::vector<WritePoint> joined;
    // The frontmost line is the track's end.
    for (std::size_t i = read.objects.size(); i-- > 0;) {
        const auto& points = LineOf(read, i).m_aPoints;
        std::vector<std::string> records;
        std::string reason;  // one record of the exchange file each
        EXPECT_TRUE(LineOf(read, i).ExportCsvLines(&records, &reason) && records.size() == 1);
        if (!joined.empty()) {
            EXPECT_EQ(points.front(), joined.back());
            joined.pop_back();
        }
        joined.insert(joined.end(), points.begin(), points.end());
    }
    ASSERT_EQ(joined.size(), 200000u);
    EXPECT_EQ(joined.front().y, 30 * kGeoUnitsPerDegree);
    EXPECT_EQ(joined.back().y, 11519996);  // 31.99999°
}

TEST(WriteGpx, HfpImportChangesNothingOnAFileItRefuses) {
    TempDir data, dir, runtime;
    const std::vector<std::string> env = {"HFP_DATA_DIR=" + data.path().string(),
                                          "XDG_RUNTIME_DIR=" + runtime.path().string()};
    WriteFile(dir / "far.gpx", kHead + kGoodTrack + "<wpt lat=\"10\" lon=\"138\"/></gpx>");
    ProcessResult r =
        RunProcess(BuiltProgram("hfp"), {"write", "import-gpx", (dir / "far.gpx").string()}, env);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Nothing was imported."), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(data / "write.dat"));
    WriteFile(dir / "walk.gpx", kHead + kGoodTrack + "</gpx>");
    r = RunProcess(BuiltProgram("hfp"), {"write", "import-gpx", (dir / "walk.gpx").string()}, env);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    r = RunProcess(BuiltProgram("hfp"), {"write", "export-gpx", "walk", (dir / "out.gpx").string()},
                   env);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(ReadFile(dir / "out.gpx").find("<trkpt lat=\"35.3700000\" lon=\"138.7300000\"/>"),
              std::string::npos);
}

}  // namespace
}  // namespace hfp::test
