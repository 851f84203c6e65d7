#pragma once

#include "lumo/LumoTransport.h"
#include "lumo/VellLumo.h"

#include <functional>
#include <utility>

// A sensor transport that does what the test tells it on start (by default nothing: a link that
// never reports) and calls gone, if given, as it is destroyed. Both run on the link's thread.
class FakeTransport final : public LumoTransport {
public:
    using Start = std::function<void(FakeTransport&, const LinkSettings&, LinkSink&)>;
    explicit FakeTransport(Start start = {}, std::function<void()> gone = {})
        : onStart(std::move(start)), onGone(std::move(gone)) {}
    ~FakeTransport() override {
        if (onGone) onGone();
    }
    void start(const LinkSettings& settings, LinkSink& sink) override {
        if (onStart) onStart(*this, settings, sink);
    }

private:
    Start onStart;
    std::function<void()> onGone;
};

// Makes every new link use a fake transport while it lives, and no transport afterwards.
class FakeTransportScope {
public:
    explicit FakeTransportScope(FakeTransport::Start start = {}) { use(std::move(start)); }
    ~FakeTransportScope() { VellLumo::setTransportFactory({}); }
    FakeTransportScope(const FakeTransportScope&) = delete;
    FakeTransportScope& operator=(const FakeTransportScope&) = delete;

    static void use(FakeTransport::Start start) {
        VellLumo::setTransportFactory([start] { return std::make_unique<FakeTransport>(start); });
    }
};
