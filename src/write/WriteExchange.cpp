#include "write/WriteExchange.h"

#include <map>
#include <new>
#include <string_view>
#include <system_error>

#include "platform/AtomicFile.h"
#include "platform/Messages.h"
#include "platform/Progress.h"
#include "platform/ReadWholeFile.h"
#include "write/ByteStream.h"
#include "write/CsvFields.h"
#include "write/LegacyText.h"
#include "write/WriteObjectPicture.h"

namespace hfp {

namespace fs = std::filesystem;

namespace {

constexpr int kCopyTries = 998;
constexpr std::size_t kImportNameBase = 250;

bool SameBytes(const fs::path& a, const fs::path& b) {
    std::vector<char> left, right;
    return ReadWholeFile(a, &left) == ReadResult::Whole &&
           ReadWholeFile(b, &right) == ReadResult::Whole && left == right;
}

// "photo.jpg" with n inserted before the name's first dot: "photo2.jpg".
fs::path Numbered(const fs::path& file, int n) {
    std::string name = file.filename().string();
    const std::size_t dot = name.find('.');
    name.insert(dot == std::string::npos ? name.size() : dot, std::to_string(n));
    return file.parent_path() / name;
}

// The file name of a picture named in an exchange file, without any folder part, so that a
// file cannot make the import read or write outside the two picture folders.
bool SafePictureName(const std::string& field, std::string* name) {
    const std::size_t slash = field.find_last_of("/\\");
    *name = slash == std::string::npos ? field : field.substr(slash + 1);
    return !name->empty() && *name != "." && *name != "..";
}

std::string LineError(const char* text, int line) {
    return std::string(text) + "(line:" + std::to_string(line) + ")";
}

int TypeOfRecord(const std::string& first) {
    static const std::map<std::string, int, std::less<>> kTypes = {
        {"Line", kWriteLine},     {"Rectangle", kWriteRectangle}, {"Ellipse", kWriteEllipse},
        {"String", kWriteString}, {"Picture", kWritePicture},
    };
    const auto found = kTypes.find(first);
    return found == kTypes.end() ? 0 : found->second;
}

// Walks the lines of a whole file: each without its line break (LF or CRLF). Files of older
// versions hold Shift-JIS, which the callers decode line by line.
class LineCursor {
  public:
    explicit LineCursor(const std::vector<char>& data) : m_data(data.data(), data.size()) {}

    bool Next(std::string_view* line) {
        if (m_offset >= m_data.size()) return false;
        std::size_t end = m_data.find('\n', m_offset);
        if (end == std::string_view::npos) end = m_data.size();
        *line = m_data.substr(m_offset, end - m_offset);
        if (!line->empty() && line->back() == '\r') line->remove_suffix(1);
        m_offset = end + 1;
        ++m_number;
        return true;
    }
    int number() const { return m_number; }
    int percent() const {
        return m_data.empty()
                   ? 100
                   : static_cast<int>(std::min(m_offset, m_data.size()) * 100 / m_data.size());
    }

