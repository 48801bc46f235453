#pragma once

#include "common/Failure.h"

#include <optional>

// The failure a call throws, or nothing when it goes through; whatever else
// it throws goes on.
template <typename Call> std::optional<Failure> FailureOf(Call &&call) {
    try {
        call();
    } catch (const Failure &e) {
        return e;
    }
    return std::nullopt;
}

// A kind as Qt Test shows it in a failed comparison: by its name.
char *toString(FailureKind kind);
