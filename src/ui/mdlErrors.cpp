#include "ui/mdlErrors.h"

#include "ui/MsgBox.h"

namespace mdlErrors {

QString ErrorMessage(const tbn::Error& objErr) {
    return QStringLiteral("Application error:\r\n#") + QString::number(objErr.Number()) +
           QLatin1Char(' ') + QString::fromStdString(objErr.Description());
}

int ShowError(const tbn::Error& objErr, const QString& strContext, int lngButtons) {
    return tbn::ui::MsgBox(ErrorMessage(objErr), lngButtons, strContext);
}

}  // namespace mdlErrors
