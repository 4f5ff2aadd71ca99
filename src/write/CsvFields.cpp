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

std::string Trimmed(const std::string& field) {
    const char* const blanks = " \t";
    std::size_t first = field.find_first_not_of(blanks);
    if (first == std::string::npos) return std::string();
    std::size_t last = field.find_last_not_of(blanks);
    return field.substr(first, last - first + 1);
}

}  // namespace

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
        part = Trimmed(part);
        ReplaceAll(&part, "\\\"", '"');
    }
    *fields = std::move(parts);
    return true;
}

}  // namespace hfp
