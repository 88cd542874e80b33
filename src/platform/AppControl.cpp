#include "platform/AppControl.h"

#include <exception>

namespace AppControl {

namespace {
bool endRequested = false;
bool headless = false;
std::function<void()> exceptionHandler;
}  // namespace

void RequestEnd() {
    endRequested = true;
}
bool EndRequested() {
    return endRequested;
}

void SetExceptionHandler(std::function<void()> handler) {
    exceptionHandler = std::move(handler);
}

void HandleUncaughtException() {
    if (!exceptionHandler) {
        std::rethrow_exception(std::current_exception());
    }
    exceptionHandler();
}

void SetHeadless(bool value) {
    headless = value;
}
bool Headless() {
    return headless;
}

void Reset() {
    endRequested = false;
    headless = false;
    exceptionHandler = nullptr;
}

}  // namespace AppControl
