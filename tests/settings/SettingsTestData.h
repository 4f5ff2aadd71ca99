#pragma once

#include <string>
#include <utility>
#include <vector>

#include "settings/SetData.h"

namespace hfp::test {

// For every record of the write order, a value in the text form the store writes that differs
// from the record's default and that the store takes: a number unique to its record where the
// key admits any, else a neighbour of the default ("-7", "3.5", "true", "value MapType 名").
const std::vector<std::string>& DifferingValues();

// A store in which every field differs from its default.
CSetData DifferingStore();

// The bytes of a set.dat holding `records` in this order.
std::string SetDatBytes(const std::vector<std::pair<std::string, std::string>>& records);

// Key and value of every record, for comparing stores.
std::vector<std::pair<std::string, std::string>> KeyValues(const CSetData& store);

}  // namespace hfp::test
