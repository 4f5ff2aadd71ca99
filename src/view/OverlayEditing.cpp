// The editing side of the map view: write modes, the mouse and key protocol on write objects,
// the edit and attribute commands, the clipboard and the autosave of write.dat.
#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QCursor>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMetaObject>
#include <QMimeData>
#include <QMouseEvent>
#include <algorithm>
#include <filesystem>
#include <new>

#include "platform/DataFolder.h"
#include "platform/Messages.h"
#include "print/ui/DialogLineStyle.h"
#include "view/HollowfernPlotterView.h"
#include "view/MapViewOwner.h"
#include "write/WriteObjectLine.h"
#include "write/WriteObjectPicture.h"
#include "write/WriteObjectString.h"
#include "write/WriteSaver.h"
#include "write/ui/DialogWritePattern.h"
#include "write/ui/DialogWriteProperty.h"
#include "write/ui/DialogWriteSet.h"

namespace hfp {

namespace {

// Objects and set boxes meet a point or the view when they come this near (geo units).
constexpr int32_t kHitMargin = 100;
constexpr int kFirstEditLevel = 15;
constexpr int kEdgeTickMs = 100;
constexpr int kEdgeZone = 20;
// A committed change is on disk this long after it, at most (unless the disk refuses).
constexpr std::chrono::milliseconds kAutosaveDelay{1500};
// Pasted text makes a string this far around the view centre (geo units).
constexpr int32_t kPastedStringHalf = 300;

constexpr QRgb kBandFill = 0x500000FF;
constexpr QRgb kBandOutline = 0x960000FF;

// The note of the string and picture dialogs when they edit the selected object.
const char* const kSelectedNote = "Selected objects will be changed.";

const char* const kModePrompts[] = {
    "Starting left drag=Start point(Shift, Ctrl=Add selection) Right click=Cancel",
    "Left click=Start point Right click=Cancel to write connected line.",
    "Starting left drag=Start point Right click=Cancel to write rectangle.",
    "Starting left drag=Start point Right click=Cancel to write ellipse.",
    "Starting left drag=Start point Right click=Cancel to write characters.",
    "Starting left drag=Start poing Right click=Cancel to write picture.",
};

int Flags(Qt::KeyboardModifiers modifiers) {
    int flags = 0;
    if (modifiers & Qt::ShiftModifier) flags |= kMouseShift;
    if (modifiers & Qt::ControlModifier) flags |= kMouseCtrl;
    return flags;
}

Qt::CursorShape CursorShapeOf(WriteCursor cursor) {
    switch (cursor) {
        case WriteCursor::SizeNeSw:
            return Qt::SizeBDiagCursor;
        case WriteCursor::SizeNwSe:
            return Qt::SizeFDiagCursor;
        case WriteCursor::SizeAll:
            return Qt::SizeAllCursor;
        case WriteCursor::Point:
            return Qt::CrossCursor;
        case WriteCursor::None:
            break;
    }
    return Qt::ArrowCursor;
}

GeoBox PointBox(GeoPoint g) {
    return GeoBox{g.lon, g.lat, g.lon, g.lat};
}

QColor QColorOf(COLORREF c) {
    return QColor(RedOf(c), GreenOf(c), BlueOf(c));
}

}  // namespace

// --- Set-up, drawing, saving ---------------------------------------------------------------

void CHollowfernPlotterView::StartWrite() {
    const std::filesystem::path file = DataFolder() / CWrite::kFileName;
    std::error_code ec;
    const bool existed = std::filesystem::exists(file, ec);
    std::string reason;
    if (!m_write.StartUp(&reason) && existed) {
        // Saving would put only what could be read in place of the file: keep it aside first.
        std::filesystem::path kept = file;
        kept += ".damaged";
        std::filesystem::copy_file(file, kept, std::filesystem::copy_options::overwrite_existing,
                                   ec);
        m_messages.Show("The write file " + file.string() + " could not be read whole (" + reason +
                            "). The objects read before the damage are shown; the " +
                            "file is kept as " + kept.string() + ".",
                        MessageIcon::Warning);
    }
    RefillWriteSetBox();
    m_saver = std::make_unique<WriteSaver>(file, kAutosaveDelay, [this](const std::string& e) {
        QMetaObject::invokeMethod(
            this, [this, e] { OnSaveReport(&m_saveFailed, CWrite::kSaveFailedText, e); },
            Qt::QueuedConnection);
    });
    // A missing or damaged pattern file leaves the patterns as far as they could be read.
    const std::filesystem::path patternFile = DataFolder() / CWritePattern::kFileName;
    m_patterns.LoadFile(patternFile);
    RefillPatternBox();
    m_patternSaver =
        std::make_unique<WriteSaver>(patternFile, kAutosaveDelay, [this](const std::string& e) {
            QMetaObject::invokeMethod(
                this,
                [this, e] {
                    OnSaveReport(&m_patternSaveFailed, CWritePattern::kSaveFailedText, e);
                },
                Qt::QueuedConnection);
        });
    m_owner->ShowCurrentPen(m_crCurrent, m_nCurSize, m_nCurStyle);
}

void CHollowfernPlotterView::RefillWriteSetBox() {
    std::vector<std::pair<int, std::string>> items;
    for (int i = 0; i < m_write.SetCount(); ++i)
        if (m_write.Set(i).bVisible) items.emplace_back(i, m_write.Set(i).szName);
    m_owner->FillWriteSetBox(items);
}

int CHollowfernPlotterView::CurrentSet() const {
    const int index = m_owner->CurrentWriteSet();
    return index >= 0 && index < m_write.SetCount() ? index : -1;
}

WRITE_SET* CHollowfernPlotterView::CurrentSetOrNull() {
    const int index = CurrentSet();
    return index < 0 ? nullptr : &m_write.Set(index);
}

WriteTransform CHollowfernPlotterView::ObjectTransform() const {
    return WriteTransform::OfView(Transform());
}

GeoPoint CHollowfernPlotterView::GeoAt(QPoint p) const {
    return Transform().ClientToGeo(p.x(), p.y());
}

GeoBox CHollowfernPlotterView::ViewGeoBox(const ViewTransform& view) const {
    const GeoPoint topLeft = view.ClientToGeo(0, 0);
    const GeoPoint bottomRight = view.ClientToGeo(width(), height());
    return GeoBox{topLeft.lon, bottomRight.lat, bottomRight.lon, topLeft.lat};
}

void CHollowfernPlotterView::DrawOverlay(CDivBitmap& target, const ViewTransform& view) {
    const WriteTransform t = WriteTransform::OfView(view);
    m_write.DrawSets(target, t, ViewGeoBox(view));
    if (m_pCreating) m_pCreating->Draw(target, t);
    if (!m_band) return;
    int x1, y1, x2, y2;
    view.GeoToClient(m_bandFirst, &x1, &y1);
    view.GeoToClient(m_bandSecond, &x2, &y2);
    const QRectF band = QRectF(QPointF(x1, y1), QPointF(x2, y2)).normalized();
    target.FillRectangle(QBrush(QColor::fromRgba(kBandFill)), band);
    target.DrawRectangle(QPen(QColor::fromRgba(kBandOutline), 1), band);
}

void CHollowfernPlotterView::ScheduleSave() {
    WriteSaveJob job;
    if (m_saver && m_write.SaveJob(&job)) m_saver->Schedule(std::move(job));
}

bool CHollowfernPlotterView::AutosavePending() const {
    return m_saver && m_saver->Busy();
}

void CHollowfernPlotterView::SchedulePatternSave() {
    if (m_patternSaver)
        m_patternSaver->Schedule([bytes = m_patterns.SaveBytes()] { return bytes; });
}

void CHollowfernPlotterView::RefillPatternBox() {
    std::vector<std::pair<int32_t, std::string>> items;
    for (int i = 0; i < m_patterns.Count(); ++i)
        items.emplace_back(m_patterns.aObjects[static_cast<std::size_t>(i)]->m_nType,
                           m_patterns.aNames[static_cast<std::size_t>(i)]);
    m_owner->FillPatternBox(items);
}

void CHollowfernPlotterView::OnSaveReport(bool* failed, const char* what,
                                          const std::string& error) {
    if (error.empty()) {
        *failed = false;
        if (!m_saveFailed && !m_patternSaveFailed) m_saveNotice->hide();
        return;
    }
    if (*failed) return;  // said once; the saver tries again on its own
    *failed = true;
    m_saveNotice->setText(QString("%1 %2. Your drawing is kept in memory and saving is tried "
                                  "again every few seconds.")
                              .arg(what, QString::fromStdString(error)));
    m_saveNotice->resize(width(), m_saveNotice->heightForWidth(width()));
    m_saveNotice->move(0, height() - m_saveNotice->height());
    m_saveNotice->show();
}

bool CHollowfernPlotterView::SaveWriteOnExit() {
    if (m_saver) m_saver->Stop();
    if (m_patternSaver) m_patternSaver->Stop();
    CancelCreating();
    std::string error;
    bool saved = true;
    if (!m_write.SaveFile(DataFolder() / CWrite::kFileName, &error)) {
        m_owner->messages().Show(std::string(CWrite::kSaveFailedText) + "\n" + error,
                                 MessageIcon::Error);
        saved = false;
    }
    if (!m_patterns.SaveFile(DataFolder() / CWritePattern::kFileName, &error)) {
        m_owner->messages().Show(std::string(CWritePattern::kSaveFailedText) + "\n" + error,
                                 MessageIcon::Error);
        saved = false;
    }
    return saved;
}

// --- Modes and prompts ---------------------------------------------------------------------

void CHollowfernPlotterView::ShowModePrompt() {
    const int pattern = m_owner->CurrentPattern();
    if (m_nWriteMode == kPatternMode && pattern >= 0 && pattern < m_patterns.Count())
        m_owner->SetStatusText(
            kModePrompts[m_patterns.aObjects[static_cast<std::size_t>(pattern)]->m_nType]);
    else if (m_nWriteMode >= kSelectMode && m_nWriteMode <= kPictureMode)
        m_owner->SetStatusText(kModePrompts[m_nWriteMode]);
    else
        m_owner->SetStatusText("Waiting.");
}

void CHollowfernPlotterView::SetWriteModeAndReset(int mode) {
    m_nWriteMode = mode;
    if (mode != kPatternMode) m_owner->ClearPatternSelection();
    if (mode == kSelectMode)
        setCursor(Qt::CrossCursor);
    else if (mode > kSelectMode)
        setCursor(Qt::ArrowCursor);
    else
        unsetCursor();
    ShowModePrompt();
    m_owner->EditStateChanged();
}

void CHollowfernPlotterView::EndMode() {
    SetWriteModeAndReset(kNoMode);
}

void CHollowfernPlotterView::OnWriteMode(int mode) {
    CancelCreating();
    DeselectAll();
    SetWriteModeAndReset(m_nWriteMode == mode ? kNoMode : mode);
    update();
}

void CHollowfernPlotterView::OnWriteString() {
    if (SoleSelected(kWriteString)) {
        AskString(true);
        return;
    }
    OnWriteMode(kStringMode);
    if (m_nWriteMode == kStringMode && !AskString(false)) EndMode();
}

void CHollowfernPlotterView::OnWritePicture() {
    if (auto* picture = static_cast<CWriteObjectPicture*>(SoleSelected(kWritePicture))) {
        CurrentPicture chosen{picture->m_strFile, picture->m_bColorKey, picture->m_crColorKey};
        if (!AskPicture(&chosen, kSelectedNote)) return;
        picture->m_strFile = chosen.file;
        picture->m_bColorKey = chosen.colorKey;
        picture->m_crColorKey = chosen.colorKeyColor;
        picture->m_nImageWidth = picture->m_nImageHeight = -1;
        CommitEdit(false);
        return;
    }
    OnWriteMode(kPictureMode);
    if (m_nWriteMode == kPictureMode && !AskPicture(&m_CurPicture, QString())) EndMode();
}

bool CHollowfernPlotterView::AskString(bool forSelected) {
    auto* selected = static_cast<CWriteObjectString*>(SoleSelected(kWriteString));
    const CurrentString old = forSelected
                                  ? CurrentString{selected->m_lf, selected->m_strText,
                                                  selected->m_bBackground, selected->m_crBackground}
                                  : m_CurString;
    CDialogWriteString dialog(old, forSelected ? kSelectedNote : QString(), this);
    if (dialog.exec() != QDialog::Accepted) return false;
    const CurrentString& chosen = dialog.settings();
    if (!forSelected) {
        m_CurString = chosen;
        // A string without text could not be seen or selected.
        return !chosen.text.empty();
    }
    if (!chosen.text.empty()) selected->m_strText = chosen.text;
    selected->m_lf = chosen.lf;
    selected->m_bBackground = chosen.background;
    selected->m_crBackground = chosen.backgroundColor;
    selected->UpdateBounds();
    CommitEdit();
    return true;
}

bool CHollowfernPlotterView::AskPicture(CurrentPicture* picture, const QString& note) {
    CDialogWritePicture dialog(*picture, note, this);
    if (dialog.exec() != QDialog::Accepted || dialog.settings().file.empty()) return false;
    *picture = dialog.settings();
    return true;
}

// --- Selection -----------------------------------------------------------------------------

void CHollowfernPlotterView::DeselectAll() {
    for (int i = 0; i < m_write.SetCount(); ++i)
        for (auto& object : m_write.Set(i).aObjects)
            object->m_bSelected = false;
    m_aSelected.clear();
    m_owner->EditStateChanged();
}

void CHollowfernPlotterView::SelectObject(CWriteObject* object) {
    if (object->m_bSelected) return;
    object->m_bSelected = true;
    m_aSelected.push_back(object);
    m_owner->EditStateChanged();
}

CWriteObject* CHollowfernPlotterView::SoleSelected(int32_t type) const {
    return m_aSelected.size() == 1 && m_aSelected.front()->m_nType == type ? m_aSelected.front()
                                                                           : nullptr;
}

CWriteObject* CHollowfernPlotterView::ObjectAt(int setIndex, GeoPoint g) const {
    const WRITE_SET& set = m_write.Set(setIndex);
    const GeoBox point = PointBox(g);
    if (!set.bVisible || set.aObjects.empty() || !set.rcBox.Meets(point, kHitMargin))
        return nullptr;
    const ViewTransform view = Transform();
    for (const auto& object : set.aObjects)
        if (object->m_rcBounds.Meets(point, kHitMargin) &&
            object->HitTest(point, view.kx(), view.ky()))
            return object.get();
    return nullptr;
}

void CHollowfernPlotterView::BandSelect(int flags) {
    if (!(flags & (kMouseShift | kMouseCtrl))) DeselectAll();
    WRITE_SET* set = CurrentSetOrNull();
    if (!set || !set->bVisible) return;
    const GeoBox band =
        GeoBox{m_bandFirst.lon, m_bandFirst.lat, m_bandSecond.lon, m_bandSecond.lat}.Normalized();
    const ViewTransform view = Transform();
    for (auto& object : set->aObjects)
        if (object->HitTest(band, view.kx(), view.ky())) SelectObject(object.get());
}

bool CHollowfernPlotterView::CanEditObjects() const {
    return m_nav.level() >= kFirstEditLevel;
}

// --- Mouse ---------------------------------------------------------------------------------

std::unique_ptr<CWriteObject> CHollowfernPlotterView::NewObjectOfMode() const {
    if (m_nWriteMode == kPatternMode) return m_patterns.NewObject(m_owner->CurrentPattern());
    auto object = CreateWriteObject(static_cast<int32_t>(m_nWriteMode));
    if (!object) return nullptr;
    if (auto* s = dynamic_cast<CWriteObjectString*>(object.get())) {
        s->m_lf = m_CurString.lf;
        s->m_strText = m_CurString.text;
        s->m_bBackground = m_CurString.background;
        s->m_crBackground = m_CurString.backgroundColor;
    } else if (auto* p = dynamic_cast<CWriteObjectPicture*>(object.get())) {
        p->m_strFile = m_CurPicture.file;
        p->m_bColorKey = m_CurPicture.colorKey;
        p->m_crColorKey = m_CurPicture.colorKeyColor;
    }
    object->m_crColor = m_crCurrent;
    object->m_nStyle = m_nCurStyle;
    object->m_nSize = m_nCurSize;
    object->m_nTransparency = m_owner->TransparencyValue();
    return object;
}

void CHollowfernPlotterView::BeginCreateAt(int flags, GeoPoint g) {
    if (!m_pCreating) {
        m_pCreating = NewObjectOfMode();
        if (!m_pCreating) return;
    }
    const WriteTransform t = ObjectTransform();
    m_pCreating->NoteViewScale(t.sx, t.sy);
    const int answer = m_pCreating->BeginCreate(flags, g.lon, g.lat);
    if (answer == -1) {
        DropCreating();
        EndMode();
    } else if (answer == 1) {
        StartEdgeTick();
    }
}

void CHollowfernPlotterView::CommitCreated() {
    WRITE_SET* set = CurrentSetOrNull();
    if (!set) {
        CancelCreating();
        return;
    }
    CWriteObject* object = m_pCreating.get();
    set->aObjects.insert(set->aObjects.begin(), std::move(m_pCreating));
    m_extended = {};
    SelectObject(object);
    CommitEdit();
    EndMode();
    StopEdgeTick();
}

void CHollowfernPlotterView::DropCreating() {
    m_pCreating.reset();
    StopEdgeTick();
    if (!m_extended.object) return;
    // Cancelling an extension takes back the new points only: the line goes back as it was.
    if (m_extended.set < m_write.SetCount()) {
        WRITE_SET* set = &m_write.Set(m_extended.set);
        const auto at = std::min(m_extended.index, set->aObjects.size());
        set->aObjects.insert(set->aObjects.begin() + static_cast<std::ptrdiff_t>(at),
                             std::move(m_extended.object));
    }
    m_extended = {};
}

void CHollowfernPlotterView::CancelCreating() {
    if (!m_pCreating) return;
    DropCreating();
    update();
}

void CHollowfernPlotterView::StartObjectDrag(int handle, GeoPoint g) {
    m_objectDrag = true;
    m_nDragHandle = handle;
    m_ptDragStart = m_ptDragLast = g;
    StartEdgeTick();
}

bool CHollowfernPlotterView::EditPress(QMouseEvent* event) {
    const int flags = Flags(event->modifiers());
    const GeoPoint g = GeoAt(event->position().toPoint());
    if (m_nWriteMode >= kLineMode) {
        BeginCreateAt(flags, g);
        update();
        return true;
    }
    const bool editing = CanEditObjects();
    if (editing && !m_aSelected.empty()) {
        const WriteTransform t = ObjectTransform();
        for (std::size_t i = 0; i < m_aSelected.size(); ++i) {
            CWriteObject* object = m_aSelected[i];
            const int handle = object->HitHandle(flags, g.lon, g.lat, t);
            if (handle == kHandlePointDeleted) {
                CommitEdit();
                continue;
            }
            if (handle == kHandleExtend) {
                WRITE_SET* set = CurrentSetOrNull();
                auto it = set ? std::find_if(set->aObjects.begin(), set->aObjects.end(),
                                             [&](const auto& o) { return o.get() == object; })
                              : std::vector<std::unique_ptr<CWriteObject>>::iterator();
                auto original = set && it != set->aObjects.end() ? object->Clone() : nullptr;
                if (!original) return true;
                object->m_bSelected = false;
                m_aSelected.erase(m_aSelected.begin() + static_cast<std::ptrdiff_t>(i));
                m_extended.object = std::move(original);
                m_extended.set = CurrentSet();
                m_extended.index = static_cast<std::size_t>(it - set->aObjects.begin());
                m_pCreating = std::move(*it);
                set->aObjects.erase(it);
                m_nWriteMode = kLineMode;
                setCursor(Qt::ArrowCursor);
                StartEdgeTick();
                m_owner->EditStateChanged();
                update();
                return true;
            }
            if (handle >= 0) {
                if (handle == kHandlePointInserted) {
                    StartObjectDrag(kHandlePoint, g);
                    m_ptDragStart.lon = -1;  // the inserted point is a change even unmoved
                } else {
                    StartObjectDrag(handle, g);
                }
                update();
                return true;
            }
        }
    }
    // Then the print-out and file-out bounds may take the press, before any selection.
    if (GripFrame(event->position().toPoint())) return true;
    if (editing) {
        if (!(flags & (kMouseShift | kMouseCtrl))) DeselectAll();
        const int current = CurrentSet();
        CWriteObject* hit = current >= 0 ? ObjectAt(current, g) : nullptr;
        if (!hit && (flags & kMouseCtrl)) {
            for (int i = 0; i < m_write.SetCount() && !hit; ++i) {
                if (i == current || !(hit = ObjectAt(i, g))) continue;
                DeselectAll();
                m_owner->ShowWriteSet(i);
            }
        }
        if (hit) {
            SelectObject(hit);
            StartObjectDrag(kHandleBody, g);
            update();
            return true;
        }
    }
    if (m_nWriteMode != kSelectMode) return false;
    if (!(flags & (kMouseShift | kMouseCtrl))) DeselectAll();
    m_band = true;
    m_bandFirst = m_bandSecond = g;
    StartEdgeTick();
    m_owner->SetStatusText("End of left drag=End of points Right click=Cancel");
    update();
    return true;
}

bool CHollowfernPlotterView::EditMove(QMouseEvent* event) {
    const int flags = Flags(event->modifiers());
    const QPoint p = event->position().toPoint();
    const GeoPoint g = GeoAt(p);
    if (m_pCreating) {
        if (m_pCreating->TrackCreate(flags, g.lon, g.lat) != 1) DropCreating();
        update();
        return true;
    }
    if (m_objectDrag) {
        if (!(event->buttons() & Qt::LeftButton)) return false;
        const int32_t dx = g.lon - m_ptDragLast.lon, dy = g.lat - m_ptDragLast.lat;
        // Only the area the objects leave and enter is painted again.
        const WriteTransform t = ObjectTransform();
        QRect dirty;
        for (CWriteObject* object : m_aSelected) {
            const GeoBox before = object->m_rcBounds;
            object->DragHandle(m_nDragHandle, flags, dx, dy);
            for (const GeoBox& b : {before, object->m_rcBounds})
                dirty |= QRect(QPoint(t.X(b.left), t.Y(b.top)), QPoint(t.X(b.right), t.Y(b.bottom)))
                             .normalized();
        }
        m_ptDragLast = g;
        // Handles, pens and a shape not yet normalised reach past the bounds.
        const int dragSpan = std::max(std::abs(t.X(g.lon + dx) - t.X(g.lon)),
                                      std::abs(t.Y(g.lat + dy) - t.Y(g.lat)));
        update(dirty.adjusted(-dragSpan - 64, -dragSpan - 64, dragSpan + 64, dragSpan + 64));
        return true;
    }
    if (m_band) {
        m_bandSecond = g;
        BandSelect(flags);
        update();
        return true;
    }
    if (!(event->buttons() & Qt::LeftButton)) Hover(p, flags);
    return false;
}

void CHollowfernPlotterView::Hover(QPoint p, int flags) {
    const GeoPoint g = GeoAt(p);
    if (m_nWriteMode > kSelectMode) {
        ShowModePrompt();
        return;
    }
    const WriteTransform t = ObjectTransform();
    for (CWriteObject* object : m_aSelected) {
        const WriteCursor cursor = object->GetHoverCursor(flags, g.lon, g.lat, t);
        if (cursor != WriteCursor::None) {
            setCursor(CursorShapeOf(cursor));
            return;
        }
    }
    if (CanEditObjects()) {
        const int current = CurrentSet();
        if (current >= 0 && ObjectAt(current, g)) {
            setCursor(Qt::SizeAllCursor);
            m_owner->SetStatusText("Left click=Select write object.(Shift, Ctrl=Add selection)");
            return;
        }
        for (int i = 0; i < m_write.SetCount(); ++i) {
            if (i == current || !ObjectAt(i, g)) continue;
            setCursor(Qt::ForbiddenCursor);
            m_owner->SetStatusText("Write object " + m_write.Set(i).szName +
                                   " Ctrl+Left click=Active");
            return;
        }
    }
    if (m_nWriteMode == kSelectMode)
        setCursor(Qt::CrossCursor);
    else
        unsetCursor();
    if (m_nWriteMode == kSelectMode) ShowModePrompt();
}

bool CHollowfernPlotterView::EditRelease(QMouseEvent* event) {
    const int flags = Flags(event->modifiers());
    const GeoPoint g = GeoAt(event->position().toPoint());
    if (m_pCreating) {
        const int answer = m_pCreating->EndCreate(flags, g.lon, g.lat);
        if (answer == -1) {
            DropCreating();
            ShowModePrompt();
        } else if (answer == 0) {
            CommitCreated();
        }
        update();
        return true;
    }
    if (m_band) {
        m_band = false;
        StopEdgeTick();
        ShowModePrompt();
        update();
        return true;
    }
    if (m_objectDrag) {
        m_objectDrag = false;
        if (!(g == m_ptDragStart)) {
            for (CWriteObject* object : m_aSelected)
                object->MoveHandle(m_nDragHandle, flags, g.lon - m_ptDragLast.lon,
                                   g.lat - m_ptDragLast.lat);
            CommitEdit();
        }
        m_nDragHandle = kHandleNone;
        StopEdgeTick();
        update();
        return true;
    }
    return m_nWriteMode >= kLineMode;
}

bool CHollowfernPlotterView::EditRightPress(QMouseEvent* event) {
    const int flags = Flags(event->modifiers());
    const GeoPoint g = GeoAt(event->position().toPoint());
    if (m_pCreating) {
        if (m_pCreating->UndoCreateStep(flags, g.lon, g.lat) == -1) DropCreating();
        update();
        return true;
    }
    if (m_nWriteMode >= kLineMode) {
        EndMode();
        return true;
    }
    const ViewTransform view = Transform();
    for (CWriteObject* object : m_aSelected) {
        if (object->m_rcBounds.Meets(PointBox(g), kHitMargin) &&
            object->HitTest(PointBox(g), view.kx(), view.ky())) {
            m_band = false;
            ShowObjectMenu(event->globalPosition().toPoint());
            update();
            return true;
        }
    }
    if (m_nWriteMode == kSelectMode) {
        m_band = false;
        StopEdgeTick();
        DeselectAll();
        EndMode();
        update();
        return true;
    }
    return false;
}

void CHollowfernPlotterView::mouseDoubleClickEvent(QMouseEvent* event) {
    auto* line = dynamic_cast<CWriteObjectLine*>(m_pCreating.get());
    if (event->button() == Qt::LeftButton && !line && OpenSpotPageAt(event->position().toPoint()))
        return;
    if (event->button() != Qt::LeftButton || !line) {
        mousePressEvent(event);
        return;
    }
    const GeoPoint g = GeoAt(event->position().toPoint());
    if (line->FinishCreate(Flags(event->modifiers()), g.lon, g.lat) == 0) CommitCreated();
    update();
}

void CHollowfernPlotterView::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Delete:
        case Qt::Key_Backspace:
            if (CanEditObjects() && !m_aSelected.empty()) {
                OnEditDelete();
                return;
            }
            break;
        case Qt::Key_Shift:
            if (auto* line = dynamic_cast<CWriteObjectLine*>(m_pCreating.get())) {
                line->TracePath(mapBitmap(), ObjectTransform());
                update();
                return;
            }
            break;
        case Qt::Key_Escape:
            if (m_pCreating) {
                CancelCreating();
            } else {
                m_band = false;
                EndMode();
                update();
            }
            return;
        default:
            break;
    }
    QWidget::keyPressEvent(event);
}

