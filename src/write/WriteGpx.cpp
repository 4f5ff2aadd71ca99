#include "write/WriteGpx.h"

#include <QByteArray>
#include <QString>
#include <QXmlStreamReader>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <system_error>

#include "geo/GeoPoint.h"
#include "platform/AtomicFile.h"
#include "platform/Progress.h"
#include "platform/ReadWholeFile.h"
#include "write/WriteObjectLine.h"
#include "write/WriteObjectString.h"

namespace hfp {

namespace fs = std::filesystem;

namespace {

constexpr const char* kGpx11 = "http://www.topografix.com/GPX/1/1";
constexpr const char* kGpx10 = "http://www.topografix.com/GPX/1/0";
// Elements are nested at most this deep below the ones the reader looks into; Qt's reader
// keeps every open element, so a file of nothing but opening tags must not grow it without end.
constexpr int kMaxSkipDepth = 64;
// How often a long run of points reports its progress and looks at the abort flag.
constexpr int kPointsPerTick = 4096;
constexpr const char* kAbortedImport = "Aborted inport";
constexpr const char* kAbortedExport = "Aborted to export.";
// A written file goes out in pieces of about this size.
constexpr std::size_t kWriteChunk = std::size_t{1} << 20;

// Degrees of a file in geo units, to the nearest unit rather than truncated: the 7 decimals a
// file holds lie within 0.02 units of a whole unit, so a file this program wrote reads back to
// the units it was written from.
int32_t NearestGeoUnit(double degrees) {
    return static_cast<int32_t>(std::lround(degrees * kGeoUnitsPerDegree));
}

// A coordinate attribute in degrees: a decimal number, blanks around it allowed. Read with
// from_chars: Qt's locale-aware toDouble took half the import's time.
bool ParseDegrees(QStringView text, double* degrees) {
    text = text.trimmed();
    if (text.startsWith(u'+')) text = text.mid(1);
    char ascii[64];
    if (text.isEmpty() || text.size() >= static_cast<qsizetype>(sizeof ascii)) return false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].unicode() > 0x7F) return false;
        ascii[i] = static_cast<char>(text[i].unicode());
    }
    const char* end = ascii + text.size();
    const auto [stop, error] = std::from_chars(ascii, end, *degrees);
    return error == std::errc() && stop == end;
}

bool InServiceArea(const WritePoint& p) {
    return p.x >= kServiceWest && p.x <= kServiceEast && p.y >= kServiceSouth &&
           p.y <= kServiceNorth;
}

std::string DegreesText(int32_t geo) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", GeoToDegrees(geo));
    return text;
}

class GpxReader {
  public:
    GpxReader(const std::vector<char>& data, ProgressControl& progress)
        : m_xml(QByteArray::fromRawData(data.data(), static_cast<qsizetype>(data.size()))),
          m_size(std::max<std::size_t>(data.size(), 1)),
          m_progress(progress) {}

    std::string Read(GpxImport* out);

  private:
    // Moves to the next child element of the current one: false at the current one's end,
    // at the end of the document and on an error.
    bool NextChild();
    // Reads to the end of the current element, collecting its text into `text` when given.
    void ReadRest(QString* text);
    bool InGpx() const { return m_xml.namespaceUri() == m_namespace; }
    bool IsGpx(const char16_t* name) const { return InGpx() && m_xml.name() == name; }
    void ReadMetadata();
    void ReadWaypoint();
    // The `point` children of the current element (a route or a track segment) as lines.
    void ReadPointsOf(const char16_t* point);
    bool ReadPoint(WritePoint* p);
    void AddLines(const std::vector<WritePoint>& points);
    void Tick();
    void Fail(const QString& why) { m_xml.raiseError(why); }

    QXmlStreamReader m_xml;
    std::size_t m_size;
    ProgressControl& m_progress;
    QString m_namespace;
    GpxImport m_read;
    std::vector<std::unique_ptr<CWriteObject>> m_waypoints, m_lines;  // in file order
    long long m_outside = 0;
    bool m_aborted = false;
};

bool GpxReader::NextChild() {
    while (!m_xml.atEnd()) {
        switch (m_xml.readNext()) {
            case QXmlStreamReader::StartElement:
                return true;
            case QXmlStreamReader::EndElement:
                return false;
            case QXmlStreamReader::DTD:
                Fail("a document type declaration (DTD) is not allowed in a GPX file");
                return false;
            default:
                break;
        }
    }
    return false;
}

