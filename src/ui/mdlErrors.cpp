#include "ui/mdlErrors.h"

#include "core/ErrorCodes.h"
#include "ui/MsgBox.h"

#include <new>

namespace mdlErrors {

QString ErrorMessage(const tbn::Error& objErr) {
    return QStringLiteral("Application error:\r\n#") + QString::number(objErr.Number()) + QLatin1Char(' ') +
           QString::fromStdString(objErr.Description());
}

int ShowError(const tbn::Error& objErr, const QString& strContext, int lngButtons) {
    return tbn::platform::MsgBox(ErrorMessage(objErr), lngButtons, strContext);
}

tbn::Error CurrentError(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const tbn::Error& e) {
        return e;
    } catch (const std::bad_alloc&) {
        return tbn::Error(tbn::ErrorCode::OutOfMemory, "Out of memory");
    } catch (const std::exception& e) {
        return tbn::Error(tbn::ErrorCode::Unexpected, e.what());
    } catch (...) {
        return tbn::Error(tbn::ErrorCode::Unexpected, "Unexpected failure");
    }
}

} // namespace mdlErrors
