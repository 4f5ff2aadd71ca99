#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace hfp {

// The write-set exchange file's text rules.

// The text without the blanks (spaces, tabs) at its ends: how fields and typed names are read.
std::string TrimBlanks(std::string_view text);

// A text as it stands between double quotes in a record: a line feed becomes backslash-n, a
// carriage return backslash-r and a double quote backslash-quote.
std::string EscapeCsvText(std::string_view text);

// Splits one record into its fields: backslash-n and backslash-r become line breaks, the line
// is cut at commas outside double quotes (a quote opens or closes a quoted part unless it is
// the line's first character or follows a backslash; the quotes are dropped), every field is
// trimmed of blanks, and backslash-quote becomes a quote. False, with no fields, when a quoted
// part is still open at the end of the line.
bool SplitCsvFields(std::string_view line, std::vector<std::string>* fields);

}  // namespace hfp