void GpxReader::ReadRest(QString* text) {
    for (int depth = 1; depth > 0 && !m_xml.atEnd();) {
        switch (m_xml.readNext()) {
            case QXmlStreamReader::StartElement:
                if (++depth > kMaxSkipDepth) Fail("elements are nested too deeply");
                break;
            case QXmlStreamReader::EndElement:
                --depth;
                break;
            case QXmlStreamReader::Characters:
                if (text && depth == 1) *text += m_xml.text();
                break;
            default:
                break;
        }
    }
}

void GpxReader::Tick() {
    m_progress.SetPosition(static_cast<int>(static_cast<double>(m_xml.characterOffset()) * 100 /
                                            static_cast<double>(m_size)));
    if (m_progress.aborted() && !m_aborted) {
        m_aborted = true;
        Fail(kAbortedImport);
    }
}

void GpxReader::ReadMetadata() {
    while (NextChild()) {
        if (IsGpx(u"name")) {
            QString name;
            ReadRest(&name);
            m_read.name = name.trimmed().toStdString();
        } else {
            ReadRest(nullptr);
        }
    }
}

bool GpxReader::ReadPoint(WritePoint* p) {
    const QXmlStreamAttributes attributes = m_xml.attributes();
    double lat = 0, lon = 0;
    // The negated tests also refuse NaN.
    if (!ParseDegrees(attributes.value(QLatin1StringView("lat")), &lat) ||
        !ParseDegrees(attributes.value(QLatin1StringView("lon")), &lon) || !(std::abs(lat) <= 90) ||
        !(std::abs(lon) <= 180)) {
        Fail(QString("<%1> has no valid lat and lon").arg(m_xml.name()));
        return false;
    }
    *p = WritePoint{NearestGeoUnit(lon), NearestGeoUnit(lat)};
    if (!InServiceArea(*p)) ++m_outside;
    return true;
}

void GpxReader::ReadWaypoint() {
    WritePoint at;
    if (!ReadPoint(&at)) return;
    QString name;
    while (NextChild()) {
        if (IsGpx(u"name")) {
            name.clear();
            ReadRest(&name);
        } else {
            ReadRest(nullptr);
        }
    }
    auto text = std::make_unique<CWriteObjectString>();
    constexpr int32_t half = kGpxWaypointBox / 2;
    text->m_rcShape = WriteShape{at.x - half, at.y - half, at.x + half, at.y + half};
    text->m_strText = name.trimmed().toStdString();
    text->UpdateBounds();
    m_waypoints.push_back(std::move(text));
}

void GpxReader::ReadPointsOf(const char16_t* point) {
    std::vector<WritePoint> points;
    while (NextChild()) {
        if (IsGpx(point)) {
            WritePoint p;
            if (!ReadPoint(&p)) return;
            points.push_back(p);
            if (points.size() % kPointsPerTick == 0) Tick();
        }
        ReadRest(nullptr);
    }
    AddLines(points);
}

void GpxReader::AddLines(const std::vector<WritePoint>& points) {
    if (points.size() < 2) {
        ++m_read.shortSegments;
        return;
    }
    if (points.size() > kGpxLinePoints) ++m_read.splitSegments;
    for (std::size_t start = 0;;) {
        const std::size_t end = std::min(start + kGpxLinePoints, points.size());
        auto line = std::make_unique<CWriteObjectLine>();
        line->m_aPoints.assign(points.begin() + static_cast<std::ptrdiff_t>(start),
                               points.begin() + static_cast<std::ptrdiff_t>(end));
        line->UpdateBounds();
        m_lines.push_back(std::move(line));
        if (end == points.size()) break;
        start = end - 1;  // the next line goes on from this one's last point
    }
}

