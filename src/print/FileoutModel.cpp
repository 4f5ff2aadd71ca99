#include "print/FileoutModel.h"

#include <algorithm>

#include "compose/ImageFile.h"
#include "geo/Projection.h"
#include "platform/Messages.h"
#include "print/PrintSetModel.h"
#include "settings/SetData.h"

namespace hfp {

namespace {

constexpr int kScreenSizeLevel = 17;
constexpr int kScreenAboveLevel = 14;

int32_t Capped(double pixels) {
    return std::clamp(TruncToInt(pixels), 0, FileoutModel::kMaxSize);
}

FileoutModel::Size SizeAt(const FileoutModel::Area& area, int level) {
    return {Capped(area.widthGeo * PixelsPerGeoUnitX(level, area.center.lon)),
            Capped(area.heightGeo * PixelsPerGeoUnitY(level, area.center.lat))};
}

}  // namespace

FileoutModel::FileoutModel(const std::array<Area, kRangeCount>& areas, int mapLevel, int viewLevel,
                           const CSetData& settings, Messages& messages)
    : m_messages(messages),
      m_screenOffered(viewLevel > kScreenAboveLevel),
      m_fileName(settings.m_fileoutName) {
    m_natural[kFileoutBounds] = SizeAt(areas[kFileoutBounds], mapLevel);
    m_natural[kPrintBounds] = SizeAt(areas[kPrintBounds], mapLevel);
    m_natural[kScreen] = SizeAt(areas[kScreen], kScreenSizeLevel);
    const int32_t stored = settings.m_fileoutRange;
    m_range = stored == kPrintBounds || (stored == kScreen && m_screenOffered)
                  ? static_cast<Range>(stored)
                  : kFileoutBounds;
}

FileoutModel::Size FileoutModel::ChooseRange(Range range) {
    m_range = range;
    return m_natural[range];
}

std::optional<std::string> FileoutModel::OtherSide(const std::string& text, bool fromWidth) const {
    const Size natural = m_natural[m_range];
    const int32_t from = fromWidth ? natural.width : natural.height;
    const int32_t to = fromWidth ? natural.height : natural.width;
    if (from <= 0) return std::nullopt;
    return std::to_string(Capped(static_cast<double>(ReadNumber(text)) / from * to));
}

std::optional<FileoutModel::Choice> FileoutModel::Accept(const std::string& widthText,
                                                         const std::string& heightText,
                                                         const std::string& fileName) {
    const Size size{ReadNumber(widthText), ReadNumber(heightText)};
    if (size.width <= 0 || size.height <= 0) {
        m_messages.Show("No image size", MessageIcon::Warning);
        return std::nullopt;
    }
    if (ImageFormatForFileName(fileName) == ImageFileFormat::None) {
        m_messages.Show(std::string(kFailure) + "\n" + kNote, MessageIcon::Error);
        return std::nullopt;
    }
    m_fileName = fileName;
    return Choice{m_range, size, fileName};
}

void FileoutModel::StoreChoice(const Choice& choice, CSetData* settings) {
    settings->m_fileoutRange = choice.range;
    settings->m_fileoutName = choice.file;
}

}  // namespace hfp
