#include "settings/SettingsTestData.h"

#include <gtest/gtest.h>

namespace hfp::test {

namespace {

std::vector<std::string> Candidates(const SettingRecord& record, std::size_t index) {
    const long long n = static_cast<long long>(index) + 2;
    switch (record.type) {
        case SettingType::Integer: {
            const long long d = std::stoll(record.value);
            return {std::to_string(index % 2 ? -n * 7 : n * 7 + 100000000), std::to_string(d + 1),
                    std::to_string(d - 1)};
        }
        case SettingType::Real:
            return {std::to_string(n) + ".5", "2.5"};
        case SettingType::Flag:
            return {record.value == "true" ? "false" : "true"};
        case SettingType::Text:
            return {"value " + record.key + " 名"};
    }
    return {};
}

}  // namespace

const std::vector<std::string>& DifferingValues() {
    static const std::vector<std::string> values = [] {
        std::vector<std::string> chosen;
        CSetData probe;
        const std::vector<SettingRecord> defaults = probe.Records();
        for (std::size_t i = 0; i < defaults.size(); ++i) {
            std::string taken;
            for (const std::string& candidate : Candidates(defaults[i], i)) {
                probe.SetValue(defaults[i].key, candidate);
                probe.GetValue(defaults[i].key, &taken);
                if (taken == candidate) break;
            }
            EXPECT_NE(taken, defaults[i].value) << defaults[i].key;
            chosen.push_back(taken);
        }
        return chosen;
    }();
    return values;
}

CSetData DifferingStore() {
    CSetData store;
    const std::vector<SettingRecord> defaults = store.Records();
    for (std::size_t i = 0; i < defaults.size(); ++i)
        EXPECT_TRUE(store.SetValue(defaults[i].key, DifferingValues()[i])) << defaults[i].key;
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
