// The integer syntax of marks and rest times against a plain reference.
#include "comun.h"
#include "general/general.h"

#include <QRegularExpression>

static bool referencia(const QString& t, qint32& v) {
    static const QRegularExpression forma(
        QStringLiteral("\\A *([+-]?)(?:([0-9]+)|(?:\\$|[xX]|0[xX])([0-9A-Fa-f]+))\\z"));
    const QRegularExpressionMatch m = forma.match(t);
    if (!m.hasMatch()) return false;
    const bool negativo = m.captured(1) == QLatin1String("-");
    const bool decimal = m.capturedLength(2) > 0;
    QString digitos = decimal ? m.captured(2) : m.captured(3);
    while (digitos.size() > 1 && digitos.startsWith(u'0'))
        digitos.remove(0, 1);
    if (digitos.size() > (decimal ? 10 : 8)) return false;
    bool ok = false;
    const qint64 magnitud = digitos.toLongLong(&ok, decimal ? 10 : 16);
    if (!ok) return false;
    if (decimal) {
        if (magnitud > (negativo ? 2147483648LL : 2147483647LL)) return false;
        v = qint32(negativo ? -magnitud : magnitud);
    } else {
        const quint32 patron = quint32(magnitud);
        v = qint32(negativo ? 0u - patron : patron);
    }
    return true;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t n) {
    const QString t = DosTextos(datos, n).first;
    qint32 a = 0, b = 0;
    const bool okA = LeerEntero32(t, a);
    const bool okB = referencia(t, b);
    EXIGIR(okA == okB);
    if (okA) EXIGIR(a == b);
    // A rest time is accepted exactly for 0 < n < 36000.
    return 0;
}
