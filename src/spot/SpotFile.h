#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Progress.h"

namespace hfp {

// One spot of the spot service.
struct CAIRN_SPOT {
    std::string id;
    std::string name;
    std::string third;  // shown in parentheses after the name
    int32_t latitude = -1;
    int32_t longitude = -1;
    int32_t icon = 0;      // 0 to 99 for a spot that has an icon; anything else draws none
    int32_t relation = 0;  // 0 plain, 1 the user posted word-of-mouth on it, 2 the user manages it
};

constexpr int kSpotIconCount = 100;
constexpr int kSpotRelationCount = 3;

// The user's relations to spots, from the session's login answer.
struct SpotIdLists {
    std::vector<std::string> hearsay;  // spots with the user's word-of-mouth posts
    std::vector<std::string> managed;  // spots the user manages

    // Takes exactly `count` comma-separated ids from each text (fewer when the text has fewer).
    void Set(int32_t hearsayCount, std::string_view hearsayIds, int32_t managedCount,
             std::string_view managedIds);
    int32_t RelationOf(std::string_view id) const;
};

// The spot file in the data folder, its temporary name while downloading, and its path on the
// spot content server.
constexpr const char* kSpotFileName = "hplshisetsu.dat";
constexpr const char* kSpotTemporaryFileName = "temp_hplshisetsu.dat";
constexpr const char* kSpotFilePath = "/shisetsu/hplshisetsu.dat";
// A spot file above this size is refused, on download and on loading.
constexpr std::size_t kMaxSpotFileBytes = std::size_t{64} << 20;

// Reads spot records (zero-terminated texts: a two-character tag, then the value; "01" starts a
// spot, "00" appends it) and returns the spots sorted northernmost first. Texts in code page
// 932 are decoded to UTF-8.
std::vector<CAIRN_SPOT> ParseSpotFile(std::string_view bytes, const SpotIdLists& lists);
// Loads `file`; false (and `spots` emptied) when it is missing, unreadable or too large.
bool LoadSpotFile(const std::filesystem::path& file, const SpotIdLists& lists,
                  std::vector<CAIRN_SPOT>* spots);

// The Last-Modified text of the spot file on the server (HEAD); false when it cannot be had.
bool FetchSpotFileDate(std::string* date, std::string* error);
// Downloads the spot file into `folder`, replacing the old one only once the new one is
// complete; reports 10-100 to `progress` and stops early when it is aborted. `date` receives
// the answer's Last-Modified text. False (old file kept) on any failure or an abort.
bool DownloadSpotFile(const std::filesystem::path& folder, ProgressControl& progress,
                      std::string* date, std::string* error);

}  // namespace hfp
