#pragma once

#include "startup/run_host.h"

#include <functional>

namespace veldrin {

// Thrown to leave a run through its exit steps.
struct RunEnded {};

// The run's one error handler. Every step of a run goes through step(): when it fails, the handler
// beeps and then ends the run for a missing path (with its message), skips the step for an
// arithmetic overflow, and otherwise offers Abort (end the run), Retry (the step again) and Ignore
// (go on after it). step() returns whether the step completed.
class ErrorHandler {
public:
    explicit ErrorHandler(RunHost& host) : m_host(host) {}

    bool step(const std::function<void()>& work);

    // True once the user chose Abort, or a missing path ended the run.
    bool ended() const { return m_ended; }

private:
    RunHost& m_host;
    bool m_ended = false;
};

} // namespace veldrin