// --- Edge scrolling ------------------------------------------------------------------------

void CHollowfernPlotterView::StartEdgeTick() {
    if (!m_edgeTick.isActive()) m_edgeTick.start(kEdgeTickMs);
}

void CHollowfernPlotterView::StopEdgeTick() {
    m_edgeTick.stop();
}

void CHollowfernPlotterView::OnEdgeTick() {
    if (!m_pCreating && !m_objectDrag && !m_band) {
        StopEdgeTick();
        return;
    }
    const QPoint cursor = QCursor::pos();
    const QRect area(mapToGlobal(QPoint(0, 0)), size());
    const ViewTransform view = Transform();
    GeoPoint center = m_nav.center();
    const int north = cursor.y() - area.top() - kEdgeZone;
    const int south = cursor.y() - (area.top() + area.height()) + kEdgeZone;
    const int west = cursor.x() - area.left() - kEdgeZone;
    const int east = cursor.x() - (area.left() + area.width()) + kEdgeZone;
    if (north < 0) center.lat += static_cast<int32_t>(-north / view.ky());
    if (south > 0) center.lat -= static_cast<int32_t>(south / view.ky());
    if (west < 0) center.lon -= static_cast<int32_t>(-west / view.kx());
    if (east > 0) center.lon += static_cast<int32_t>(east / view.kx());
    if (center == m_nav.center()) return;
    m_nav.SetCenter(center);
    m_nav.ClampCenter();
    Refresh();
}

