#pragma once
// A compositing manager that a desktop test starts, stopped by its own pid.

#include <gtest/gtest.h>

#include <QProcess>
#include <QStringList>

#include <memory>

#include "app/platform/x11/x11_frame_desktop.hpp"
#include "support/app/desktop_fixture.hpp"

namespace kestrove::testing {

class CompositorProcess {
public:
    ~CompositorProcess() { stop(); }

    // Starts `program` and waits until it has taken the screen.
    void start(const QString& program, const QStringList& args, const X11FrameDesktop& desk) {
        process_ = std::make_unique<QProcess>();
        process_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_->start(program, args);
        ASSERT_TRUE(process_->waitForStarted(5000)) << program.toStdString();
        ASSERT_TRUE(desktop::waitFor([&] { return desk.compositing(); }, 10000))
            << program.toStdString() << " took the screen";
    }
    void stop() {
        if (!process_) return;
        process_->terminate();
        if (!process_->waitForFinished(3000)) process_->kill();
        process_->waitForFinished(2000);
        process_.reset();
    }

private:
    std::unique_ptr<QProcess> process_;
};

}  // namespace kestrove::testing
