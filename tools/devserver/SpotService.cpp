#include "devserver/SpotService.h"

#include <httplib.h>

#include <cmath>
#include <cstdlib>

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include "devserver/Html.h"
#include "devserver/Options.h"
#include "geo/CoordinateText.h"
#include "geo/GeoPoint.h"
#include "spot/CairnSession.h"

namespace hfp::devserver {

namespace {

// "山小屋" (mountain hut) in code page 932, as the real file holds its texts.
constexpr const char* kHutName = "\x8E\x52\x8F\xAC\x89\xAE";

// Spots on a grid around the default map centre, ids "S1".."Sn"; every fifth is one the
// user posted on, every seventh one the user manages.
std::string MakeSpotFile(int count, std::string* hearsay, int* hearsayCount, std::string* managed,
                         int* managedCount, std::vector<SpotService::Spot>* spots) {
    std::string file;
    auto record = [&](const char* tag, const std::string& value) {
        file += tag;
        file += value;
        file.push_back('\0');
    };
    for (int i = 1; i <= count; ++i) {
        std::string id = "S" + std::to_string(i);
        int32_t latitude = kDefaultCenter.lat + ((i * 37) % 11 - 5) * 1500;
        int32_t longitude = kDefaultCenter.lon + ((i * 53) % 13 - 6) * 2000;
        spots->push_back({id, latitude, longitude});
        record("01", id);
        record("02", kHutName + std::to_string(i));
        record("03", "alt " + std::to_string(1000 + i * 10) + "m");
        record("04", FormatCoordinateText(latitude));
        record("05", FormatCoordinateText(longitude));
        record("06", std::to_string(i % 10));
        record("00", "");
        if (i % 5 == 0) {
            *hearsay += (*hearsayCount)++ ? "," + id : id;
        }
        if (i % 7 == 0) {
            *managed += (*managedCount)++ ? "," + id : id;
        }
    }
    return file;
}

std::string FromHex(const std::string& hex) {
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

std::string Reply(const SessionMessage& message, const std::string& key) {
    std::string text = EncodeMessageText(message.Serialize(), key);
    std::string body;
    for (int i = 0; i < 4; ++i)
        body.push_back(static_cast<char>((text.size() >> (8 * i)) & 0xFF));
    return body + text;
}

}  // namespace

SpotService::SpotService(const Options& options)
    : m_textItems(options.sessionTextItems),
      m_integerItems(options.sessionIntegerItems),
      m_maskKey(FromHex(options.sessionMaskKeyHex)),
      m_keepMessage(options.sessionKeepMessage),
      m_spotDate(options.spotDate),
      m_refuseLogin(options.refuseLogin),
      m_bridgePort(options.bridgePort) {
    m_spotFile = MakeSpotFile(options.spotCount, &m_hearsayIds, &m_hearsayCount, &m_managedIds,
                              &m_managedCount, &m_spots);
}

void SpotService::Register(httplib::Server& server) {
    server.Post(CairnSession::kPath, [this](const httplib::Request& req, httplib::Response& res) {
        ServeSession(req, res);
    });
    server.Get("/shisetsu/hplshisetsu.dat",
               [this](const httplib::Request&, httplib::Response& res) {
                   res.set_header("Last-Modified", m_spotDate);
                   res.set_content(m_spotFile, "application/octet-stream");
               });
    server.Get(
        R"(/yama/image/gmap/gmap(_hearsay|_owner)?_(\d+)\.png)",
        [this](const httplib::Request& req, httplib::Response& res) { ServeIcon(req, res); });
    server.Get("/yama/shisetsu.html", [](const httplib::Request& req, httplib::Response& res) {
        std::string id = req.get_param_value("shisetsuId");
        res.set_content(HtmlPage(200, "Spot " + id, "The page of spot " + id + "."),
                        "text/html; charset=utf-8");
    });
    server.Get(kBrowserPath, [this](const httplib::Request& req, httplib::Response& res) {
        ServeBrowserPage(req, res);
    });
}

void SpotService::ServeSession(const httplib::Request& req, httplib::Response& res) {
    std::string sessionId =
        req.has_param("SID") ? req.get_param_value("SID") : req.get_param_value("PHPSESSID");
    std::string key;
    bool known = sessionId.empty();
    {
        std::lock_guard guard(m_lock);
        if (auto it = m_sessions.find(sessionId); it != m_sessions.end()) {
            key = it->second;
            known = true;
        }
    }
    SessionMessage request, answer;
    std::string serialized;
    bool readable = known && req.body.starts_with("d=") &&
                    DecodeMessageText(std::string_view(req.body).substr(2), key, &serialized) &&
                    SessionMessage::Parse(serialized, &request);
    std::string name = request.Text("Message");
    // A login may follow a refused one, which already named a session id.
    if (!readable || (name != "SendStart" && sessionId.empty())) {
        answer.AddInteger("Status", 1);
        answer.AddText("Message", "The request was not understood.");
    } else if (name == "SendStart") {
        answer.AddInteger("Status", 0);
        std::lock_guard guard(m_lock);
        std::string sid = "dev" + std::to_string(m_nextSession++);
        answer.AddText("SID", sid);
        if (m_refuseLogin || request.Text("UserId") != kUser ||
            request.Text("Password") != kPassword) {
            answer.AddText("Message", "The user ID or the password is wrong.");
            m_sessions[sid] = {};
        } else {
            answer.AddText("Message", "");
            if (!m_maskKey.empty()) answer.AddBinary("MaskKey", m_maskKey);
            answer.AddInteger("HearsayShisetsuIdCount", m_hearsayCount);
            answer.AddText("HearsayShisetsuId", m_hearsayIds);
            answer.AddInteger("ManageShisetsuIdCount", m_managedCount);
            answer.AddText("ManageShisetsuId", m_managedIds);
            answer.AddInteger("CairnSpotDisplaySelect", 1);
            answer.AddInteger("CairnSpotDonwloadSelect", 1);
            answer.AddInteger("IELeft", 10);
            answer.AddInteger("IETop", 10);
            answer.AddInteger("IEWidth", 360);
            answer.AddInteger("IEHeight", 300);
            answer.AddText("IEURL", "http://" + req.get_header_value("Host") + kBrowserPath);
            answer.AddInteger("IEUpdateInterval", 10000);
            answer.AddInteger("ListenBrowserPortNumber", m_bridgePort);
            for (const auto& [item, value] : m_integerItems)
                answer.AddInteger(item, value);
            for (const auto& [item, value] : m_textItems)
                answer.AddText(item, value);
            m_sessions[sid] = m_maskKey;
        }
    } else if (name == "KeepSession" || name == "SendEnd") {
        answer.AddInteger("Status", 0);
        answer.AddText("Message", name == "KeepSession" ? m_keepMessage : "");
        if (name == "SendEnd") {
            std::lock_guard guard(m_lock);
            m_sessions.erase(sessionId);
        }
    } else {
        answer.AddInteger("Status", 1);
        answer.AddText("Message", "Unknown request.");
    }
    res.set_content(Reply(answer, key), "application/octet-stream");
}

void SpotService::ServeIcon(const httplib::Request& req, httplib::Response& res) const {
    std::string kind = req.matches[1];
    int number = std::stoi(req.matches[2].str().substr(0, 4));
    QColor fill = kind == "_owner"     ? QColor(200, 40, 40)
                  : kind == "_hearsay" ? QColor(240, 150, 0)
                                       : QColor(30, 110, 200);
    QImage icon(19, 24, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    {
        QPainter p(&icon);
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath pin;
        pin.moveTo(9.5, 23);
        pin.lineTo(2, 10);
        pin.arcTo(QRectF(0.5, 0.5, 18, 18), 210, -240);
        pin.closeSubpath();
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(fill);
        p.drawPath(pin);
        p.setPen(Qt::white);
        QFont font = p.font();
        font.setPixelSize(9);
        font.setBold(true);
        p.setFont(font);
        p.drawText(QRectF(0, 2, 19, 14), Qt::AlignCenter, QString::number(number % 100));
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    icon.save(&buffer, "PNG");
    res.set_content(std::string(png.constData(), static_cast<std::size_t>(png.size())),
                    "image/png");
}

void SpotService::ServeBrowserPage(const httplib::Request& req, httplib::Response& res) const {
    const std::string bridge = "http://127.0.0.1:" + std::to_string(m_bridgePort);
    auto call = [&](const Spot& spot) {
        return "/MoveLatLng?lat=" + FormatDegrees(spot.latitude) +
               "&lng=" + FormatDegrees(spot.longitude);
    };
    auto rounded = [](double geo) { return static_cast<int32_t>(std::lround(geo)); };
    auto degrees = [&](const char* name) {
        return std::strtod(req.get_param_value(name).c_str(), nullptr) * kGeoUnitsPerDegree;
    };
    std::string body =
        "<p><span id=\"status\">The program has not answered.</span> &middot; <a id=\"close\" "
        "href=\"#\" onclick=\"bridge('/CloseIE');return false\">Close</a></p>\n";
    const std::string sw = req.get_param_value("sw");
    if (sw == "IntervalUpdate") {
        const double west = degrees("minLon"), east = degrees("maxLon");
        const double south = degrees("minLat"), north = degrees("maxLat");
        body += "<p id=\"area\">Centre " + FormatDegrees(rounded(degrees("centerLat"))) + " N " +
                FormatDegrees(rounded(degrees("centerLon"))) + " E<br>" +
                FormatDegrees(rounded(west)) + "-" + FormatDegrees(rounded(east)) + " E, " +
                FormatDegrees(rounded(south)) + "-" + FormatDegrees(rounded(north)) +
                " N</p>\n<ul>\n";
        for (const Spot& spot : m_spots) {
            if (spot.longitude < west || spot.longitude > east || spot.latitude < south ||
                spot.latitude > north)
                continue;
            body += "<li><a href=\"#\" onclick=\"bridge('" + call(spot) + "');return false\">Hut " +
                    spot.id.substr(1) + "</a></li>\n";
        }
        body += "</ul>\n";
    } else if (sw == "Shisetsu") {
        const std::string id = req.get_param_value("shisetsuId");
        for (const Spot& spot : m_spots) {
            if (spot.id == id)
                body += "<p id=\"spot\">Hut " + id.substr(1) + " at " +
                        FormatDegrees(spot.latitude) + " N " + FormatDegrees(spot.longitude) +
                        " E</p>\n";
        }
    } else if (!m_spots.empty()) {
        // The first page takes the map to the first hut.
        body += "<p>Welcome. The map goes to Hut 1.</p>\n<script src=\"" + bridge +
                call(m_spots.front()) + "\"></script>\n";
    }
    res.set_content(
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head><meta charset=\"utf-8\"><title>Cairn "
        "spots</title>\n<style>body{font:13px sans-serif;margin:8px}</style>\n<script>\n"
        "function callback(answer) {\n"
        "  document.getElementById('status').textContent = 'The program answered ' + "
        "answer.Status + '.';\n}\n"
        "function bridge(request) {\n"
        "  var script = document.createElement('script');\n"
        "  script.src = '" +
            bridge +
            "' + request;\n"
            "  document.body.appendChild(script);\n}\n"
            "</script></head>\n<body>\n<h1>Cairn spots</h1>\n" +
            body + "</body>\n</html>\n",
        "text/html; charset=utf-8");
}

}  // namespace hfp::devserver
