#pragma once

#include <QPen>
#include <QPointF>
#include <QRectF>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "geo/Projection.h"
#include "platform/Color.h"
#include "write/ByteStream.h"

namespace hfp {

class CDivBitmap;

// Mouse-key state handed to the creation and hit operations.
constexpr int kMouseShift = 4;
constexpr int kMouseCtrl = 8;

// Type codes, as the files store them.
enum WriteObjectType : int32_t {
    kWriteLine = 1,
    kWriteRectangle = 2,
    kWriteEllipse = 3,
    kWriteString = 4,
    kWritePicture = 5,
};

// Handle codes of HitHandle, MoveHandle and DragHandle.
enum WriteHandle : int {
    kHandleNone = -1,
    kHandleBody = 0,
    kHandleCorner1 = 1,        // (x1, y1)
    kHandleCorner2 = 2,        // (x2, y1)
    kHandleCorner3 = 3,        // (x1, y2)
    kHandleCorner4 = 4,        // (x2, y2)
    kHandlePoint = 5,          // a line point, its index in m_nDragPoint
    kHandlePointDeleted = 6,   // a line point was deleted
    kHandleExtend = 7,         // the line is to be extended from its end
    kHandlePointInserted = 8,  // a line point was inserted and is being dragged
};

// Dash styles 0 solid, 1 dash, 2 dot, 3 dash dot, 4 dash dot dot.
constexpr int kDashStyleCount = 5;
const char* DashStyleText(int style);

// A box in geo units: x is longitude, y latitude (growing north).
struct GeoBox {
    int32_t left = 0;
    int32_t bottom = 0;
    int32_t right = 0;
    int32_t top = 0;

    GeoBox Normalized() const;
    // Whether the two boxes overlap once `margin` geo units are added around `other`.
    bool Meets(const GeoBox& other, int32_t margin) const;
    friend bool operator==(const GeoBox&, const GeoBox&) = default;
};

struct WritePoint {
    int32_t x = 0;
    int32_t y = 0;
    friend bool operator==(const WritePoint&, const WritePoint&) = default;
};

// The two corners of a rectangle-like shape; after UpdateBounds x1 <= x2 and y1 <= y2.
struct WriteShape {
    int32_t x1 = 0;
    int32_t y1 = 0;
    int32_t x2 = 0;
    int32_t y2 = 0;
    friend bool operator==(const WriteShape&, const WriteShape&) = default;
};

// Where geo units land on a bitmap: (x, y) is at pixel ox + trunc((x - geoLeft) * sx),
// oy + trunc((geoTop - y) * sy), with sx and sy in pixels per geo unit.
struct WriteTransform {
    int ox = 0;
    int oy = 0;
    int32_t geoLeft = 0;
    int32_t geoTop = 0;
    double sx = 0.2;
    double sy = 0.2;

    // The map view's transform: its centre at the centre of the client area.
    static WriteTransform OfView(const ViewTransform& view);

    int X(int32_t x) const;
    int Y(int32_t y) const;
    QPointF Pixel(int32_t x, int32_t y) const { return QPointF(X(x), Y(y)); }
    // A pixel back in geo units.
    int32_t GeoX(double px) const;
    int32_t GeoY(double py) const;
};

// What the pointer should look like over an object; the view maps it to its cursors.
enum class WriteCursor { None, SizeNeSw, SizeNwSe, SizeAll, Point };

// The status bar, as the write objects see it. The view installs the main frame's; without one
// the texts go nowhere.
class WriteStatusSink {
  public:
    virtual ~WriteStatusSink() = default;
    virtual void SetStatusText(const std::string& text) = 0;
};
void SetWriteStatusSink(WriteStatusSink* sink);
void ShowWriteStatus(const std::string& text);

// A write object: one thing drawn on the map, in geo units. The five classes below derive from
// it; write sets own them.
class CWriteObject {
  public:
    virtual ~CWriteObject() = default;

    // The binary form inside the write file and the pattern file (after the type code and the
    // bounds, which the file writes itself). LoadBinary gets the file's version text.
    virtual bool SaveBinary(ByteWriter& out) const = 0;
    virtual bool LoadBinary(ByteReader& in, std::string_view version) = 0;

