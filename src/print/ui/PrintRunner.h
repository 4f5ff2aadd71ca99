#pragma once

#include <memory>

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
class PrintRunner {
  public:
    PrintRunner(QWidget* parent, CHollowfernPlotterView& view, CSetData& settings,
                Messages& messages);

    void Print();
    void Preview();

  private:
    const OutputSetting& Layout() const;  // the print layout
    // The steps from the printer check to the history entry, telling what the map lacks;
    // null when the run stops there.
    std::unique_ptr<OutputJob> Prepare(bool preview);

    QWidget* m_parent;
    CHollowfernPlotterView& m_view;
    CSetData& m_settings;
    Messages& m_messages;
    SheetPlan m_plan;
};

}  // namespace hfp
