#include "write/WritePattern.h"

#include <cstring>
#include <new>

#include "platform/AtomicFile.h"
#include "write/ByteStream.h"
#include "write/LegacyText.h"
#include "write/Write.h"
#include "write/WriteObjectPicture.h"
#include "write/WriteObjectString.h"

namespace hfp {

namespace {

bool Fail(std::string* reason, const std::string& text) {
    if (reason) *reason = text;
    return false;
}

}  // namespace

bool CWritePattern::LoadFile(const std::filesystem::path& file, std::string* reason) {
    std::vector<char> data;
    if (!ReadOverlayFile(file, &data, reason)) return false;
    return LoadBytes(std::string_view(data.data(), data.size()), reason);
}

bool CWritePattern::LoadBytes(std::string_view data, std::string* reason) {
    aNames.clear();
    aObjects.clear();
    if (data.size() < kHeaderSize) return Fail(reason, "the file is shorter than its header");
    if (data.compare(0, kHeaderCompared, kHeader, kHeaderCompared) != 0)
        return Fail(reason, "the file is not a pattern file of HollowfernPlotter");
    std::string_view version = data.substr(kHeaderCompared + 1, kHeaderSize - kHeaderCompared - 1);
    version = version.substr(0, version.find('\0'));
    ByteReader in(data.substr(kHeaderSize));
    int32_t count = 0;
    if (!in.Int32(&count) || count < 0) return Fail(reason, "the pattern count is missing");
    for (int32_t i = 0; i < count; ++i) {
        const std::string where = "pattern " + std::to_string(i);
        int32_t length = 0;
        std::string name;
        if (!in.Int32(&length) || length < 0 || !in.Text(length, &name))
            return Fail(reason, where + ": its name is cut short");
        int32_t type = 0;
        if (!in.Int32(&type)) return Fail(reason, where + ": its type is missing");
        std::unique_ptr<CWriteObject> object = CreateWriteObject(type);
        if (!object) return Fail(reason, where + " has the unknown type " + std::to_string(type));
        if (!object->LoadBinary(in, version))
            return Fail(reason, where + " is cut short or damaged");
        object->UpdateBounds();
        if (auto* picture = dynamic_cast<CWriteObjectPicture*>(object.get()))
            picture->m_rcStamp = picture->m_rcShape;
        aNames.push_back(CutUtf8(TextOfFile(name), kMaxNameBytes));
        aObjects.push_back(std::move(object));
    }
    return true;
}

std::string CWritePattern::SaveBytes() const {
    ByteWriter out;
    out.Text(kHeader);
    out.Zeros(kHeaderSize - std::strlen(kHeader));
    out.Int32(Count());
    for (int i = 0; i < Count(); ++i) {
        const std::string& name = aNames[static_cast<std::size_t>(i)];
        out.Int32(static_cast<int32_t>(name.size()));
        out.Text(name);
        out.Int32(aObjects[static_cast<std::size_t>(i)]->m_nType);
        aObjects[static_cast<std::size_t>(i)]->SaveBinary(out);
    }
    return out.Take();
}

bool CWritePattern::SaveFile(const std::filesystem::path& file, std::string* error) const {
    std::filesystem::path temporary = file;
    temporary += "_";
    return WriteFileAtomically(file, temporary, SaveBytes(), error);
}

int CWritePattern::Find(std::string_view name) const {
    for (int i = 0; i < Count(); ++i)
        if (aNames[static_cast<std::size_t>(i)] == name) return i;
    return -1;
}

bool CWritePattern::Add(const std::string& name, const CWriteObject& object) {
    try {
        std::unique_ptr<CWriteObject> copy = object.Clone();
        if (!copy) return false;
        aNames.push_back(CutUtf8(name, kMaxNameBytes));
        aObjects.push_back(std::move(copy));
    } catch (const std::bad_alloc&) {
        if (aNames.size() > aObjects.size()) aNames.pop_back();
        return false;
    }
    return true;
}

void CWritePattern::Remove(int index) {
    aNames.erase(aNames.begin() + index);
    aObjects.erase(aObjects.begin() + index);
}

void CWritePattern::Swap(int a, int b) {
    std::swap(aNames[static_cast<std::size_t>(a)], aNames[static_cast<std::size_t>(b)]);
    std::swap(aObjects[static_cast<std::size_t>(a)], aObjects[static_cast<std::size_t>(b)]);
}

std::unique_ptr<CWriteObject> CWritePattern::NewObject(int index) const {
    if (index < 0 || index >= Count()) return nullptr;
    const CWriteObject& pattern = *aObjects[static_cast<std::size_t>(index)];
    std::unique_ptr<CWriteObject> object = CreateWriteObject(pattern.m_nType);
    if (!object) return nullptr;
    if (auto* s = dynamic_cast<CWriteObjectString*>(object.get())) {
        const auto& from = static_cast<const CWriteObjectString&>(pattern);
        s->m_lf = from.m_lf;
        s->m_strText = from.m_strText;
        s->m_bBackground = from.m_bBackground;
        s->m_crBackground = from.m_crBackground;
    } else if (auto* p = dynamic_cast<CWriteObjectPicture*>(object.get())) {
        const auto& from = static_cast<const CWriteObjectPicture&>(pattern);
        p->m_strFile = from.m_strFile;
        p->m_bColorKey = from.m_bColorKey;
        p->m_crColorKey = from.m_crColorKey;
        p->m_rcStamp = from.m_rcStamp;
    }
    object->m_crColor = pattern.m_crColor;
    object->m_nStyle = pattern.m_nStyle;
    object->m_nSize = pattern.m_nSize;
    object->m_nTransparency = pattern.m_nTransparency;
    return object;
}

}  // namespace hfp
