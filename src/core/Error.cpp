#include "core/Error.h"

#include "core/ErrorCodes.h"

#include <new>

namespace tbn {

Error Error::From(std::exception_ptr failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const Error& e) {
        return e;
    } catch (const std::bad_alloc&) {
        return Error(ErrorCode::OutOfMemory, "Out of memory");
    } catch (const std::exception& e) {
        return Error(ErrorCode::Unexpected, e.what());
    } catch (...) {
        return Error(ErrorCode::Unexpected, "Unexpected failure");
    }
}

}  // namespace tbn
