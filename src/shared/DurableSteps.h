#pragma once

#include <functional>

// Every step that changes what a backup folder holds on disk (a file created, written, flushed,
// renamed or removed, a folder made, removed or flushed) is announced here once it is done.
// Nothing listens in the programs; the crash tests stop a run at each step in turn.
namespace DurableSteps {

enum class Kind { Create, Write, Flush, Rename, Unlink, MakeDirectory, RemoveDirectory };

void Done(Kind kind);

// Only for tests: `observer` is called after every step (an empty function stops listening).
void Observe(std::function<void(Kind)> observer);

}  // namespace DurableSteps