std::string GpxReader::Read(GpxImport* out) {
    if (NextChild()) {
        m_namespace = m_xml.namespaceUri().toString();
        if (m_xml.name() != u"gpx")
            Fail(QString("the file is not GPX: its root element is <%1>").arg(m_xml.name()));
        else if (!m_namespace.isEmpty() && m_namespace != QLatin1StringView(kGpx11) &&
                 m_namespace != QLatin1StringView(kGpx10))
            Fail("the file is not GPX 1.1 or 1.0: its namespace is " + m_namespace);
    }
    while (!m_xml.hasError() && NextChild()) {
        Tick();
        if (IsGpx(u"metadata")) {
            ReadMetadata();
        } else if (IsGpx(u"name")) {
            QString name;
            ReadRest(&name);
            m_read.name = name.trimmed().toStdString();
        } else if (IsGpx(u"wpt")) {
            ReadWaypoint();
        } else if (IsGpx(u"rte")) {
            ReadPointsOf(u"rtept");
        } else if (IsGpx(u"trk")) {
            while (NextChild()) {
                if (IsGpx(u"trkseg"))
                    ReadPointsOf(u"trkpt");
                else
                    ReadRest(nullptr);
            }
        } else {
            ReadRest(nullptr);
        }
    }
    // Whatever follows the root element must still be well-formed.
    while (!m_xml.atEnd())
        m_xml.readNext();
    if (m_aborted) return kAbortedImport;
    if (m_xml.hasError()) {
        QString why = m_xml.errorString();
        if (!why.endsWith('.')) why += '.';
        return "GPX file error at line " + std::to_string(m_xml.lineNumber()) + ": " +
               why.toStdString();
    }
    if (m_outside > 0)
        return "Points of the file outside the map's area (longitude " + DegreesText(kServiceWest) +
               "° to " + DegreesText(kServiceEast) + "° E, latitude " + DegreesText(kServiceSouth) +
               "° to " + DegreesText(kServiceNorth) + "° N): " + std::to_string(m_outside) +
               ". Nothing was imported.";
    m_progress.SetPosition(100);
    for (auto it = m_waypoints.rbegin(); it != m_waypoints.rend(); ++it)
        m_read.objects.push_back(std::move(*it));
    for (auto it = m_lines.rbegin(); it != m_lines.rend(); ++it)
        m_read.objects.push_back(std::move(*it));
    *out = std::move(m_read);
    return std::string();
}

// `text` as XML character data or an attribute value: markup characters escaped, a carriage
// return kept as a reference (a reader makes a bare one a line feed), and the characters XML
// cannot carry at all (most control characters) left out.
std::string XmlText(const std::string& text) {
    static const std::map<char32_t, const char*> kEscapes = {
        {'&', "&amp;"}, {'<', "&lt;"}, {'>', "&gt;"}, {'"', "&quot;"}, {'\r', "&#13;"},
    };
    QString out;
    for (const char32_t c : QString::fromStdString(text).toUcs4()) {
        if (const auto escape = kEscapes.find(c); escape != kEscapes.end())
            out += escape->second;
        else if (c == '\t' || c == '\n' || (c >= 0x20 && c <= 0xD7FF) ||
                 (c >= 0xE000 && c <= 0xFFFD) || c >= 0x10000)
            out += QString::fromUcs4(&c, 1);
    }
    return out.toStdString();
}

// Degrees with 7 decimals, to the nearest ten-millionth: in whole numbers, as a geo unit is
// 250/9 ten-millionths of a degree, so no value is rounded twice.
void AppendDegrees(std::string* out, int32_t geo) {
    const long long tenMillionths = (std::llabs(static_cast<long long>(geo)) * 250 + 4) / 9;
    char text[32];
    const int n = std::snprintf(text, sizeof text, "%s%lld.%07lld", geo < 0 ? "-" : "",
                                tenMillionths / 10000000, tenMillionths % 10000000);
    out->append(text, static_cast<std::size_t>(n));
}

// Whether GPX can hold the point: latitude -90° to 90°, longitude from -180° to below 180°.
bool OnTheGlobe(int32_t lon, int32_t lat) {
    constexpr int32_t k90 = 90 * kGeoUnitsPerDegree;
    return lat >= -k90 && lat <= k90 && lon >= -2 * k90 && lon < 2 * k90;
}

void AppendPoint(std::string* out, const char* element, int32_t lon, int32_t lat, bool closed) {
    *out += '<';
    *out += element;
    *out += " lat=\"";
    AppendDegrees(out, lat);
    *out += "\" lon=\"";
    AppendDegrees(out, lon);
    *out += closed ? "\"/>\n" : "\">";
}

}  // namespace