// --- Commits and commands ------------------------------------------------------------------

void CHollowfernPlotterView::CommitEdit(bool geometry) {
    const int index = CurrentSet();
    if (index >= 0) {
        if (geometry) m_write.UpdateSetBox(index);
        if (!m_write.PushUndo(index))
            m_owner->messages().Show(CWrite::kUndoFailedText, MessageIcon::Error);
    }
    ScheduleSave();
    m_owner->EditStateChanged();
    update();
}

bool CHollowfernPlotterView::CanUndo() const {
    const int index = CurrentSet();
    return CanEditObjects() && index >= 0 && m_write.CanUndo(index);
}

void CHollowfernPlotterView::OnEditUndo() {
    if (!CanUndo()) return;
    DeselectAll();
    m_write.Undo(CurrentSet());
    ScheduleSave();
    m_owner->EditStateChanged();
    update();
}

void CHollowfernPlotterView::OnEditDelete() {
    for (int i = 0; i < m_write.SetCount(); ++i) {
        auto& objects = m_write.Set(i).aObjects;
        std::erase_if(objects, [](const auto& o) { return o->m_bSelected; });
        m_write.UpdateSetBox(i);
    }
    m_aSelected.clear();
    CommitEdit();
}

void CHollowfernPlotterView::OnEditCopy() {
    std::string block;
    try {
        std::vector<const CWriteObject*> objects(m_aSelected.begin(), m_aSelected.end());
        block = MakeClipboardBlock(objects);
        auto* data = new QMimeData;
        data->setData(kClipboardMimeType,
                      QByteArray(block.data(), static_cast<qsizetype>(block.size())));
        QApplication::clipboard()->setMimeData(data);
    } catch (const std::bad_alloc&) {
        m_owner->messages().Show("Cannot allocate memory.[CHollowfernPlotterView::OnEditCopy]",
                                 MessageIcon::Error);
    }
}

