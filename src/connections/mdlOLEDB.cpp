#include "connections/mdlOLEDB.h"

#include "connections/DataLinkDialog.h"
#include "ui/mdlErrors.h"

namespace mdlOLEDB {

QString EditCnn(QWidget* owner, const QString& strCnn) {
    QString result;
    mdlErrors::Guarded(QStringLiteral("mdlOLEDB >> EditCnn"), [&] {
        if (strCnn.isEmpty()) {
            if (const std::optional<QString> built = tbn::connections::PromptNew(owner))
                result = *built;
        } else {
            QString edited = strCnn;
            if (tbn::connections::PromptEdit(owner, edited)) result = edited;
        }
    });
    return result;
}

}  // namespace mdlOLEDB