std::string ReadGpxFile(const fs::path& file, ProgressControl& progress, GpxImport* out) {
    const std::string tooLarge = "GPX file " + file.string() + " is larger than " +
                                 std::to_string(kGpxFileLimit >> 20) + " MiB; it is not imported.";
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(file, ec);
    if (!ec && size > kGpxFileLimit) return tooLarge;
    std::vector<char> data;
    if (ReadWholeFile(file, &data) != ReadResult::Whole)
        return "File open error.(" + file.string() + ")";
    // It may have grown since it was measured.
    if (data.size() > kGpxFileLimit) return tooLarge;
    return GpxReader(data, progress).Read(out);
}

std::string GpxSetName(const GpxImport& read, const fs::path& file) {
    return read.name.empty() ? file.stem().string() : read.name;
}

std::string GpxImportedText(const std::string& setName, const GpxImport& read) {
    std::string text = "Inported to " + setName;
    if (read.splitSegments > 0)
        text += "\nTracks or routes carried by several connected lines of at most " +
                std::to_string(kGpxLinePoints) + " points, each going on from the one before: " +
                std::to_string(read.splitSegments) + ".";
    if (read.shortSegments > 0)
        text += "\nTrack segments or routes of fewer than 2 points, left out: " +
                std::to_string(read.shortSegments) + ".";
    return text;
}

std::string ExportGpxFile(const std::string& name,
                          const std::vector<std::unique_ptr<CWriteObject>>& objects,
                          const fs::path& file, ProgressControl& progress, int* leftOut) {
    *leftOut = 0;
    fs::path temporary = file;
    temporary += "_";
    AtomicFileWriter out(file, temporary);
    if (!out.Open()) return "Export file " + file.string() + " open error.";
    std::string text = std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n") +
                       "<gpx version=\"1.1\" creator=\"HollowfernPlotter\" xmlns=\"" + kGpx11 +
                       "\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
                       "xsi:schemaLocation=\"" +
                       kGpx11 + " " + kGpx11 + "/gpx.xsd\">\n<metadata>";
    if (!name.empty()) text += "<name>" + XmlText(name) + "</name>";
    text += "</metadata>\n";
    bool written = true;
    const std::string offGlobe =
        "A point lies outside latitude -90° to 90° or longitude "
        "-180° to 180°, which GPX cannot hold.";
    // GPX puts every waypoint before the first track: the strings go first, then the lines,
    // each back to front, as a reader draws later ones over earlier ones.
    const std::size_t count = objects.size();
    for (int pass = 0; pass < 2; ++pass) {
        for (std::size_t done = 0; done < count; ++done) {
            progress.SetPosition(static_cast<int>((pass * count + done) * 50 / count));
            if (progress.aborted()) return kAbortedExport;
            const CWriteObject& object = *objects[count - 1 - done];
            if (pass == 0 && object.m_nType == kWriteString) {
                const auto& string = static_cast<const CWriteObjectString&>(object);
                const WriteShape& s = string.m_rcShape;
                const auto lon = static_cast<int32_t>((int64_t{s.x1} + s.x2) / 2);
                const auto lat = static_cast<int32_t>((int64_t{s.y1} + s.y2) / 2);
                if (!OnTheGlobe(lon, lat)) return offGlobe;
                AppendPoint(&text, "wpt", lon, lat, false);
                text += "<name>" + XmlText(string.m_strText) + "</name></wpt>\n";
            } else if (pass == 1 && object.m_nType == kWriteLine) {
                text += "<trk><trkseg>\n";
                for (const WritePoint& p : static_cast<const CWriteObjectLine&>(object).m_aPoints) {
                    if (!OnTheGlobe(p.x, p.y)) return offGlobe;
                    AppendPoint(&text, "trkpt", p.x, p.y, true);
                    if (text.size() >= kWriteChunk) {
                        written = written && out.Write(text);
                        text.clear();
                    }
                }
                text += "</trkseg></trk>\n";
            } else if (pass == 0 && object.m_nType != kWriteLine) {
                ++*leftOut;
            }
        }
    }
    text += "</gpx>\n";
    progress.SetPosition(100);
    if (!written || !out.Write(text) || !out.Commit())
        return "Export file " + file.string() + " write error.";
    return std::string();
}

std::string ExportedText(const std::string& setName, int leftOut) {
    std::string text = "Exported " + setName + ".";
    if (leftOut > 0)
        text += "\nRectangles, ellipses and pictures, which GPX cannot carry, left out: " +
                std::to_string(leftOut) + ".";
    return text;
}

}  // namespace hfp
