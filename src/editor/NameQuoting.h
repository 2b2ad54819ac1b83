#pragma once
// How a name is written into a statement for one engine, shared by completion and the schema tree
// so that both write a name the same way.
#include "core/SchemaInfo.h"

#include <QString>

namespace tbn::editor {

// How a name is written into a statement for this engine: as it is when the engine reads it back
// unchanged, otherwise between the schema's quotes with a closing quote doubled. A name needs
// quoting when it is not a plain identifier, is a reserved word, or when the engine would fold
// its case (Lower: it has upper case; Upper: it has lower case).
bool NeedsQuoting(const QString& name, core::IdentifierCase identifierCase);
QString QuoteName(const QString& name, const core::SchemaInfo& schema);
// The name as it goes inside a quote already opened with quote: a closing quote doubled.
QString EscapeInQuote(const QString& name, QChar quote);

}  // namespace tbn::editor
