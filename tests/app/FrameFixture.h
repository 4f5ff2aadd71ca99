#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QSettings>
#include <QTest>
#include <functional>
#include <memory>

#include "app/MainFrame.h"
#include "common/DevServer.h"
#include "common/TempDir.h"
#include "platform/DataFolder.h"
#include "platform/Messages.h"
#include "platform/Services.h"
#include "settings/SetData.h"
#include "view/HollowfernPlotterView.h"

namespace hfp::test {

// A main window on a temporary data folder, with every outside service on hfp-devserver and
// the window layouts in the test's own configuration folder. Messages are recorded.
class FrameFixture : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { s_server = std::make_unique<DevServer>(); }
    static void TearDownTestSuite() { s_server.reset(); }

    void SetUp() override {
        SetDataFolderOverride(m_data.path());
        PointAllServicesAt(server().baseUrl());
        QSettings("Quay", "HollowfernPlotter").clear();
    }
    void TearDown() override {
        SetDataFolderOverride({});
        ResetServiceHosts();
    }

    virtual DevServer& server() { return *s_server; }

    // Writes the settings the next window starts with.
    void WriteSettings(const std::function<void(CSetData&)>& edit) {
        CSetData settings;
        settings.Load(m_data.path());
        edit(settings);
        ASSERT_TRUE(settings.Save(m_data.path()));
    }
    CSetData ReadSettings() {
        CSetData settings;
        settings.Load(m_data.path());
        return settings;
    }

    // Opens the window as the program does, shown and active.
    std::unique_ptr<CMainFrame> Open() {
        auto frame = std::make_unique<CMainFrame>(&m_messages);
        frame->ShowFromPlacement();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
        frame->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(frame.get()));
        return frame;
    }

    // Waits until every tile of the current map has come and the view has painted it.
    static bool WaitForMap(CMainFrame& frame) {
        CHollowfernPlotterView* view = frame.view();
        CCreateMap* composer = view->composer();
        if (!QTest::qWaitFor([&] { return view->mapComposed() && composer->IsDone(); }, 30000))
            return false;
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        return true;
    }

    // The share of the image's pixels that are white: on an output whose layout turns the
    // map's white into a colour, the places where the map got no tile.
    static double WhiteShare(const QImage& image) {
        int white = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                white += qGray(image.pixel(x, y)) > 245;
        return static_cast<double>(white) / (image.width() * image.height());
    }

    // What the view shows.
    static QImage Screen(CMainFrame& frame) {
        return frame.view()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }

    TempDir m_data;
    RecordingMessages m_messages;
    static inline std::unique_ptr<DevServer> s_server;
};

// The same with tiles that take 100 ms each: an output's tiles are still on their way while
// the test acts on the window.
class SlowTilesFixture : public FrameFixture {
  protected:
    static void SetUpTestSuite() {
        s_slow = std::make_unique<DevServer>(std::vector<std::string>{"--delay-ms", "100"});
    }
    static void TearDownTestSuite() { s_slow.reset(); }
    DevServer& server() override { return *s_slow; }
    static inline std::unique_ptr<DevServer> s_slow;
};

}  // namespace hfp::test
