#pragma once

#include <QImage>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "compose/CreateMap.h"
#include "print/OutputSetting.h"
#include "write/Write.h"

namespace hfp {

// The layout's 30 colour replacements, into the request.
void SetColorChanges(MapRequest& request, const OutputSetting& layout);

// One print or file-out run: composes a map request into a composition of its own over the
// shared composer, waits for its tiles, decorates the map with an output layout (logo, write
// sets, grid lines, magnetic north lines, scale notation, spot markers ×5) and hands the
// decorated map to a sink (a PDF, an image file) or keeps it for the caller (the window prints
// its pages after asking the user).
//
// Threads: made on the caller's thread; Run() works on whichever thread calls it (the window's
// worker, hfp's main thread) and never polls: it sleeps on the composition until a tile is
// reported, the map is done, the time-out comes or Abort() cancels the composition. status(),
// Preview() and Abort() may be called from any thread while it runs; the rest once Run() has
// returned. Nothing the screen does reaches the run's composition.
class OutputJob {
  public:
    // The progress dialog's status words.
    enum Status { kStarting = 0, kDrawing = 1, kComplete = 2, kFailed = 3 };
    enum class Outcome {
        Done,      // composed, decorated and sunk; the map may still have holes (stats())
        Failed,    // the composition could not start, or the sink failed (error())
        Aborted,   // Abort() before the map was done: nothing decorated or sunk
        TimedOut,  // the tiles did not all come in time: nothing decorated or sunk
    };
    // Takes the decorated map on Run's thread; false with a reason when it could not.
    using Sink = std::function<bool(CDivBitmap& map, std::string* error)>;
    // Called on Run's thread as tiles are reported, and once more at the end.
    using Progress = std::function<void(int32_t reported, int32_t asked, bool last)>;

    struct Order {
        MapRequest request;                   // notify and previewWidth are the job's own
        std::optional<OutputSetting> layout;  // none: the map is not decorated
        std::unique_ptr<const CWrite> write;  // the write sets drawn; none: no overlay
        double timeoutSeconds = 0;            // 0: waits until the map is done or aborted
        int32_t previewWidth = 0;             // the width of Preview(); 0: none
        Progress progress;
        Sink sink;  // none: the map stays with the job (map())
    };

    OutputJob(CCreateMap& composer, Order order);
    ~OutputJob();
    OutputJob(const OutputJob&) = delete;
    OutputJob& operator=(const OutputJob&) = delete;

    Outcome Run();
    // Stops the run: its composition is cancelled (only its own), nothing is decorated.
    void Abort();

    int status() const { return m_status; }
    // The composition's preview so far (empty without previewWidth).
    QImage Preview() const { return m_composition->Preview(); }

    // After Run():
    const MapRequest& request() const { return m_order.request; }
    CompositionStats stats() const { return m_composition->stats(); }
    // False when the layout's magnetic declination could not be had (declinationError()).
    bool declined() const { return m_declined; }
    const std::string& declinationError() const { return m_declinationError; }
    const std::string& error() const { return m_error; }
    CDivBitmap& map() { return m_composition->composed(); }
    // What the map lacks, one plain line each (tiles not on the server, missing tiles and
    // why, the declination); empty for a whole map.
    std::vector<std::string> Shortfalls() const;

  private:
    // Waits for the tiles; false when aborted or timed out (the composition is cancelled).
    bool WaitForMap();
    bool Decorate();

    Order m_order;
    std::shared_ptr<MapComposition> m_composition;
    std::atomic<int> m_status{kStarting};
    std::atomic<bool> m_aborted{false};
    Outcome m_outcome = Outcome::Failed;
    bool m_declined = true;
    std::string m_declinationError;
    std::string m_error;
};

}  // namespace hfp
