#pragma once

#include <array>
#include <memory>

#include "print/FileoutModel.h"
#include "print/OutputJob.h"
#include "print/PrintJob.h"

class QWidget;

namespace hfp {

class CHollowfernPlotterView;
class CSetData;
class Messages;

// The window's Print (Ctrl+P) and Print preview (Ctrl+R). A print asks for the sheets in the
// print dialog (page range = sheets), checks the printer chosen (the bounds question, the A3
// rule), composes and decorates the map of all sheets on a worker behind CDialogPrintAbort,
// tells what the map lacks, counts the run and adds the print history entry, then prints the
// sheets chosen. A preview does the same without the print dialog and paints the pages
// into QPrintPreviewDialog.
//
// File out (Ctrl+O) asks for the range, the size and the file name in CDialogFileout, composes
// and decorates the range with the file-out layout the same way, tells what the map lacks
// and asks whether a map with holes is wanted, then encodes the file from the banded map on
// a thread of its own behind a note (the window keeps painting) and says how it ended.
class PrintRunner {
  public:
    PrintRunner(QWidget* parent, CHollowfernPlotterView& view, CSetData& settings,
                Messages& messages);

    void Print();
    void Preview();
    void Fileout();

  private:
    const OutputSetting& Layout(int32_t select) const;
    // The steps from the printer check to the history entry, telling what the map lacks;
    // null when the run stops there.
    std::unique_ptr<OutputJob> Prepare(bool preview);
    // Composes and decorates `request` with `layout` on the worker behind CDialogPrintAbort
    // and counts the run: the job and the dialog's result (`result`), or null when it failed
    // (said) or was aborted.
    std::unique_ptr<OutputJob> Compose(const char* title, const MapRequest& request,
                                       const OutputSetting& layout, int* result);
    // The file-out bounds, the print-out bounds and the view's area.
    std::array<FileoutModel::Area, FileoutModel::kRangeCount> FileoutAreas() const;

    QWidget* m_parent;
    CHollowfernPlotterView& m_view;
    CSetData& m_settings;
    Messages& m_messages;
    SheetPlan m_plan;
};

}  // namespace hfp
