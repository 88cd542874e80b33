#pragma once

#include <QString>

// The operating system's message text for an error number, as the system gives it (in the
// user's language where the system has it).
QString SystemErrorMessage(int errorNumber);
