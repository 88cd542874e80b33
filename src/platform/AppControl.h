#pragma once

#include <functional>

// Application-wide controls that the event loop honours: the end-of-application request and
// the handler of exceptions that no stage caught.
namespace AppControl {

// Requests the end of the application. It takes effect when control is back in the main event
// loop (or when that loop would start): it closes no open message box and stops no running
// backup; the code that made the request runs on to its end.
void RequestEnd();
bool EndRequested();

// The handler called, inside a catch block, for an exception that escaped an event handler.
// Without one, the exception ends the program as an uncaught exception would.
void SetExceptionHandler(std::function<void()> handler);
void HandleUncaughtException();

// Started without a display: message boxes are answered by their default button and printed
// on stderr, since nobody can see them.
void SetHeadless(bool headless);
bool Headless();

// Back to the state at start, for tests that create several windows in one process.
void Reset();

}  // namespace AppControl
