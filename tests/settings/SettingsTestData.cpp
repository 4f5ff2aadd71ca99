#include "settings/SettingsTestData.h"

#include <gtest/gtest.h>

namespace hfp::test {

std::string DifferingValue(const SettingRecord& record, std::size_t index) {
    const long long n = static_cast<long long>(index) + 2;
    switch (record.type) {
        case SettingType::Integer:
            // Unique per record, negative for every other one; never a default, which are all
            // small non-negative numbers, -1 or centre coordinates.
            return std::to_string(index % 2 ? -n * 7 : n * 7 + 100000000);
        case SettingType::Real:
            return std::to_string(n) + ".5";
        case SettingType::Flag:
            return record.value == "true" ? "false" : "true";
        case SettingType::Text:
            return "value " + record.key + " 名";
    }
    return {};
}

CSetData DifferingStore() {
    CSetData store;
    const std::vector<SettingRecord> defaults = store.Records();
    for (std::size_t i = 0; i < defaults.size(); ++i)
        EXPECT_TRUE(store.SetValue(defaults[i].key, DifferingValue(defaults[i], i)))
            << defaults[i].key;
    return store;
}

std::string SetDatBytes(const std::vector<std::pair<std::string, std::string>>& records) {
    std::string bytes;
    for (const auto& [key, value] : records) {
        bytes += key;
        bytes.push_back('\0');
        bytes += value;
        bytes.push_back('\0');
    }
    return bytes;
}

std::vector<std::pair<std::string, std::string>> KeyValues(const CSetData& store) {
    std::vector<std::pair<std::string, std::string>> pairs;
    for (const SettingRecord& record : store.Records())
        pairs.emplace_back(record.key, record.value);
    return pairs;
}

}  // namespace hfp::test