void CHollowfernPlotterView::OnEditCut() {
    OnEditCopy();
    OnEditDelete();
}

void CHollowfernPlotterView::OnEditPaste() {
    WRITE_SET* set = CurrentSetOrNull();
    const QMimeData* data = QApplication::clipboard()->mimeData();
    if (!set || !data) return;
    const GeoPoint c = m_nav.center();
    if (data->hasText()) {
        DeselectAll();
        m_CurString.text = data->text().toStdString();
        auto string = std::make_unique<CWriteObjectString>();
        string->m_lf = m_CurString.lf;
        string->m_strText = m_CurString.text;
        string->m_bBackground = m_CurString.background;
        string->m_crBackground = m_CurString.backgroundColor;
        string->m_crColor = m_crCurrent;
        string->m_nTransparency = m_owner->TransparencyValue();
        string->m_rcShape = WriteShape{c.lon - kPastedStringHalf, c.lat - kPastedStringHalf,
                                       c.lon + kPastedStringHalf, c.lat + kPastedStringHalf};
        string->UpdateBounds();
        CWriteObject* object = string.get();
        set->aObjects.insert(set->aObjects.begin(), std::move(string));
        SelectObject(object);
        CommitEdit();
        return;
    }
    if (!data->hasFormat(kClipboardMimeType)) return;
    const QByteArray bytes = data->data(kClipboardMimeType);
    std::vector<std::unique_ptr<CWriteObject>> objects;
    if (!ReadClipboardBlock(
            std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), &objects))
        m_owner->messages().Show(
            "The clipboard holds damaged write objects; only the whole ones "
            "are pasted.",
            MessageIcon::Warning);
    if (objects.empty()) return;
    DeselectAll();
    GeoBox box = objects.front()->m_rcBounds;
    for (const auto& object : objects) {
        box.left = std::min(box.left, object->m_rcBounds.left);
        box.bottom = std::min(box.bottom, object->m_rcBounds.bottom);
        box.right = std::max(box.right, object->m_rcBounds.right);
        box.top = std::max(box.top, object->m_rcBounds.top);
    }
    const int32_t dx =
        c.lon - static_cast<int32_t>((static_cast<int64_t>(box.left) + box.right) / 2);
    const int32_t dy =
        c.lat - static_cast<int32_t>((static_cast<int64_t>(box.bottom) + box.top) / 2);
    for (auto& object : objects) {
        object->Offset(dx, dy);
        CWriteObject* raw = object.get();
        set->aObjects.insert(set->aObjects.begin(), std::move(object));
        SelectObject(raw);
    }
    CommitEdit();
}

