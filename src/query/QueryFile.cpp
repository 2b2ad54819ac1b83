#include "query/QueryFile.h"

#include "core/ReplaceFile.h"
#include "core/TextFile.h"

namespace tbn::query {

using namespace tbn::core;

void WriteQueryFile(const QString& path, const QString& text) {
    ReplaceOptions options;
    // A query file is the user's own: keeping its other names, and saving it where only the file
    // itself may be written, matter more here than an atomic swap.
    options.inPlaceWhenNeeded = true;
    ReplaceFile(path, EncodeLine(text), options);
}

QString ReadQueryFile(const QString& path) {
    QString text;
    for (const QString& line : ReadLines(path)) {
        if (!text.isEmpty()) text += QStringLiteral("\r\n");
        text += line;
    }
    return text;
}

}  // namespace tbn::query
