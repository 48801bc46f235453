#pragma once

#include "common/FailureKind.h"

#include <string>

// Why the reader cannot give an answer: what kind of failure it is, which
// the program acts on, and the reason in the user's words. An error answer
// carries both.
struct ReaderFailure {
    FailureKind kind;
    std::string text;
};