    // Creation by mouse steps; see each class for the answers.
    virtual int BeginCreate(int flags, int32_t x, int32_t y);
    virtual int EndCreate(int flags, int32_t x, int32_t y);
    virtual int TrackCreate(int flags, int32_t x, int32_t y);
    virtual int FinishCreate(int flags, int32_t x, int32_t y);
    virtual int UndoCreateStep(int flags, int32_t x, int32_t y);

    virtual int HitHandle(int flags, int32_t x, int32_t y, const WriteTransform& t);
    // The last step of a drag (at button up) and one step of it (at each mouse move).
    virtual void MoveHandle(int handle, int flags, int32_t dx, int32_t dy);
    virtual void DragHandle(int handle, int flags, int32_t dx, int32_t dy);
    // Sets the status text of what the mouse is over and answers the cursor for it.
    virtual WriteCursor GetHoverCursor(int flags, int32_t x, int32_t y, const WriteTransform& t);
    // Drawing changes nothing in the object, so the view and a print on another thread may
    // draw the same object at once, each at its own scale.
    virtual void Draw(CDivBitmap& target, const WriteTransform& t) const;
    virtual void UpdateBounds();
    // Whether the object meets the query box (geo units), tested in pixels at (sx, sy).
    virtual bool HitTest(const GeoBox& query, double sx, double sy) const;
    // An unselected copy of everything; null when memory runs out.
    virtual std::unique_ptr<CWriteObject> Clone() const;
    virtual std::string GetStatusText() const;
    // The self-contained memory form of the clipboard; FromBuffer fills a freshly constructed
    // object from it and is false when the block does not hold a whole object.
    virtual std::string ToBuffer() const;
    virtual bool FromBuffer(const void* data, std::size_t size);
    virtual void Offset(int32_t dx, int32_t dy);
    // One line of the exchange file, and reading it back from its fields.
    virtual std::string ExportCsv() const;
    virtual bool ImportCsv(const std::vector<std::string>& fields, std::string_view version);
    // The lines of the exchange file that carry the object, each one the reader takes whole
    // and reads back as written. False, with the reason, when the file cannot carry the object.
    virtual bool ExportCsvLines(std::vector<std::string>* lines, std::string* reason) const;
    // The scale of the view that edits the object (pixels per geo unit): fitting a string and
    // keeping a picture's aspect ratio measure at it. Hit tests take it from their transform;
    // the view gives it before creation steps.
    virtual void NoteViewScale(double sx, double sy);

    // A box as the files store it: left, bottom, right, top.
    static void WriteBounds(ByteWriter& out, const GeoBox& b);
    static bool ReadBounds(ByteReader& in, GeoBox* b);

    int32_t m_nType = 0;
    GeoBox m_rcBounds;
    COLORREF m_crColor = 0;
    int32_t m_nSize = 1;
    int32_t m_nStyle = 0;
    int32_t m_nTransparency = 100;
    bool m_bSelected = false;

  protected:
    explicit CWriteObject(int32_t type) : m_nType(type) {}
    CWriteObject(const CWriteObject&) = default;
    CWriteObject& operator=(const CWriteObject&) = default;

    // m_nTransparency as drawn: a stored value outside 0 to 100 is held to that range.
    int Opacity() const;
    // Whether `line` is short enough for the exchange file's reader and reads back as itself.
    bool CsvLineReadsBack(const std::string& line, std::string* reason) const;

    // The style text of the status line: "Line(3)" for a solid line of size 3, else the name.
    std::string StyleText() const;
    // The object's pen: its colour with opacity, m_nSize at the natural scale, its dash style.
    QPen ObjectPen(const WriteTransform& t) const;
    std::string ColorFields() const;  // "R,G,B" for the exchange file

    // What lines, rectangles and ellipses share: their pen's fields in each form.
    void WritePenFields(ByteWriter& out) const;  // colour, size, style, transparency
    bool ReadPenFields(ByteReader& in);
    std::string PenCsvFields() const;  // "R,G,B,size,style,transparency"
    void ReadPenCsvFields(const std::vector<std::string>& fields);  // fields 1 to 6
    // "KIND Color:R,G,B Size:S Style:STYLE Transparency:T"
    std::string PenStatusText(const char* kind) const;
    // The memory form of a class whose form is its bounds and then its binary body.
    std::string BoundsAndBody() const;
    bool FromBoundsAndBody(const void* data, std::size_t size);