void CHollowfernPlotterView::MoveSelection(bool toFront, bool allTheWay) {
    WRITE_SET* set = CurrentSetOrNull();
    if (!set) return;
    auto& objects = set->aObjects;
    if (allTheWay) {
        // The selected objects keep their order among themselves.
        std::stable_partition(objects.begin(), objects.end(),
                              [&](const auto& o) { return o->m_bSelected == toFront; });
    } else if (toFront) {
        for (std::size_t i = 1; i < objects.size(); ++i)
            if (objects[i]->m_bSelected && !objects[i - 1]->m_bSelected)
                std::swap(objects[i], objects[i - 1]);
    } else {
        for (std::size_t i = objects.size() < 2 ? 0 : objects.size() - 1; i-- > 0;)
            if (objects[i]->m_bSelected && !objects[i + 1]->m_bSelected)
                std::swap(objects[i], objects[i + 1]);
    }
    CommitEdit(false);
}

void CHollowfernPlotterView::OnMostFront() {
    MoveSelection(true, true);
}
void CHollowfernPlotterView::OnMostBack() {
    MoveSelection(false, true);
}
void CHollowfernPlotterView::OnFront() {
    MoveSelection(true, false);
}
void CHollowfernPlotterView::OnBack() {
    MoveSelection(false, false);
}

