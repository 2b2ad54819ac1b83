#pragma once
// The program's one error type. Everything that can fail raises tbn::Error; the error reporter
// (mdlErrors::ShowError) is the only place that formats it for the user.
#include <cstdint>
#include <cstddef>
#include <exception>
#include <optional>
#include <string>

namespace tbn {

class Error : public std::exception {
public:
    Error(std::int32_t number, std::string description)
        : number_(number), description_(std::move(description)) {}

    // The engine's own code where it has one (SQLite extended result code, ODBC native error),
    // otherwise one of the program's codes from ErrorCodes.h.
    std::int32_t Number() const noexcept { return number_; }
    // UTF-8. The engine's message as given, prefixed with the SQLSTATE where there is one.
    // Never holds a password taken from a connection string.
    const std::string& Description() const noexcept { return description_; }
    const char* what() const noexcept override { return description_.c_str(); }

    // Whatever was thrown, as the one error type: a tbn::Error as it is, running out of memory as
    // number 7, any other failure under ErrorCode::Unexpected with its own text.
    static Error From(std::exception_ptr failure);

    // Where the engine located the failure, as a byte offset into the UTF-8 command text the run
    // was given; empty when the engine did not say or the failure has no place in the text.
    const std::optional<std::size_t>& CommandOffset() const noexcept { return commandOffset_; }
    void SetCommandOffset(std::optional<std::size_t> byteOffset) noexcept {
        commandOffset_ = byteOffset;
    }

    // The bytes [begin, end) of that command text that hold the statement that failed, where the
    // engine tells its statements apart; empty when it does not.
    struct ByteRange {
        std::size_t begin = 0;
        std::size_t end = 0;
    };
    const std::optional<ByteRange>& FailedStatement() const noexcept { return failedStatement_; }
    void SetFailedStatement(std::optional<ByteRange> range) noexcept { failedStatement_ = range; }

private:
    std::int32_t number_;
    std::string description_;
    std::optional<std::size_t> commandOffset_;
    std::optional<ByteRange> failedStatement_;
};

}  // namespace tbn
