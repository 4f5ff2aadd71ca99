#include "write/Write.h"

#include <cstring>
#include <new>

#include "compose/DivBitmap.h"
#include "platform/AtomicFile.h"
#include "platform/DataFolder.h"
#include "platform/ReadWholeFile.h"
#include "platform/Trace.h"
#include "write/LegacyText.h"

namespace hfp {

namespace {

// The name field of a set in the write file, with its terminator.
constexpr std::size_t kNameField = 256;
// Sets and objects further than this from the view (geo units) are not drawn.
constexpr int32_t kDrawMargin = 100;

bool Fail(std::string* reason, const std::string& text) {
    if (reason) *reason = text;
    Trace("write.dat: %s", text.c_str());
    return false;
}

// Clones of all objects in order, or false (nothing kept) when memory runs out.
bool CloneAll(const std::vector<std::unique_ptr<CWriteObject>>& from,
              std::vector<std::unique_ptr<CWriteObject>>* to) {
    try {
        std::vector<std::unique_ptr<CWriteObject>> clones;
        clones.reserve(from.size());
        for (const auto& object : from) {
            auto clone = object->Clone();
            if (!clone) return false;
            clones.push_back(std::move(clone));
        }
        *to = std::move(clones);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace

std::string CutSetName(std::string_view name) {
    return CutUtf8(name.substr(0, name.find('\0')), WRITE_SET::kMaxNameBytes);
}

bool ReadOverlayFile(const std::filesystem::path& file, std::vector<char>* data,
                     std::string* reason) {
    switch (ReadWholeFile(file, data)) {
        case ReadResult::CannotOpen:
            return Fail(reason, "cannot open " + file.string());
        case ReadResult::Short:
            return Fail(reason, "cannot read " + file.string() + " to its end");
        case ReadResult::Whole:
            break;
    }
    return true;
}

bool CWrite::LoadFile(const std::filesystem::path& file, std::string* reason) {
    std::vector<char> data;
    if (!ReadOverlayFile(file, &data, reason)) return false;
    return LoadBytes(std::string_view(data.data(), data.size()), reason);
}

bool CWrite::LoadBytes(std::string_view data, std::string* reason) {
    const int first = SetCount();
    const bool whole = ReadSets(data, reason);
    // The stored boxes are derived data, and a file may carry wrong ones.
    for (int i = first; i < SetCount(); ++i)
        UpdateSetBox(i);
    return whole;
}

bool CWrite::ReadSets(std::string_view data, std::string* reason) {
    if (data.size() < kHeaderSize) return Fail(reason, "the file is shorter than its header");
    if (data.compare(0, kHeaderCompared, kHeader, kHeaderCompared) != 0)
        return Fail(reason, "the file is not a write file of HollowfernPlotter");
    // The version text starts after the file name and its blank; it ends at a zero byte or at
    // the end of the header.
    std::string_view version = data.substr(kHeaderCompared + 1, kHeaderSize - kHeaderCompared - 1);
    version = version.substr(0, version.find('\0'));

    ByteReader in(data);
    in.Skip(kHeaderSize);
    int32_t setCount = 0;
    if (!in.Int32(&setCount)) return Fail(reason, "the set count is missing");
    // Counts are never trusted for allocating: each record is read only when it is there.
    if (setCount < 0)
        return Fail(reason, "the set count " + std::to_string(setCount) + " is negative");
    for (int32_t s = 0; s < setCount; ++s) {
        const std::string where = "set " + std::to_string(m_aSets.size());
        auto set = std::make_unique<WRITE_SET>();
        char name[kNameField];
        if (!in.Flag(&set->bVisible) || !in.Bytes(name, kNameField) ||
            !CWriteObject::ReadBounds(in, &set->rcBox))
            return Fail(reason, where + " is cut short");
        // A name without its terminator is cut, never read beyond its field.
        const std::string_view stored(name, kNameField);
        set->szName = CutSetName(TextOfFile(stored.substr(0, stored.find('\0'))));
        m_aSets.push_back(std::move(set));
        WRITE_SET& added = *m_aSets.back();

        int32_t objectCount = 0;
        if (!in.Int32(&objectCount)) return Fail(reason, where + ": the object count is missing");
        if (objectCount < 0)
            return Fail(reason, where + ": the object count " + std::to_string(objectCount) +
                                    " is negative");
        for (int32_t o = 0; o < objectCount; ++o) {
            const std::string object = where + " object " + std::to_string(o);
            int32_t type = 0;
            if (!in.Int32(&type)) return Fail(reason, object + " is missing");
            std::unique_ptr<CWriteObject> item = CreateWriteObject(type);
            if (!item)
                return Fail(reason, object + " has the unknown type " + std::to_string(type));
            // An object that cannot be read whole is dropped: a part of it is not the object.
            if (!CWriteObject::ReadBounds(in, &item->m_rcBounds) || !item->LoadBinary(in, version))
                return Fail(reason, object + " is cut short or damaged");
            item->UpdateBounds();
            added.aObjects.push_back(std::move(item));
        }
    }
    return true;
}

namespace {

void WriteHeader(ByteWriter& out, std::size_t setCount) {
    out.Text(CWrite::kHeader);
    out.Zeros(CWrite::kHeaderSize - std::strlen(CWrite::kHeader));
    out.Int32(static_cast<int32_t>(setCount));
}

}  // namespace

void CWrite::WriteSetRecord(ByteWriter& out, bool visible, const std::string& name,
                            const GeoBox& box,
                            const std::vector<std::unique_ptr<CWriteObject>>& objects) {
    out.Byte(visible ? 1 : 0);
    const std::string stored = CutSetName(name);
    out.Text(stored);
    out.Zeros(kNameField - stored.size());
    CWriteObject::WriteBounds(out, box);
    out.Int32(static_cast<int32_t>(objects.size()));
    for (const auto& object : objects) {
        out.Int32(object->m_nType);
        CWriteObject::WriteBounds(out, object->m_rcBounds);
        object->SaveBinary(out);
    }
}

std::string CWrite::SaveBytes() const {
    ByteWriter out;
    WriteHeader(out, m_aSets.size());
    for (const auto& set : m_aSets)
        WriteSetRecord(out, set->bVisible, set->szName, set->rcBox, set->aObjects);
    return out.Take();
}

std::string CWrite::SaveBytes(const WriteSaveJob& job) {
    ByteWriter out;
    WriteHeader(out, job.sets.size());
    for (const WriteSaveJob::Set& set : job.sets)
        WriteSetRecord(out, set.bVisible, set.szName, set.state->rcBox, set.state->aObjects);
    return out.Take();
}

bool CWrite::SaveJob(WriteSaveJob* out) const {
    WriteSaveJob job;
    job.sets.reserve(m_aSets.size());
    for (const auto& set : m_aSets) {
        std::shared_ptr<const WRITE_SET_UNDO> state;
        if (!set->aUndo.empty()) {
            state = set->aUndo.back();
        } else {
            auto copy = std::make_shared<WRITE_SET_UNDO>();
            copy->rcBox = set->rcBox;
            if (!CloneAll(set->aObjects, &copy->aObjects)) return false;
            state = std::move(copy);
        }
        job.sets.push_back({set->bVisible, set->szName, std::move(state)});
    }
    *out = std::move(job);
    return true;
}

bool CWrite::SaveFile() {
    return SaveFile(DataFolder() / kFileName);
}

bool CWrite::SaveFile(const std::filesystem::path& file, std::string* error) {
    std::filesystem::path temporary = file;
    temporary += "_";
    return WriteFileAtomically(file, temporary, SaveBytes(), error);
}

bool CWrite::StartUp(std::string* reason) {
    const bool loaded = LoadFile(DataFolder() / kFileName, reason);
    if (m_aSets.empty()) AddSet(kDefaultSetName);
    for (int i = 0; i < SetCount(); ++i)
        PushUndo(i);
    return loaded;
}

int CWrite::FindSet(std::string_view name) const {
    const std::string stored = CutSetName(name);
    for (int i = 0; i < SetCount(); ++i)
        if (Set(i).szName == stored) return i;
    return -1;
}

bool CWrite::AddSet(std::string_view name) {
    if (FindSet(name) >= 0) return false;
    try {
        auto set = std::make_unique<WRITE_SET>();
        set->szName = CutSetName(name);
        m_aSets.push_back(std::move(set));
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

void CWrite::DeleteSet(int index) {
    m_aSets.erase(m_aSets.begin() + index);
}

void CWrite::UpdateSetBox(int index) {
    WRITE_SET& set = Set(index);
    if (set.aObjects.empty()) return;
    GeoBox box = set.aObjects.front()->m_rcBounds;
    for (const auto& object : set.aObjects) {
        const GeoBox& b = object->m_rcBounds;
        box.left = std::min(box.left, b.left);
        box.bottom = std::min(box.bottom, b.bottom);
        box.right = std::max(box.right, b.right);
        box.top = std::max(box.top, b.top);
    }
    set.rcBox = box;
}

bool CWrite::PushUndo(int index) {
    WRITE_SET& set = Set(index);
    try {
        auto snapshot = std::make_shared<WRITE_SET_UNDO>();
        snapshot->rcBox = set.rcBox;
        if (!CloneAll(set.aObjects, &snapshot->aObjects)) return false;
        if (set.aUndo.size() >= kUndoLimit) set.aUndo.erase(set.aUndo.begin());
        set.aUndo.push_back(std::move(snapshot));
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool CWrite::CanUndo(int index) const {
    return Set(index).aUndo.size() >= 2;
}

void CWrite::Undo(int index) {
    WRITE_SET& set = Set(index);
    if (set.aUndo.size() < 2) return;
    const WRITE_SET_UNDO& previous = *set.aUndo[set.aUndo.size() - 2];
    std::vector<std::unique_ptr<CWriteObject>> objects;
    // Without memory for the copies the set stays as it is.
    if (!CloneAll(previous.aObjects, &objects)) return;
    set.aObjects = std::move(objects);
    set.rcBox = previous.rcBox;
    set.aUndo.pop_back();
}

void CWrite::DrawSet(const WRITE_SET& set, CDivBitmap& target, const WriteTransform& t,
                     const GeoBox& view) {
    for (auto it = set.aObjects.rbegin(); it != set.aObjects.rend(); ++it)
        if ((*it)->m_rcBounds.Meets(view, kDrawMargin)) (*it)->Draw(target, t);
}

void CWrite::DrawSets(CDivBitmap& target, const WriteTransform& t, const GeoBox& view) const {
    for (const auto& set : m_aSets)
        if (set->bVisible && !set->aObjects.empty() && set->rcBox.Meets(view, kDrawMargin))
            DrawSet(*set, target, t, view);
}

std::string MakeClipboardBlock(const std::vector<const CWriteObject*>& objects) {
    ByteWriter records;
    for (const CWriteObject* object : objects) {
        const std::string buffer = object->ToBuffer();
        records.Int32(object->m_nType);
        records.Int32(static_cast<int32_t>(buffer.size()));
        records.Text(buffer);
    }
    ByteWriter block;
    block.UInt32(static_cast<uint32_t>(records.size()));
    block.Text(records.data());
    return block.Take();
}

bool ReadClipboardBlock(std::string_view block, std::vector<std::unique_ptr<CWriteObject>>* out) {
    ByteReader header(block);
    uint32_t total = 0;
    if (!header.UInt32(&total) || total > header.remaining()) return false;
    ByteReader in(block.substr(4, total));
    while (in.remaining() > 0) {
        int32_t type = 0, size = 0;
        std::string_view bytes;
        if (!in.Int32(&type) || !in.Int32(&size) || !in.View(size, &bytes)) return false;
        std::unique_ptr<CWriteObject> object = CreateWriteObject(type);
        if (!object) continue;  // a type this program does not know
        if (!object->FromBuffer(bytes.data(), bytes.size())) return false;
        out->push_back(std::move(object));
    }
    return true;
}

}  // namespace hfp