void CHollowfernPlotterView::ApplyToSelection(const std::function<void(CWriteObject&)>& apply) {
    if (m_aSelected.empty()) return;
    for (CWriteObject* object : m_aSelected) {
        apply(*object);
        object->UpdateBounds();
    }
    CommitEdit();
}

void CHollowfernPlotterView::OnColorSelect() {
    for (int i = 0; i < static_cast<int>(m_acrCustom.size()); ++i)
        QColorDialog::setCustomColor(i, QColorOf(m_acrCustom[static_cast<std::size_t>(i)]));
    const QColor chosen = QColorDialog::getColor(QColorOf(m_crCurrent), this, "Color select");
    for (int i = 0; i < static_cast<int>(m_acrCustom.size()); ++i) {
        const QColor c = QColorDialog::customColor(i);
        m_acrCustom[static_cast<std::size_t>(i)] = MakeColorref(c.red(), c.green(), c.blue());
    }
    if (!chosen.isValid()) return;
    m_crCurrent = MakeColorref(chosen.red(), chosen.green(), chosen.blue());
    m_owner->ShowCurrentPen(m_crCurrent, m_nCurSize, m_nCurStyle);
    ApplyToSelection([this](CWriteObject& o) { o.m_crColor = m_crCurrent; });
}

void CHollowfernPlotterView::OnLineStyle() {
    CDialogLineStyle dialog(this);
    dialog.Set(m_nCurStyle, m_nCurSize);
    if (dialog.exec() != QDialog::Accepted) return;
    m_nCurStyle = dialog.style();
    m_nCurSize = dialog.size();
    m_owner->ShowCurrentPen(m_crCurrent, m_nCurSize, m_nCurStyle);
    ApplyToSelection([this](CWriteObject& o) {
        o.m_nSize = m_nCurSize;
        o.m_nStyle = m_nCurStyle;
    });
}

