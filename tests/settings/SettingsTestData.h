#pragma once

#include <string>
#include <utility>
#include <vector>

#include "settings/SetData.h"

namespace hfp::test {

// A value for record `index` of the write order that differs from the record's default and
// from every other record's value, in the text form the store writes ("-7", "3.5", "true",
// "value MapType 名").
std::string DifferingValue(const SettingRecord& record, std::size_t index);

// A store in which every field differs from its default.
CSetData DifferingStore();

// The bytes of a set.dat holding `records` in this order.
std::string SetDatBytes(const std::vector<std::pair<std::string, std::string>>& records);

// Key and value of every record, for comparing stores.
std::vector<std::pair<std::string, std::string>> KeyValues(const CSetData& store);

}  // namespace hfp::test
