#include "storage/texto1252.h"

#include <QStringDecoder>

// Bytes 0x80-0x9F; the five bytes Windows leaves undefined map to the same code point.
static const char16_t tabla80[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

static int byteDe(char16_t u) {
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return u;
    for (int i = 0; i < 32; ++i)
        if (tabla80[i] == u) return 0x80 + i;
    return -1;
}

bool Representable1252(QChar c) {
    return byteDe(c.unicode()) >= 0;
}

char* Escribir1252(char* d, const QString& texto) {
    const QChar* s = texto.constData();
    const qsizetype largo = texto.size();
    for (qsizetype i = 0; i < largo; ++i) {
        const char16_t u = s[i].unicode();
        if (u < 0x80) {
            *d++ = char(u);
            continue;
        }
        // A surrogate pair is one character: one "?".
        if (QChar::isHighSurrogate(u) && i + 1 < largo && QChar::isLowSurrogate(s[i + 1].unicode()))
            ++i;
        const int b = byteDe(u);
        *d++ = b < 0 ? '?' : char(b);
    }
    return d;
}

void Agregar1252(QByteArray& destino, const QString& texto) {
    const qsizetype desde = destino.size();
    destino.resize(desde + texto.size());
    char* fin = Escribir1252(destino.data() + desde, texto);
    destino.truncate(fin - destino.constData());
}

QByteArray A1252(const QString& texto) {
    QByteArray r;
    Agregar1252(r, texto);
    return r;
}

QString De1252(QByteArrayView bytes) {
    QString r(bytes.size(), Qt::Uninitialized);
    QChar* d = r.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = uchar(bytes[i]);
        d[i] = (b >= 0x80 && b < 0xA0) ? QChar(tabla80[b - 0x80]) : QChar(b);
    }
    return r;
}

bool EsUtf8(const QByteArray& bytes) {
    bool alto = false;
    for (char c : bytes)
        if (uchar(c) >= 0x80) {
            alto = true;
            break;
        }
    if (!alto) return false;
    QStringDecoder d(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString r = d.decode(bytes);
    return !d.hasError();
}

QByteArray SinMarcaUtf8(const QByteArray& bytes) {
    return bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
}

QString DecodificarTexto(QByteArrayView bytes, bool utf8) {
    return utf8 ? QString::fromUtf8(bytes) : De1252(bytes);
}