    // Hit, hover and drawing steps of the classes with a rectangle shape.
    int ShapeHandleAt(const WriteShape& s, int32_t x, int32_t y, const WriteTransform& t) const;
    WriteCursor ShapeHover(const WriteShape& s, int32_t x, int32_t y, const WriteTransform& t,
                           const char* firstCornerText, const char* cornerText,
                           const char* bodyText) const;
    // The shape on screen; false when it has no width or height, or lies outside the target.
    static bool ShapeOnScreen(const WriteShape& s, const WriteTransform& t,
                              const CDivBitmap& target, QRectF* rect);
    // The dotted outline (while creating or selected) and the corner squares (selected).
    void DrawShapeSelection(CDivBitmap& target, const QRectF& rect, bool creating) const;

    // Helpers shared by the classes with a rectangle shape.
    static bool PixelNear(const WriteTransform& t, int32_t px, int32_t py, int32_t mx, int32_t my);
    static int ShapeCornerAt(const WriteShape& s, int32_t x, int32_t y, const WriteTransform& t);
    static void MoveShape(WriteShape* s, int handle, int32_t dx, int32_t dy);
    static void NormalizeShape(WriteShape* s);
    static GeoBox BoxOfShape(const WriteShape& s) { return GeoBox{s.x1, s.y1, s.x2, s.y2}; }
    static QRectF ScreenRect(const WriteShape& s, const WriteTransform& t);
    static bool ShapeBoxHit(const WriteShape& s, const GeoBox& query, double sx, double sy,
                            double tolerance);
    static void WriteShapeBinary(ByteWriter& out, const WriteShape& s);
    static bool ReadShapeBinary(ByteReader& in, WriteShape* s);
    static std::string ShapeCsv(const WriteShape& s);  // "x1,y1,x2,y2" as coordinate text
    static WriteShape ShapeOfFields(const std::vector<std::string>& fields, std::size_t first);
    static WriteCursor CornerCursor(int corner);

    // Clone of a class: a copy of every field, unselected; null when memory runs out.
    template <class T>
    static std::unique_ptr<CWriteObject> CloneAs(const T& self) {
        try {
            auto copy = std::make_unique<T>(self);
            copy->m_bSelected = false;
            return copy;
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
    }

    // Drawing helpers.
    static void DrawHandleSquares(CDivBitmap& target, const std::vector<QPointF>& points);
    static void DrawDottedOutline(CDivBitmap& target, const QRectF& rect);
    static std::vector<QPointF> Corners(const QRectF& rect);
};

// An empty object of a type code; null for a code outside 1 to 5.
std::unique_ptr<CWriteObject> CreateWriteObject(int32_t type);

// The reader of the exchange file takes lines of at most this many characters.
constexpr std::size_t kCsvLineLimit = 65535;
// The version of the exchange file this program writes.
inline constexpr const char* kCsvVersion = "1.23";

// The exchange file's numbers, read as the C library's atol reads them (a non-number is 0).
long CsvNumber(const std::string& field);
// Three fields from `first` on: red, green and blue.
COLORREF CsvColor(const std::vector<std::string>& fields, std::size_t first);
// A coordinate of the exchange file: packed degree digits, decimal degrees or marked text.
int32_t CsvLongitude(const std::string& field);
int32_t CsvLatitude(const std::string& field);
// The version of an exchange file as major * 10000 + minor ("1.11" is 10011).
long CsvVersionNumber(std::string_view version);

// Pixel-unit geometry shared by the hit tests.
namespace writegeom {
struct Box {
    double left, top, right, bottom;  // normalised: left <= right, top <= bottom
};
Box MakeBox(double x1, double y1, double x2, double y2);
// A meets B once B is widened by t on every side.
bool BoxesMeet(const Box& a, const Box& b, double t);
Box Scaled(const GeoBox& box, double sx, double sy);
}  // namespace writegeom

}  // namespace hfp
