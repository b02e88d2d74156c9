#pragma once
// The system bus and logind on it, reached the way the application reaches
// the real ones: through DBUS_SYSTEM_BUS_ADDRESS, set before anything uses
// it. A test program adds it once as a global environment.

#include <gtest/gtest.h>

#include <memory>

#include "support/app/fake_logind.hpp"
#include "support/app/private_bus.hpp"

namespace kestrove::testing {

class LogindBus final : public ::testing::Environment {
public:
    void SetUp() override {
        bus = std::make_unique<PrivateBus>();
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", bus->address().toUtf8());
        logind = std::make_unique<FakeLogind>(bus->connect());
    }
    void TearDown() override {
        logind.reset();
        bus.reset();
    }
    static inline std::unique_ptr<PrivateBus> bus;
    static inline std::unique_ptr<FakeLogind> logind;
};

}  // namespace kestrove::testing
