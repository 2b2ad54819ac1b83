#pragma once
// The two run-time errors that controls raise for bad arguments, with their classic texts.
#include "core/Error.h"
#include "core/ErrorCodes.h"

namespace tbn::core {

[[noreturn]] inline void RaiseSubscriptOutOfRange() {
    throw tbn::Error(tbn::ErrorCode::SubscriptOutOfRange, "Subscript out of range");
}

[[noreturn]] inline void RaiseInvalidPropertyValue() {
    throw tbn::Error(tbn::ErrorCode::InvalidPropertyValue, "Invalid property value");
}

}  // namespace tbn::core