void CHollowfernPlotterView::OnTransparency(int percent) {
    percent = std::clamp(percent, 0, 100);
    m_owner->SetTransparencyText(percent);
    ApplyToSelection([percent](CWriteObject& o) { o.m_nTransparency = percent; });
}

void CHollowfernPlotterView::OnWriteSetChanged() {
    DeselectAll();
    update();
}

void CHollowfernPlotterView::OnWriteSetDialog() {
    // The dialog may delete the sets the selection points into.
    CancelCreating();
    DeselectAll();
    CDialogWriteSet dialog(&m_write, &m_owner->messages(), DataFolder(), this);
    dialog.exec();
    RefillWriteSetBox();
    ScheduleSave();
    const int chosen = dialog.chosenSet();
    if (chosen >= 0) {
        const GeoBox& box = m_write.Set(chosen).rcBox;
        m_owner->ShowWriteSet(chosen);
        GeoPoint center;
        center.lon = box.left + (box.right - box.left) / 2;
        center.lat = box.bottom + (box.top - box.bottom) / 2;
        m_nav.SetCenter(center);
        m_nav.ClampCenter();
    }
    Refresh();
}

void CHollowfernPlotterView::OnWritePattern() {
    const CWriteObject* templateObject = m_aSelected.size() == 1 ? m_aSelected.front() : nullptr;
    CDialogWritePattern dialog(
        &m_patterns, templateObject, &m_owner->messages(),
        [this](int32_t type) { return m_owner->WriteTypeIcon(type); }, this);
    const bool chosen = dialog.exec() == QDialog::Accepted && dialog.chosenPattern() >= 0;
    RefillPatternBox();
    SchedulePatternSave();
    if (!chosen) {
        if (m_nWriteMode == kPatternMode && m_owner->CurrentPattern() < 0) EndMode();
        return;
    }
    m_owner->ShowPattern(dialog.chosenPattern());
    OnPatternBoxChanged();
}

