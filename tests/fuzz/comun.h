// Shared by the fuzz targets: an invariant that fails aborts, so the fuzzer reports it.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <cstdlib>

#define EXIGIR(cond)                                                                               \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::fprintf(stderr, "invariant failed: %s (%s:%d)\n", #cond, __FILE__, __LINE__);     \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

// Two texts from one input: split at the first NUL byte.
inline std::pair<QString, QString> DosTextos(const uint8_t* datos, size_t n) {
    const QByteArray b(reinterpret_cast<const char*>(datos), qsizetype(n));
    const qsizetype corte = b.indexOf('\0');
    if (corte < 0) return {QString::fromUtf8(b), QString()};
    return {QString::fromUtf8(b.left(corte)), QString::fromUtf8(b.mid(corte + 1))};
}
