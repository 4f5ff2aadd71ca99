#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "geo/GeoPoint.h"

namespace hfp {

class CSetData;
class Messages;

// The rules of the "File out" dialog, without its window: which ranges are offered and the
// one chosen first, each range's natural pixel size, the aspect rule between the two size
// fields, the check on OK, and the save dialog's filter. CDialogFileout binds its controls to
// it; the job that composes and writes the file is the print job's.
class FileoutModel {
  public:
    enum Range { kFileoutBounds, kPrintBounds, kScreen, kRangeCount };
    // A range's centre and its width and height in geo units.
    struct Area {
        GeoPoint center;
        int32_t widthGeo = 0;
        int32_t heightGeo = 0;
    };
    struct Size {
        int32_t width = 0;
        int32_t height = 0;
        friend bool operator==(const Size&, const Size&) = default;
    };
    struct Choice {
        Range range;
        Size size;
        std::string file;
    };

    // The size fields take five digits; larger sizes are shown as this.
    static constexpr int32_t kMaxSize = 99999;
    static constexpr int kSizeLength = 5;
    static constexpr int kNameLength = 260;
    // The save dialog: its filter (Qt's form), the suffix a name without one gets, the note.
    static constexpr const char* kSaveFilter =
        "Image files (*.bmp);;JPEG (*.jpg *.jpeg);;GIF (*.gif);;TIFF (*.tif);;PNG (*.png);;"
        "All files (*.*)";
    static constexpr const char* kDefaultSuffix = "bmp";
    static constexpr const char* kNote = "Add file extension.(bmp, jpg, gif, tif or png)";
    static constexpr const char* kFailure = "File out failure.";

    // `areas` in Range order: the file-out bounds, the print-out bounds and the view's area.
    // The bounds are sized at the file-out layout's map level, the view's area at level 17;
    // the screen is offered when the view is at a level above 14.
    FileoutModel(const std::array<Area, kRangeCount>& areas, int mapLevel, int viewLevel,
                 const CSetData& settings, Messages& messages);

    bool screenOffered() const { return m_screenOffered; }
    // The range the dialog opens with: the stored one, the file-out bounds in its stead when
    // the screen is not offered.
    Range range() const { return m_range; }
    const std::string& fileName() const { return m_fileName; }
    // A range button: the fields show its natural size.
    Size ChooseRange(Range range);
    Size NaturalSize(Range range) const { return m_natural[range]; }

    // With the aspect kept, once a size field is left: the other field's new text (the
    // height for a width, or the width for a height); nothing when the range has no size to
    // keep the aspect of.
    std::optional<std::string> OtherSide(const std::string& text, bool fromWidth) const;

    // The save dialog's filter chosen last, kept while the dialog is open.
    int filterIndex() const { return m_filterIndex; }
    void SetFilterIndex(int index) { m_filterIndex = index; }

    // OK: the choice, or nothing (said) while a size is missing or no image encoder takes the
    // file name's extension: a name the file cannot be written under is refused before the map
    // is composed, with the dialog still open to mend it.
    std::optional<Choice> Accept(const std::string& widthText, const std::string& heightText,
                                 const std::string& fileName);
    // What the view keeps of a choice for the next time.
    static void StoreChoice(const Choice& choice, CSetData* settings);

  private:
    Messages& m_messages;
    std::array<Size, kRangeCount> m_natural{};
    bool m_screenOffered;
    Range m_range;
    std::string m_fileName;
    int m_filterIndex = 0;
};

}  // namespace hfp
