#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "write/Write.h"

namespace hfp {

class Messages;
class ProgressControl;

// The write-set exchange file: a header line, a name line and one object per line, with the
// pictures as files in a folder "picture" beside it.
//
// Export and import are jobs for a worker thread (the progress dialog's, or hfp's own): they
// read the set or fill a list of their own and touch nothing the user interface thread edits.
// A question they ask goes through `messages`, which must be safe to call from that thread.
// Each returns its error text, empty on success.
inline constexpr const char* kExchangeHeader = "HollowfernPlotter,Write ExportFile,1.23";
inline constexpr const char* kExchangePictureFolder = "picture";

// Copies picture `source` to `destination` unless a file there already holds the same bytes;
// when a different file has that name, "photo.jpg" becomes "photo2.jpg", "photo3.jpg" and so
// on up to 999. The name used is handed back; false when no copy could be made.
bool CopyPictureFile(const std::filesystem::path& source, const std::filesystem::path& destination,
                     std::filesystem::path* used);

// Writes `objects` (a set's, frontmost first) back to front to `file`, through a temporary
// file that replaces it only when complete, copying pictures into the folder beside it.
std::string ExportWriteSet(const std::string& name,
                           const std::vector<std::unique_ptr<CWriteObject>>& objects,
                           const std::filesystem::path& file, ProgressControl& progress,
                           Messages& messages);

// The name a new set for an import would get: the file's name line, "Inport" without one,
// made unique among `write`'s sets by appending 2, 3, .... False, with the message, when
// the file cannot be opened or a line before the name cannot be split.
bool ImportSetName(const std::filesystem::path& file, const CWrite& write, std::string* name,
                   std::string* error);
// `wanted` ("Inport" when empty) as the name of a new set: cut to what the write file holds
// and made unique among `write`'s sets by appending 2, 3, ....
std::string UniqueImportSetName(std::string_view wanted, const CWrite& write);

// Reads the objects of `file` into `objects` in the order the set holds them (frontmost
// first), copying its pictures into `dataFolder`/picture. On an error the objects read
// before it are kept in `objects`.
std::string ImportWriteSet(const std::filesystem::path& file,
                           const std::filesystem::path& dataFolder, ProgressControl& progress,
                           Messages& messages, std::vector<std::unique_ptr<CWriteObject>>* objects);

// Puts imported objects in front of the set's objects, updates its box and pushes a snapshot.
void AddImportedObjects(CWrite& write, int index,
                        std::vector<std::unique_ptr<CWriteObject>> objects);

}  // namespace hfp
