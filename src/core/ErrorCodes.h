#pragma once
// Error numbers that the program raises itself. Positive numbers are the classic run-time error
// numbers users of desktop database tools know; the data-access layer's own failures are negative
// so they never clash with an engine's code.
#include <cstdint>

namespace tbn::ErrorCode {

// Run-time errors (positive, as desktop tools have always numbered them).
constexpr std::int32_t Overflow = 6;
constexpr std::int32_t OutOfMemory = 7;
constexpr std::int32_t FileNotFound = 53;
constexpr std::int32_t BadFileMode = 54;
constexpr std::int32_t DiskFull = 61;
constexpr std::int32_t PermissionDenied = 70;
constexpr std::int32_t PathFileAccess = 75;
constexpr std::int32_t PathNotFound = 76;
constexpr std::int32_t InvalidArgument = 5;
constexpr std::int32_t InvalidPropertyValue = 380;
constexpr std::int32_t SubscriptOutOfRange = 381;
constexpr std::int32_t CancelSelected = 32755;  // file dialog cancelled with CancelError set

// Data-access layer (negative).
constexpr std::int32_t MalformedConnectionString = -1001;
constexpr std::int32_t UnknownProvider = -1002;
constexpr std::int32_t MissingDataSource = -1003;
constexpr std::int32_t ServerUnreachable = -1004;
constexpr std::int32_t ServerError = -1005;       // PostgreSQL: only a SQLSTATE, no numeric code
constexpr std::int32_t ConnectionClosed = -1006;  // operation needs an open connection
constexpr std::int32_t RecordsetClosed = -1007;   // operation needs an open result set
constexpr std::int32_t NoCurrentRecord = -1008;   // value read at end of records
constexpr std::int32_t ProviderFailure =
    -1009;  // a client library failed without a code of its own
constexpr std::int32_t ObjectAlreadyOpen =
    -1010;                                        // opening a connection or result set that is open
constexpr std::int32_t NulInCommandText = -1011;  // refused before any engine saw it
constexpr std::int32_t CommandCancelled =
    -1012;                                  // stopped on request where the engine gave no error
constexpr std::int32_t Unexpected = -1999;  // a failure that is not a tbn::Error (std::exception)

}  // namespace tbn::ErrorCode
