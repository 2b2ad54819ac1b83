#include "connections/mdlOLEDB.h"

#include "connections/DataLinkDialog.h"
#include "ui/mdlErrors.h"

namespace mdlOLEDB {

QString EditCnn(QWidget* owner, const QString& strCnn) {
    QString result;
    mdlErrors::Guarded(QStringLiteral("mdlOLEDB >> EditCnn"), [&] {
        if (strCnn.isEmpty()) {
            if (const std::optional<QString> built = tbn::platform::PromptNew(owner)) result = *built;
        } else {
            QString edited = strCnn;
            if (tbn::platform::PromptEdit(owner, edited)) result = edited;
        }
    });
    return result;
}

} // namespace mdlOLEDB
