#include "print/ui/DialogProgress.h"

#include <gtest/gtest.h>

#include <QTimer>
#include <atomic>

namespace hfp {
namespace {

// A job that runs to its end closes the dialog as done; Abort asks a running job to stop and
// the dialog ends only after the job has returned, so nothing is left half written.
TEST(DialogProgress, EndsWithItsJobAndAbortWaitsForIt) {
    CDialogProgress done(nullptr, "Exporting", [](ProgressControl& control) {
        for (int i = 0; i <= 100; i += 25)
            control.SetPosition(i);
    });
    EXPECT_EQ(done.exec(), QDialog::Accepted);
    EXPECT_EQ(done.control().position(), 100);

    std::atomic<bool> started{false}, returned{false};
    CDialogProgress aborted(nullptr, "Importing", [&](ProgressControl& control) {
        started = true;
        while (!control.aborted())
            std::this_thread::yield();
        returned = true;
    });
    QTimer press;
    QObject::connect(&press, &QTimer::timeout, [&] {
        if (!started) return;
        aborted.reject();
        aborted.reject();  // a second press while the job stops changes nothing
        press.stop();
    });
    press.start(10);
    EXPECT_EQ(aborted.exec(), QDialog::Rejected);
    EXPECT_TRUE(returned);
}

}  // namespace
}  // namespace hfp
