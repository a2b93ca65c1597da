// Test seams put back when the scope ends, also when a failed check returns early.
#pragma once

#include "general/general.h"
#include "storage/archivo_es.h"

// The write call below the writers, replaced for the scope.
struct TEscrituraFalsa {
    explicit TEscrituraFalsa(FuncionEscribir f) { FijarFuncionEscribir(f); }
    ~TEscrituraFalsa() { FijarFuncionEscribir(nullptr); }
    TEscrituraFalsa(const TEscrituraFalsa&) = delete;
    TEscrituraFalsa& operator=(const TEscrituraFalsa&) = delete;
};

// The data folder, set for the scope.
struct TCarpetaDatos {
    QString antes = carpeta_principal;
    explicit TCarpetaDatos(const QString& carpeta) { carpeta_principal = carpeta; }
    ~TCarpetaDatos() { carpeta_principal = antes; }
    TCarpetaDatos(const TCarpetaDatos&) = delete;
    TCarpetaDatos& operator=(const TCarpetaDatos&) = delete;
};
