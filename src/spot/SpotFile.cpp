#include "spot/SpotFile.h"

#include <algorithm>

#include "ProgramVersion.h"
#include "geo/CoordinateText.h"
#include "platform/AtomicFile.h"
#include "platform/HttpClient.h"
#include "platform/ReadWholeFile.h"
#include "platform/Services.h"
#include "write/LegacyText.h"

namespace hfp {

namespace {

std::vector<std::string> TakeIds(int32_t count, std::string_view text) {
    std::vector<std::string> ids;
    while (static_cast<int32_t>(ids.size()) < count && !text.empty()) {
        std::size_t comma = text.find(',');
        ids.emplace_back(text.substr(0, comma));
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    }
    return ids;
}

// An icon number 0-99; -1 (no icon) for anything else, which must never index the icon table.
int32_t ParseIcon(std::string_view text) {
    int32_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
        if (value >= kSpotIconCount) return -1;
    }
    return text.empty() ? -1 : value;
}

}  // namespace

void SpotIdLists::Set(int32_t hearsayCount, std::string_view hearsayIds, int32_t managedCount,
                      std::string_view managedIds) {
    hearsay = TakeIds(hearsayCount, hearsayIds);
    managed = TakeIds(managedCount, managedIds);
}

int32_t SpotIdLists::RelationOf(std::string_view id) const {
    if (std::find(managed.begin(), managed.end(), id) != managed.end()) return 2;
    if (std::find(hearsay.begin(), hearsay.end(), id) != hearsay.end()) return 1;
    return 0;
}

std::vector<CAIRN_SPOT> ParseSpotFile(std::string_view bytes, const SpotIdLists& lists) {
    std::vector<CAIRN_SPOT> spots;
    CAIRN_SPOT spot;
    bool open = false;
    while (!bytes.empty()) {
        std::size_t end = bytes.find('\0');
        std::string_view record = bytes.substr(0, end);
        bytes = end == std::string_view::npos ? std::string_view() : bytes.substr(end + 1);
        if (record.size() < 2) continue;
        std::string_view tag = record.substr(0, 2), value = record.substr(2);
        if (tag == "01") {
            spot = CAIRN_SPOT{};
            spot.id = TextOfFile(value);
            open = true;
        } else if (!open) {
            continue;
        } else if (tag == "02") {
            spot.name = TextOfFile(value);
        } else if (tag == "03") {
            spot.third = TextOfFile(value);
        } else if (tag == "04") {
            spot.latitude = ParseCoordinateText(value, false);
        } else if (tag == "05") {
            spot.longitude = ParseCoordinateText(value, true);
        } else if (tag == "06") {
            spot.icon = ParseIcon(value);
            spot.relation = lists.RelationOf(spot.id);
        } else if (tag == "00") {
            spots.push_back(std::move(spot));
            open = false;
        }
    }
    std::stable_sort(spots.begin(), spots.end(), [](const CAIRN_SPOT& a, const CAIRN_SPOT& b) {
        return a.latitude > b.latitude;
    });
    return spots;
}

bool LoadSpotFile(const std::filesystem::path& file, const SpotIdLists& lists,
                  std::vector<CAIRN_SPOT>* spots) {
    spots->clear();
    std::error_code ec;
    auto size = std::filesystem::file_size(file, ec);
    if (ec || size > kMaxSpotFileBytes) return false;
    std::vector<char> data;
    if (ReadWholeFile(file, &data) != ReadResult::Whole) return false;
    *spots = ParseSpotFile(std::string_view(data.data(), data.size()), lists);
    return true;
}

bool FetchSpotFileDate(std::string* date, std::string* error) {
    HttpClient http({.userAgent = kProgramUserAgent});
    HttpResponse response = http.Head(HttpUrl(ServiceHost(Service::SpotContent), kSpotFilePath));
    if (!response.ok()) {
        *error = response.answered ? "the server answered " + std::to_string(response.status)
                                   : response.error;
        return false;
    }
    *date = response.lastModified.substr(0, 1000);
    return true;
}

bool DownloadSpotFile(const std::filesystem::path& folder, ProgressControl& progress,
                      std::string* date, std::string* error) {
    progress.SetPosition(10);
    // The body fills 30 to 80 per cent; Abort ends the transfer where it is.
    HttpClient http({.userAgent = kProgramUserAgent,
                     .maxBodyBytes = kMaxSpotFileBytes,
                     .onProgress = [&progress](int64_t received, int64_t total) {
                         if (total > 0)
                             progress.SetPosition(30 + static_cast<int>(50 * received / total));
                         return !progress.aborted();
                     }});
    progress.SetPosition(30);
    HttpResponse response = http.Get(HttpUrl(ServiceHost(Service::SpotContent), kSpotFilePath));
    bool done = false;
    if (!response.answered) {
        *error = response.error;
    } else if (response.tooLarge) {
        *error = "the spot file is larger than " + std::to_string(kMaxSpotFileBytes) + " bytes";
    } else if (!response.ok()) {
        *error = "the server answered " + std::to_string(response.status);
    } else if (progress.aborted()) {
        *error = "cancelled";
    } else {
        progress.SetPosition(80);
        AtomicFileWriter writer(folder / kSpotFileName, folder / kSpotTemporaryFileName);
        done = writer.Open() && writer.Write(response.body) && writer.Commit();
        if (!done) *error = writer.error();
        *date = response.lastModified.substr(0, 1000);
        progress.SetPosition(90);
    }
    progress.SetPosition(100);
    return done;
}

}  // namespace hfp
