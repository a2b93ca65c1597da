// Joining paths: the invalid-character error exactly when the name being made (a second part
// that is not rooted) holds such a character, and otherwise the join the rules give.
#include "comun.h"
#include "general/errores.h"
#include "general/general.h"

static bool invalido(const QString& s) {
    for (QChar c : s)
        if (c.unicode() < 32 || c == u'"' || c == u'<' || c == u'>' || c == u'|') return true;
    return false;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t n) {
    const auto [s1, s2] = DosTextos(datos, n);
    QString r;
    try {
        r = CombinePath(s1, s2);
    } catch (const ErrorKorval& e) {
        EXIGIR(!s1.isEmpty() && !s2.isEmpty() && !s2.startsWith(u'/') && invalido(s2));
        EXIGIR(e.mensaje() == QLatin1String("Invalid characters in path"));
        return 0;
    }
    if (s1.isEmpty())
        EXIGIR(r == s2);
    else if (s2.isEmpty())
        EXIGIR(r == s1);
    else {
        EXIGIR(s2.startsWith(u'/') || !invalido(s2));
        if (s2.startsWith(u'/'))
            EXIGIR(r == s2);
        else
            EXIGIR(r == s1 + (s1.endsWith(u'/') ? QString() : QStringLiteral("/")) + s2);
        // A rooted result resolves to itself.
        if (r.startsWith(u'/')) EXIGIR(CombinePath(s1, r) == r);
    }
    return 0;
}
