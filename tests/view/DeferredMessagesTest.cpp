#include "view/DeferredMessages.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QObject>

namespace hfp {
namespace {

TEST(DeferredMessages, ShownFromTheEventLoopAndOnlyOnceWhileWaiting) {
    RecordingMessages shown;
    QObject context;
    DeferredMessages deferred(&shown, &context);
    deferred.Show("Cannot create work divBitmap.", MessageIcon::Error);
    deferred.Show("Cannot create work divBitmap.", MessageIcon::Error);
    deferred.Show("Something else.", MessageIcon::Warning);
    EXPECT_TRUE(shown.records().empty());
    QCoreApplication::processEvents();
    ASSERT_EQ(shown.records().size(), 2u);
    EXPECT_EQ(shown.records()[1].text, "Something else.");
    // Once shown, the same failure is shown again when it comes again.
    deferred.Show("Cannot create work divBitmap.", MessageIcon::Error);
    QCoreApplication::processEvents();
    EXPECT_EQ(shown.records().size(), 3u);
    // Questions are asked at once.
    shown.QueueAnswer(true);
    EXPECT_TRUE(deferred.Ask("Go on?", MessageIcon::Question, false));
    EXPECT_EQ(shown.records().size(), 4u);
}

TEST(DeferredMessages, NothingIsShownForAContextThatIsGone) {
    RecordingMessages shown;
    auto context = std::make_unique<QObject>();
    DeferredMessages deferred(&shown, context.get());
    deferred.Show("Late.", MessageIcon::Error);
    context.reset();
    QCoreApplication::processEvents();
    EXPECT_TRUE(shown.records().empty());
}

}  // namespace
}  // namespace hfp
