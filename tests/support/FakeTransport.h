#pragma once

#include "lumo/VellLumo.h"

// A sensor transport that does what the test tells it on start and calls gone, if given, as it
// is destroyed; both on the link's thread.
struct FakeTransport final : LumoTransport {
    using Start = std::function<void(FakeTransport&, const LinkSettings&, LinkSink&)>;
    explicit FakeTransport(Start start, std::function<void()> gone = {})
        : onStart(std::move(start)), onGone(std::move(gone)) {}
    ~FakeTransport() override {
        if (onGone) onGone();
    }
    void start(const LinkSettings& settings, LinkSink& sink) override {
        if (onStart) onStart(*this, settings, sink);
    }
    Start onStart;
    std::function<void()> onGone;
};

// Every new link uses a fake transport while this lives, and none afterwards.
struct FakeTransportScope {
    explicit FakeTransportScope(FakeTransport::Start start = {}) {
        VellLumo::setTransportFactory([start] { return std::make_unique<FakeTransport>(start); });
    }
    ~FakeTransportScope() { VellLumo::setTransportFactory({}); }
};
