#pragma once

// How the program and the tools end when an exception cannot be caught: one
// thrown through a library function that may not throw (Qt's JSON reader
// running out of memory ends the process so), or in a thread of its own.
// Instead of an abort and a core, the process says what it was, lets
// cleanup remove what it must not leave behind, and exits with status 1.
// cleanup runs where nothing may be allocated or locked.
void EndWithMessageOnTerminate(const char *program, void (*cleanup)() noexcept);