void CHollowfernPlotterView::OnPatternBoxChanged() {
    CancelCreating();
    DeselectAll();
    if (m_owner->CurrentPattern() >= 0)
        SetWriteModeAndReset(kPatternMode);
    else if (m_nWriteMode == kPatternMode)
        EndMode();
    update();
}

void CHollowfernPlotterView::ShowObjectMenu(QPoint globalPos) {
    struct Item {
        const char* text;
        void (CHollowfernPlotterView::*command)();
        bool enabled;
    };
    const bool oneString = SoleSelected(kWriteString) != nullptr;
    const bool onePicture = SoleSelected(kWritePicture) != nullptr;
    const Item items[] = {
        {"Cut(&T)", &CHollowfernPlotterView::OnEditCut, true},
        {"Copy(&C)", &CHollowfernPlotterView::OnEditCopy, true},
        {"Delete(&D)", &CHollowfernPlotterView::OnEditDelete, true},
        {nullptr, nullptr, false},
        {"Write pattern(&A)...", &CHollowfernPlotterView::OnWritePattern, true},
        {"Color select(&I)...", &CHollowfernPlotterView::OnColorSelect, true},
        {"Line style(N)...", &CHollowfernPlotterView::OnLineStyle, true},
        {"Chang string(&S)...", &CHollowfernPlotterView::OnWriteString, oneString},
        {"Change picture file(&P)...", &CHollowfernPlotterView::OnWritePicture, onePicture},
        {nullptr, nullptr, false},
        {"Move to the most front(&O)", &CHollowfernPlotterView::OnMostFront, true},
        {"Move to the most back(&K)", &CHollowfernPlotterView::OnMostBack, true},
        {"Move to front(&F)", &CHollowfernPlotterView::OnFront, true},
        {"Move to back(&B)", &CHollowfernPlotterView::OnBack, true},
    };
    QMenu menu(this);
    menu.setObjectName("ObjectMenu");
    for (const Item& item : items) {
        if (!item.text) {
            menu.addSeparator();
            continue;
        }
        QAction* action = menu.addAction(item.text);
        action->setEnabled(item.enabled && item.command);
        if (item.command)
            connect(action, &QAction::triggered, this, [this, c = item.command] { (this->*c)(); });
    }
    menu.exec(globalPos);
}

}  // namespace hfp
