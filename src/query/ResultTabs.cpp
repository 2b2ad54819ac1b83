#include "query/ResultTabs.h"

#include "run/QueryRun.h"

#include <algorithm>

namespace tbn::query {

bool ShowsTabs(const tbn::run::RunResult& result, std::size_t statementsInText) {
    return !result.statements.empty() && (result.statements.size() >= 2 || statementsInText >= 2);
}

int TabAtEnd(const tbn::run::RunResult& result) {
    if (result.hasRowSet && result.store) {
        const auto shown = std::find(result.rowSets.begin(), result.rowSets.end(), result.store);
        if (shown != result.rowSets.end()) return static_cast<int>(shown - result.rowSets.begin());
    }
    return static_cast<int>(result.statements.size()) - 1;
}

std::vector<QString> StatementTexts(const QString& text, const std::vector<std::size_t>& offsets) {
    const QByteArray bytes = text.toUtf8();
    const auto size = static_cast<std::size_t>(bytes.size());
    std::vector<QString> texts;
    for (std::size_t k = 0; k < offsets.size(); ++k) {
        const std::size_t start = std::min(offsets[k], size);
        const std::size_t end =
            k + 1 < offsets.size() ? std::clamp(offsets[k + 1], start, size) : size;
        texts.push_back(QString::fromUtf8(
            bytes.mid(static_cast<qsizetype>(start), static_cast<qsizetype>(end - start))));
    }
    return texts;
}

}  // namespace tbn::query
