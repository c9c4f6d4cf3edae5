// The error guard: every event handler of a form, and every event a control
// raises, runs through RunGuarded. An exception that leaves the handler is
// handed to Application->HandleException (the standard error box) and the
// program goes on; nothing propagates into Qt's event dispatch, which cannot
// carry exceptions.
#pragma once

#include <functional>
#include <utility>

void RunGuarded(const std::function<void()>& call);

// Wraps an event so that each call runs guarded. Reference arguments (a Key
// the handler may change) stay references.
template <class... Args>
std::function<void(Args...)> Guarded(std::function<void(Args...)> handler)
{
    if (!handler)
        return handler;
    return [handler = std::move(handler)](Args... args) {
        RunGuarded([&] { handler(std::forward<Args>(args)...); });
    };
}

// Calls `event` guarded when it is set.
template <class Event, class... Args>
void FireEvent(const Event& event, Args&&... args)
{
    if (event)
        RunGuarded([&] { event(std::forward<Args>(args)...); });
}
