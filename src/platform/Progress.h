#pragma once

#include <algorithm>
#include <atomic>

namespace hfp {

// The link between a long job on a worker thread and whoever shows its progress (a progress
// dialog, hfp's progress line): the job reports a position from 0 to 100 and looks at the
// abort flag between its steps; the shower reads the position and may ask it to abort.
// Thread-safe; the job owns no window and never waits for one.
class ProgressControl {
  public:
    void SetPosition(int percent) { m_position = std::clamp(percent, 0, 100); }
    int position() const { return m_position; }

    void Abort() { m_aborted = true; }
    bool aborted() const { return m_aborted; }

  private:
    std::atomic<int> m_position{0};
    std::atomic<bool> m_aborted{false};
};

}  // namespace hfp
