#pragma once
// The program's one error type. Everything that can fail raises tbn::Error; the error reporter
// (mdlErrors::ShowError) is the only place that formats it for the user.
#include <cstdint>
#include <exception>
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

private:
    std::int32_t number_;
    std::string description_;
};

} // namespace tbn
