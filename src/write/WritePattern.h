#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "write/WriteObject.h"

namespace hfp {

// The write patterns: named prototype objects whose class and attributes new objects take
// (write mode 6), and their file writepat.dat in the data folder. aNames[i] and aObjects[i]
// are pattern i; the two arrays always have the same length. The view owns the one instance
// and edits it on the user interface thread only; saving encodes it there (it is small) and
// hands the bytes to a WriteSaver.
class CWritePattern {
  public:
    static constexpr const char* kFileName = "writepat.dat";
    static constexpr const char* kHeader = "HollowfernPlotter writepat.dat 002";
    static constexpr std::size_t kHeaderSize = 100;
    static constexpr std::size_t kHeaderCompared = 30;  // the product and the file name
    static constexpr std::size_t kMaxNameBytes = 255;
    static constexpr const char* kSaveFailedText = "Fail to save write patter file.";

    // Reads the patterns of a file in place of the current ones. False when the file is
    // missing or damaged; the patterns read before the damage stay and `reason` says why.
    bool LoadFile(const std::filesystem::path& file, std::string* reason = nullptr);
    bool LoadBytes(std::string_view data, std::string* reason = nullptr);
    std::string SaveBytes() const;
    // Through writepat.dat_, which replaces the file only once complete.
    bool SaveFile(const std::filesystem::path& file, std::string* error = nullptr) const;

    int Count() const { return static_cast<int>(aNames.size()); }
    int Find(std::string_view name) const;
    // Appends a clone of `object` under `name`; false (nothing added) when memory runs out.
    bool Add(const std::string& name, const CWriteObject& object);
    void Remove(int index);
    void Swap(int a, int b);
    // A new object of pattern `index`'s class with its attributes: colour, dash style, size
    // and transparency; a string's font, text and background; a picture's file, colour key
    // and stamp size. Null when memory runs out.
    std::unique_ptr<CWriteObject> NewObject(int index) const;

    std::vector<std::string> aNames;
    std::vector<std::unique_ptr<CWriteObject>> aObjects;
};

}  // namespace hfp
