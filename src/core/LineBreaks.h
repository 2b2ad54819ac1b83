#pragma once
// Conversions between the CR LF text that windows exchange and the text widgets' own form, where
// a line break is one '\n'. Positions are UTF-16 units; an outside position counts CR LF as two,
// an inside one counts '\n' as one.
#include <QString>

namespace tbn::core {

QString ToCrLf(const QString& lfText);   // every '\n' becomes CR LF
QString ToLf(const QString& anyBreaks);  // CR LF, a lone CR and a lone LF become '\n'

int ToOutsidePosition(const QString& lfText, int inside);  // clamped to the text

// Which way an outside position between the CR and the LF of one break moves, so that a break
// is never split: a selection start moves before the break, a selection end after it.
enum class BreakSnap { Before, After };
int ToInsidePosition(const QString& lfText, int outside, BreakSnap snap);  // clamped to the text

}  // namespace tbn::core
