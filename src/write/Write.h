#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "write/WriteObject.h"

namespace hfp {

class CDivBitmap;

// One undo snapshot of a write set: its box and clones of all its objects.
struct WRITE_SET_UNDO {
    GeoBox rcBox;
    std::vector<std::unique_ptr<CWriteObject>> aObjects;
};

// A write set: a named layer of write objects with its own undo history.
struct WRITE_SET {
    // The name field of the write file is 256 bytes with its terminator.
    static constexpr std::size_t kMaxNameBytes = 255;

    bool bVisible = true;
    std::string szName;  // unique in the list; at most kMaxNameBytes bytes of UTF-8
    GeoBox rcBox;        // union of the objects' bounds; meaningful only with objects
    std::vector<std::unique_ptr<CWriteObject>> aObjects;  // index 0 is the frontmost
    // Oldest first. A snapshot never changes once pushed, so the saving thread may read the
    // newest one while the user goes on editing the set.
    std::vector<std::shared_ptr<const WRITE_SET_UNDO>> aUndo;
};

// What the saving thread writes: per set its flag, name and newest snapshot, taken on the user
// interface thread without copying an object.
struct WriteSaveJob {
    struct Set {
        bool bVisible = true;
        std::string szName;
        std::shared_ptr<const WRITE_SET_UNDO> state;
    };
    std::vector<Set> sets;
};

// Reads a whole data file of the overlay (write.dat, writepat.dat); false with the reason when
// it cannot be opened or read to its end.
bool ReadOverlayFile(const std::filesystem::path& file, std::vector<char>* data,
                     std::string* reason);

// A set name as the write file can hold it: cut to 255 bytes without splitting a character.
std::string CutSetName(std::string_view name);

// The write sets of the program, in list order (later sets are drawn over earlier ones), and
// their file write.dat in the data folder.
class CWrite {
  public:
    static constexpr const char* kFileName = "write.dat";
    static constexpr const char* kTemporaryFileName = "write.dat_";
    static constexpr const char* kHeader = "HollowfernPlotter write.dat 002";
    static constexpr std::size_t kHeaderSize = 100;
    // The part of the header that is compared: the product and the file name.
    static constexpr std::size_t kHeaderCompared = 27;
    static constexpr std::size_t kUndoLimit = 100;
    static constexpr const char* kDefaultSetName = "Default";
    static constexpr const char* kSaveFailedText = "Fail to save write information file.";
    static constexpr const char* kUndoFailedText = "Cannot allocate undo buffer.";

    CWrite() = default;
    CWrite(const CWrite&) = delete;
    CWrite& operator=(const CWrite&) = delete;

    // Reads a write file, appending its sets to the list. False
    // when the file is missing (nothing changes) or damaged: the sets and objects read before
    // the damage stay, and `reason` says what was wrong.
    bool LoadFile(const std::filesystem::path& file, std::string* reason = nullptr);
    bool LoadBytes(std::string_view data, std::string* reason = nullptr);
    // Writes every set to write.dat (or `file`) through write.dat_ (the file name with "_"),
    // which replaces it only once complete. False with the old file untouched on failure.
    bool SaveFile();
    bool SaveFile(const std::filesystem::path& file, std::string* error = nullptr);
    std::string SaveBytes() const;
    static std::string SaveBytes(const WriteSaveJob& job);
    // The sets as their newest snapshots hold them: what the last committed edit left. A set
    // without a snapshot is copied; false when memory for that copy runs out.
    bool SaveJob(WriteSaveJob* job) const;

    // Start-up: the write file, a set "Default" when the list is still empty, and the first
    // undo snapshot of every set. Returns what LoadFile returned, with its reason.
    bool StartUp(std::string* reason = nullptr);

    // Appends an empty visible set. A name longer than the file holds is cut, and names are
    // unique as stored: false when a set already has the name so cut, or when memory runs out.
    bool AddSet(std::string_view name);
    // The index of the set whose name equals `name` as the file stores it; -1 when none.
    int FindSet(std::string_view name) const;
    void DeleteSet(int index);
    void UpdateSetBox(int index);
    // Snapshot of a set after a change; false (nothing kept) when memory runs out.
    bool PushUndo(int index);
    // Back to the snapshot before the newest; needs CanUndo.
    void Undo(int index);
    bool CanUndo(int index) const;

    // Draws the visible sets in list order, each back to front, skipping every set and object
    // whose box is more than 100 geo units away from `view`.
    void DrawSets(CDivBitmap& target, const WriteTransform& t, const GeoBox& view) const;
    static void DrawSet(const WRITE_SET& set, CDivBitmap& target, const WriteTransform& t,
                        const GeoBox& view);

    int SetCount() const { return static_cast<int>(m_aSets.size()); }
    WRITE_SET& Set(int index) { return *m_aSets[static_cast<std::size_t>(index)]; }
    const WRITE_SET& Set(int index) const { return *m_aSets[static_cast<std::size_t>(index)]; }
    std::vector<std::unique_ptr<WRITE_SET>>& Sets() { return m_aSets; }

  private:
    bool ReadSets(std::string_view data, std::string* reason);
    static void WriteSetRecord(ByteWriter& out, bool visible, const std::string& name,
                               const GeoBox& box,
                               const std::vector<std::unique_ptr<CWriteObject>>& objects);

    std::vector<std::unique_ptr<WRITE_SET>> m_aSets;
};

// The clipboard format "HollowfernPlotter Write": the total length of the records (uint32),
// then per object its type code (int32), the byte count n (int32) and its n-byte memory form.
inline constexpr const char* kClipboardFormatName = "HollowfernPlotter Write";
inline constexpr const char* kClipboardMimeType = "application/x-hollowfernplotter-write";
std::string MakeClipboardBlock(const std::vector<const CWriteObject*>& objects);
// The objects of a block, in order. Records of an unknown type are skipped. False when the
// block is damaged: the objects before the damage are still handed back.
bool ReadClipboardBlock(std::string_view block, std::vector<std::unique_ptr<CWriteObject>>* out);

}  // namespace hfp
