#pragma once
// The choices behind taking a result out of a query window, as plain functions: the text of a
// block in a format, the table name SQL INSERT statements suggest, the SQL dialect of a
// connection, and the format a chosen file asks for.
#include "results/ResultFormat.h"
#include "results/ResultView.h"

#include <QString>
#include <string>

namespace tbn::query {

// The block of the view written in the format, whole, as UTF-8.
std::string FormatBlock(const results::ResultView& view, const results::ViewBlock& block,
                        results::ResultFormat format, const results::FormatOptions& options);

// The table a plain "SELECT ... FROM name" reads (the name itself, unquoted, without its schema),
// else "result".
QString DefaultTableName(const QString& commandText);

// How the engine behind a connection string quotes names and writes binary values; an ODBC
// driver is judged by its name, and one that names no engine we know gets standard SQL.
results::SqlDialect DialectOf(const std::string& connectionString);

// The save dialog's filter of the file formats ("CSV (*.csv)|*.csv|..."), and the format of a
// chosen file: its extension when it names one of them, else the filter entry (1-based) chosen.
QString FileFormatFilter();
results::ResultFormat FileFormat(const QString& path, int filterIndex);

}  // namespace tbn::query
