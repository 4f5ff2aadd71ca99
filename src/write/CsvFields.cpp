#include "write/CsvFields.h"

namespace hfp {

namespace {

// Every two-character sequence `from` replaced by the character `to`.
void ReplaceAll(std::string* text, std::string_view from, char to) {
    std::string out;
    out.reserve(text->size());
    for (std::size_t i = 0; i < text->size(); ++i) {
        if (text->compare(i, from.size(), from) == 0) {
            out += to;
            i += from.size() - 1;
        } else {
            out += (*text)[i];
        }
    }
    *text = std::move(out);
}

}  // namespace

std::string TrimBlanks(std::string_view text) {
    const char* const blanks = " \t";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return std::string();
    return std::string(text.substr(first, text.find_last_not_of(blanks) - first + 1));
}

std::string EscapeCsvText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c == '"')
            out += "\\\"";
        else
            out += c;
    }
    return out;
}

bool SplitCsvFields(std::string_view line, std::vector<std::string>* fields) {
    fields->clear();
    std::string text(line);
    ReplaceAll(&text, "\\n", '\n');
    ReplaceAll(&text, "\\r", '\r');

    std::vector<std::string> parts(1);
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"' && i > 0 && text[i - 1] != '\\') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            parts.emplace_back();
        } else {
            parts.back() += c;
        }
    }
    if (quoted) return false;
    for (std::string& part : parts) {
        part = TrimBlanks(part);
        ReplaceAll(&part, "\\\"", '"');
    }
    *fields = std::move(parts);
    return true;
}

}  // namespace hfp
