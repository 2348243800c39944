#pragma once

#include "support/SimPlatformTest.h"

#include "tilewick/manualwindow/ManualPanel.h"
#include "tilewick/manualwindow/ManualView.h"

#include <QApplication>
#include <QStringList>

#include <memory>

// A manual panel over the simulated platform; the links it hands to the desktop are recorded.
class ManualPanelTest : public SimPlatformTest {
protected:
    void SetUp() override {
        SimPlatformTest::SetUp();
        panel = std::make_unique<tilewick::ManualPanel>(
            tilewick::PanelServices{tilewick::ViewServices::of(platform()), [this](const QUrl& url) {
                                        opened.append(url.toString());
                                        return true;
                                    }});
    }
    void TearDown() override {
        panel.reset();
        SimPlatformTest::TearDown();
    }
    tilewick::ManualView& view() { return *panel->view(); }
    tilewick::ManualViewState& state() { return view().state(); }
    // Runs what is due, moves the clock on and lets Qt deliver what that posted.
    void settle(double seconds = 1) {
        runtime().runUntilIdle();
        runtime().advance(seconds);
        QApplication::processEvents();
    }

    std::unique_ptr<tilewick::ManualPanel> panel;
    QStringList opened;
};
