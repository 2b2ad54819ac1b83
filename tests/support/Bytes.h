#pragma once
#include <QByteArray>
#include <cstddef>

namespace tbn::test {
// A byte string literal with its embedded NULs.
template <std::size_t N> QByteArray Bytes(const char (&literal)[N]) {
    return QByteArray(literal, N - 1);
}
}  // namespace tbn::test
