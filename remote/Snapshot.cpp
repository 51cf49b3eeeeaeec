#include "remote/Snapshot.h"

namespace brv::remote {

const char* ReasonName(RestartReason reason) {
    switch (reason) {
    case RestartReason::Crash:
        return "crash";
    case RestartReason::Hang:
        return "hang";
    case RestartReason::ErrorWindow:
        return "error_window";
    case RestartReason::Scheduled:
        return "scheduled";
    case RestartReason::Manual:
        return "manual";
    }
    return "";
}

const char* ActionName(Action action) {
    switch (action) {
    case Action::Restart:
        return "restart";
    case Action::Stop:
        return "stop";
    case Action::Start:
        return "start";
    case Action::Command:
        return "command";
    }
    return "";
}

uint64_t ServerFacts::Restarts() const {
    uint64_t n = 0;
    for (uint64_t r : restartsByReason) {
        n += r;
    }
    return n;
}

} // namespace brv::remote
