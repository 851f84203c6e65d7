#pragma once

#include "sensor/VellLumo.h"

// A sensor transport that does what the test tells it as it starts, on the link's thread.
struct FakeTransport final : LumoTransport {
    using Start = std::function<void(FakeTransport&, const LinkSettings&, LinkSink&)>;
    explicit FakeTransport(Start start) : onStart(std::move(start)) {}
    void start(const LinkSettings& settings, LinkSink& sink) override {
        if (onStart) onStart(*this, settings, sink);
    }
    Start onStart;
};

// Every new link uses a fake transport while this lives, and none afterwards.
struct FakeTransportScope {
    explicit FakeTransportScope(FakeTransport::Start start = {}) {
        VellLumo::setTransportFactory([start] { return std::make_unique<FakeTransport>(start); });
    }
    ~FakeTransportScope() { VellLumo::setTransportFactory({}); }
};
