#include "shared/DurableSteps.h"

#include <utility>

namespace DurableSteps {

namespace {

std::function<void(Kind)>& Observer() {
    static std::function<void(Kind)> observer;
    return observer;
}

}  // namespace

void Done(Kind kind) {
    if (Observer()) {
        Observer()(kind);
    }
}

void Observe(std::function<void(Kind)> observer) {
    Observer() = std::move(observer);
}

}  // namespace DurableSteps
