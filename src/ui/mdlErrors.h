#pragma once
// The program's one error reporter, and the guard that the self-guarding procedures use.
#include "core/Error.h"

#include <QString>
#include <utility>

namespace mdlErrors {

// "Application error:" CR LF "#<number> <description>" in a box titled with the context text.
// Returns the box's answer.
int ShowError(const tbn::Error& objErr, const QString& strContext, int lngButtons);

// The message text of a report, as ShowError builds it.
QString ErrorMessage(const tbn::Error& objErr);

// Runs body; any failure inside it is reported under the context text with the critical style and
// consumed. Returns true when the body finished without a failure. The caller's own exit steps run
// after Guarded returns, whatever happened.
template <class Body> bool Guarded(const QString& strContext, Body&& body) {
    try {
        std::forward<Body>(body)();
        return true;
    } catch (...) {
        ShowError(tbn::Error::From(std::current_exception()), strContext, 16);
        return false;
    }
}

}  // namespace mdlErrors
