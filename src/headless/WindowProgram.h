#pragma once

#include <QByteArray>

// The window program, kestrix-fenetre, in the folder of the running program (read from
// /proc/self/exe, never from argv[0] or PATH, which the caller chooses).
QByteArray WindowProgramPath();

// Replaces this process with the window program, `argv` unchanged (its first argument is
// examined by the command line like the others). Returns only when it could not start, with
// errno set.
void StartWindowProgram(const QByteArray& path, char** argv);

// The line and exit status 2 when the window program could not start (errno says why).
int RefuseWithoutWindow(const QByteArray& path);
