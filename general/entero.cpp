#include "general/general.h"

static int valorHex(QChar c) {
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    return -1;
}

bool LeerEntero32(const QString& texto, qint32& valor) {
    qsizetype i = 0;
    const qsizetype n = texto.size();
    while (i < n && texto[i] == u' ')
        ++i;
    bool negativo = false;
    if (i < n && (texto[i] == u'+' || texto[i] == u'-')) {
        negativo = texto[i] == u'-';
        ++i;
    }
    int base = 10;
    if (i < n && (texto[i] == u'$' || texto[i] == u'x' || texto[i] == u'X')) {
        base = 16;
        ++i;
    } else if (i + 1 < n && texto[i] == u'0' && (texto[i + 1] == u'x' || texto[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    if (i >= n) return false;
    quint64 acumulado = 0;
    for (; i < n; ++i) {
        const int d = valorHex(texto[i]);
        if (d < 0 || d >= base) return false;
        acumulado = acumulado * base + quint64(d);
        if (acumulado > 0xFFFFFFFFull) return false;
    }
    if (base == 10) {
        const quint64 limite = negativo ? 2147483648ull : 2147483647ull;
        if (acumulado > limite) return false;
        valor = negativo ? qint32(-qint64(acumulado)) : qint32(acumulado);
        return true;
    }
    const auto patron = qint32(quint32(acumulado));
    valor = negativo ? qint32(0u - quint32(patron)) : patron;
    return true;
}