  private:
    std::string_view m_data;
    std::size_t m_offset = 0;
    int m_number = 0;
};

}  // namespace

bool CopyPictureFile(const fs::path& source, const fs::path& destination, fs::path* used) {
    std::error_code ec;
    fs::path target = destination;
    for (int n = 2; n < 2 + kCopyTries; ++n) {
        if (!fs::exists(target, ec)) {
            if (!fs::copy_file(source, target, ec)) return false;
            *used = target;
            return true;
        }
        if (SameBytes(source, target)) {
            *used = target;
            return true;
        }
        target = Numbered(destination, n);
    }
    return false;
}

std::string ExportWriteSet(const std::string& name,
                           const std::vector<std::unique_ptr<CWriteObject>>& objects,
                           const fs::path& file, ProgressControl& progress, Messages& messages) {
    fs::path temporary = file;
    temporary += "_";
    AtomicFileWriter out(file, temporary);
    if (!out.Open()) return "Export file " + file.string() + " open error.";
    bool written = out.Write(std::string(kExchangeHeader) + "\n") &&
                   out.Write("Name,\"" + EscapeCsvText(name) + "\"\n");
    const fs::path folder = file.parent_path() / kExchangePictureFolder;
    // A picture used by many objects is copied once.
    std::map<std::string, std::string> copied;
    const std::size_t count = objects.size();
    for (std::size_t done = 0; written && done < count; ++done) {
        progress.SetPosition(static_cast<int>(done * 100 / count));
        if (progress.aborted()) return "Aborted to export.";
        const CWriteObject& object = *objects[count - 1 - done];
        std::unique_ptr<CWriteObject> renamed;
        if (const auto* picture = dynamic_cast<const CWriteObjectPicture*>(&object)) {
            const fs::path source = picture->m_strFile;
            if (!source.has_parent_path())
                return "Image file name has problem. [" + picture->m_strFile + "]";
            auto known = copied.find(picture->m_strFile);
            if (known == copied.end()) {
                std::error_code ec;
                fs::create_directory(folder, ec);
                const fs::path destination = folder / source.filename();
                fs::path used;
                if (!CopyPictureFile(source, destination, &used)) {
                    if (messages.Ask("Cannot copy Image file [" + source.string() + "] to [" +
                                         destination.string() +
                                         "].\nWould you like to continue exporting?",
                                     MessageIcon::Question, false))
                        continue;
                    return "Aborted export.";
                }
                known = copied.emplace(picture->m_strFile, used.filename().string()).first;
            }
            renamed = picture->Clone();
            if (!renamed) return "Export failure. It may be out of memory.";
            static_cast<CWriteObjectPicture&>(*renamed).m_strFile = known->second;
        }
        std::vector<std::string> lines;
        std::string reason;
        if (!(renamed ? *renamed : object).ExportCsvLines(&lines, &reason))
            return "An object cannot be written: " + reason;
        for (const std::string& line : lines)
            written = written && out.Write(line + "\n");
    }
    progress.SetPosition(100);
    if (!written || !out.Commit()) return "Export file " + file.string() + " write error.";
    return std::string();
}

bool ImportSetName(const fs::path& file, const CWrite& write, std::string* name,
                   std::string* error) {
    std::vector<char> data;
    if (ReadWholeFile(file, &data) != ReadResult::Whole) {
        *error = "Inport file is not found.";
        return false;
    }
    std::string found;
    LineCursor lines(data);
    std::string_view line;
    while (lines.Next(&line)) {
        std::vector<std::string> fields;
        if (!SplitCsvFields(TextOfFile(line), &fields)) {
            *error = LineError("Inport file analyze error.", lines.number());
            return false;
        }
        if (!fields.empty() && fields[0] == "Name") {
            if (fields.size() > 1) found = fields[1];
            break;
        }
    }
    *name = UniqueImportSetName(found, write);
    return true;
}

std::string UniqueImportSetName(std::string_view wanted, const CWrite& write) {
    std::string name = CutSetName(wanted.empty() ? std::string_view("Inport") : wanted);
    const std::string base = CutUtf8(name, kImportNameBase);
    for (int n = 2; write.FindSet(name) >= 0; ++n)
        name = base + std::to_string(n);
    return name;
}

std::string ImportWriteSet(const fs::path& file, const fs::path& dataFolder,
                           ProgressControl& progress, Messages& messages,
                           std::vector<std::unique_ptr<CWriteObject>>* objects) {
    std::error_code ec;
    const fs::path pictures = dataFolder / kExchangePictureFolder;
    fs::create_directories(pictures, ec);
    std::vector<char> data;
    if (ReadWholeFile(file, &data) != ReadResult::Whole)
        return "File open error.(" + file.string() + ")";
    const fs::path sourcePictures = file.parent_path() / kExchangePictureFolder;
    std::string version = kCsvVersion;
    std::vector<std::unique_ptr<CWriteObject>> read;
    std::string error;
    LineCursor lines(data);
    std::string_view line;
    while (error.empty() && lines.Next(&line)) {
        progress.SetPosition(lines.percent());
        if (progress.aborted()) {
            error = "Aborted inport";
            break;
        }
        const std::string analyze = LineError("Inport file analyze error.", lines.number());
        std::vector<std::string> fields;
        if (line.size() > kCsvLineLimit || !SplitCsvFields(TextOfFile(line), &fields) ||
            fields.empty()) {
            error = analyze;
            break;
        }
        if (const int type = TypeOfRecord(fields[0])) {
            std::unique_ptr<CWriteObject> object;
            try {
                object = CreateWriteObject(type);
            } catch (const std::bad_alloc&) {
                error = LineError("Inport failure. It may be out of memory.", lines.number());
                break;
            }
            if (type == kWritePicture && fields.size() > 6) {
                std::string pictureName;
                if (!SafePictureName(fields[6], &pictureName)) {
                    error = analyze;
                    break;
                }
                const fs::path source = sourcePictures / pictureName;
                fs::path used;
                if (!CopyPictureFile(source, pictures / pictureName, &used)) {
                    if (messages.Ask("Cannot copy Image file [" + source.string() + "] to [" +
                                         (pictures / pictureName).string() +
                                         "].\nWould you like to continue inporting?",
                                     MessageIcon::Question, false))
                        continue;
                    error = "Aborted inport";
                    break;
                }
                fields[6] = used.string();
            }
            if (!object->ImportCsv(fields, version)) {
                error = analyze;
                break;
            }
            object->UpdateBounds();
            read.push_back(std::move(object));
        } else if (fields[0] == "HollowfernPlotter") {
            if (fields.size() != 3 || fields[1] != "Write ExportFile") {
                error = analyze;
                break;
            }
            version = fields[2];
        } else if (fields[0] != "Name") {
            error = analyze;
        }
    }
    progress.SetPosition(100);
    // Each object read goes in front of those before it, so the set ends in the file's order
    // reversed: the order it was exported from.
    for (auto it = read.rbegin(); it != read.rend(); ++it)
        objects->push_back(std::move(*it));
    return error;
}

void AddImportedObjects(CWrite& write, int index,
                        std::vector<std::unique_ptr<CWriteObject>> objects) {
    WRITE_SET& set = write.Set(index);
    set.aObjects.insert(set.aObjects.begin(), std::make_move_iterator(objects.begin()),
                        std::make_move_iterator(objects.end()));
    write.UpdateSetBox(index);
    write.PushUndo(index);
}

}  // namespace hfp
