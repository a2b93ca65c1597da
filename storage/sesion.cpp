#include "storage/sesion.h"

#include "general/errores.h"
#include "general/general.h"
#include "storage/conflictos.h"
#include "storage/enlaces.h"
#include "storage/respaldo.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QFutureWatcher>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#include <cerrno>
#include <new>
#include <optional>

TSesion::TSesion(const QString& carpetaDatos, std::function<QDateTime()> reloj, int filas,
                 int columnas, QObject* padre)
    : QObject(padre), carpeta_(carpetaDatos), reloj_(std::move(reloj)), filas_(filas),
      columnas_(columnas),
      rutina_(std::make_shared<const TRutina>(TRutina::Vacia(filas, columnas))) {}

TSesion::~TSesion() {
    Detener();
}

void TSesion::Detener() {
    // The worker only reads, but its result must not arrive at an object being taken down: stop
    // it between two files and wait for it.
    if (obra_) {
        obra_->cancel();
        obra_->waitForFinished();
    }
}

QString TSesion::NombreDeArchivo(const QString& usuario, const QDate& dia) {
    return DayStamp(dia) + usuario + QStringLiteral(".kvr");
}

void TSesion::Mostrar(const QString& usuario, const QDate& dia, bool hayUsuario) {
    const QString antes = rutina_->usuario;
    cargar(hayUsuario ? usuario : QString(), dia,
           hayUsuario ? CombinePath(carpeta_, NombreDeArchivo(usuario, dia)) : QString());
    // Another user: that user's history, kept or built now.
    if (rutina_->usuario != antes || !historias_.contains(rutina_->usuario)) construirHistoria();
}

void TSesion::cargar(const QString& usuario, const QDate& dia, const QString& ruta) {
    auto r = std::make_shared<TRutina>(TRutina::Vacia(filas_, columnas_));
    r->usuario = usuario;
    r->dia = dia;
    // Shown also when the load fails: the sheet then holds what could be read, and the file is
    // kept in "respaldos" before a save replaces it.
    struct Mostrar {
        TSesion* s;
        std::shared_ptr<TRutina>& r;
        ~Mostrar() { s->mostrar(r); }
    } mostrar{this, r};
    if (!ruta.isEmpty()) CargarRutina(*r, ruta);
}

void TSesion::mostrar(PRutina r) {
    rutina_ = std::move(r);
    vigilarRutina();
    recordarLeida(*rutina_);
    emit rutinaCambiada();
}

void TSesion::recordarLeida(const TRutina& r) {
    if (!bases_ || !r.identidad.existe || r.ruta.isEmpty()) return;
    bases_->Leida(QFileInfo(r.ruta).fileName(), r.dia,
                  FormatearRutina(r.A, r.C, filas_, columnas_));
}

void TSesion::FijarCarpetaBases(const QString& carpeta) {
    bases_ = std::make_unique<TBases>(carpeta, reloj_().date());
}

void TSesion::vigilarRutina() {
    if (!vigia_) return;
    // A file replaced by a rename (our own saves too) is no longer watched: watch it again.
    const QString& ruta = rutina_->ruta;
    if (vigilada_ != ruta && !vigilada_.isEmpty()) vigia_->removePath(vigilada_);
    vigilada_ = ruta;
    if (!ruta.isEmpty() && !vigia_->files().contains(ruta) && IdentidadDe(ruta).existe)
        vigia_->addPath(ruta);
}

bool TSesion::Escribir(int fila, int columna, const QString& texto) {
    return EscribirEn(rutina_, fila, columna, texto);
}

bool TSesion::EscribirEn(const PRutina& version, int fila, int columna, const QString& texto) {
    if (permiso_) permiso_();
    const QString motivo = MotivoTextoInvalido(texto);
    if (!motivo.isEmpty()) throw ErrorKorval(motivo);
    // The edit is made on the version the editor was opened on: when the routine shown changed
    // behind it (another program's version, a conflict copy merged in), the save carries it onto
    // the disk row by row, so it lands in the exercise the user saw, not in its old position.
    const TRutina& desde = version ? *version : *rutina_;
    return hacer(desde, TCambio::DeCeldas(desde, {{fila, columna, texto}}), Paso::Nuevo);
}

bool TSesion::EscribirBloque(int fila, int columna, const QList<QStringList>& filas) {
    if (permiso_) permiso_();
    QList<TCeldaNueva> celdas;
    for (int i = 0; i < filas.size(); ++i) {
        if (fila + i >= filas_ || columna + filas[i].size() > columnas_)
            throw ErrorKorval(QStringLiteral("El texto pegado no cabe en la hoja"));
        for (int j = 0; j < filas[i].size(); ++j) {
            const QString motivo = MotivoTextoInvalido(filas[i][j]);
            if (!motivo.isEmpty()) throw ErrorKorval(motivo);
            celdas.append({fila + i, columna + j, filas[i][j]});
        }
    }
    return hacer(*rutina_, TCambio::DeCeldas(*rutina_, celdas), Paso::Nuevo);
}

bool TSesion::Marcar(int fila, qint32 marca) {
    if (permiso_) permiso_();
    return hacer(*rutina_, TCambio::DeMarca(*rutina_, fila, marca), Paso::Nuevo);
}

bool TSesion::Intercambiar(int f1, int f2) {
    if (permiso_) permiso_();
    if (f1 < 0 || f2 < 0 || f1 >= filas_ || f2 >= filas_) return false;
    return hacer(*rutina_, TCambio::DeIntercambio(*rutina_, f1, f2), Paso::Nuevo);
}

bool TSesion::Reemplazar(const TTabla& A, const TMarcas& C, QString* copia) {
    if (permiso_) permiso_();
    if (!copia) return hacer(*rutina_, TCambio::DeTodo(*rutina_, A, C), Paso::Nuevo);
    // The routine about to be replaced is kept first, so the user can bring it back.
    *copia = RespaldarArchivo(carpeta_, rutina_->ruta, reloj_());
    TRutina desde = *rutina_;
    desde.respaldar = false; // copied just now
    return hacer(desde, TCambio::DeTodo(desde, A, C), Paso::Nuevo);
}

bool TSesion::GuardarAhora() {
    if (permiso_) permiso_();
    return hacer(*rutina_, TCambio::DeTodo(*rutina_, rutina_->A, rutina_->C), Paso::Nuevo);
}

bool TSesion::PuedeDeshacer() const {
    const auto it = pilas_.constFind(rutina_->ruta);
    return it != pilas_.cend() && it->hechos > 0;
}

bool TSesion::PuedeRehacer() const {
    const auto it = pilas_.constFind(rutina_->ruta);
    return it != pilas_.cend() && it->hechos < it->pasos.size();
}

bool TSesion::Deshacer() {
    if (!PuedeDeshacer()) return false;
    if (permiso_) permiso_();
    const TPila& p = pilas_[rutina_->ruta];
    // On the version the step wrote this restores it exactly; on another one (the file changed
    // underneath) it is carried onto it row by row, as any change is.
    return hacer(*rutina_, p.pasos[p.hechos - 1].Inverso(), Paso::Deshecho);
}

bool TSesion::Rehacer() {
    if (!PuedeRehacer()) return false;
    if (permiso_) permiso_();
    const TPila& p = pilas_[rutina_->ruta];
    const TCambio c = p.pasos[p.hechos]; // a copy: the steps change while it is saved
    return hacer(*rutina_, c, Paso::Rehecho);
}

QString TSesion::mensajePerdido(const TCambio& c, const QString& ejercicio, int fila) const {
    const QString quien = ejercicio.trimmed().isEmpty() ? QStringLiteral("la fila %1").arg(fila + 1)
                                                        : QStringLiteral("«%1»").arg(ejercicio);
    QString que;
    if (c.tipo == TCambio::Celdas) {
        QStringList textos;
        for (const TCambio::TFila& f : c.filas)
            for (qsizetype j = 0; j < f.despues.size(); ++j)
                if (f.despues[j] != f.antes[j]) textos << f.despues[j];
        que = QStringLiteral("«%1» no se guardó").arg(textos.join(u' '));
    } else {
        que = QStringLiteral("el cambio no se guardó");
    }
    return QStringLiteral("Otro programa cambió %1 mientras escribías; %2.").arg(quien, que);
}

bool TSesion::hacer(const TRutina& desde, const TCambio& c, Paso paso) {
    // `desde` may be the routine shown, which this replaces: it lives until the end here.
    const PRutina vivo = rutina_;
    TGuardado g = GuardarCambio(desde, c, carpeta_, reloj_(), esperaCerrojo_);
    const bool mostrada = desde.ruta == rutina_->ruta;
    if (!g.guardado) {
        // Nothing was written: the sheet shows what is on disk, and the user is told what of
        // theirs did not go in.
        int fila = c.filas.isEmpty() ? c.filaMarca : c.filas.first().fila;
        for (const TCambio::TFila& f : c.filas)
            if (!f.antes.isEmpty() && f.antes.first() == g.perdido) fila = f.fila;
        const QString m = mensajePerdido(c, g.perdido, fila);
        if (mostrada) {
            mostrar(std::make_shared<const TRutina>(std::move(g.rutina)));
            ponerEnHistoria(*rutina_);
        }
        emit aviso(m);
        return false;
    }
    identidadCarpeta_ = IdentidadDe(carpeta_);
    auto nueva = std::make_shared<const TRutina>(std::move(g.rutina));
    if (mostrada) {
        rutina_ = nueva;
        vigilarRutina();
        if (g.fusionado || c.tipo == TCambio::Todo) {
            emit rutinaCambiada();
        } else {
            int desdeFila = filas_, hastaFila = -1;
            for (const TCambio::TFila& f : c.filas) {
                desdeFila = std::min(desdeFila, f.fila);
                hastaFila = std::max(hastaFila, f.fila);
            }
            if (c.tipo == TCambio::Marca) desdeFila = hastaFila = c.filaMarca;
            if (hastaFila >= 0) emit filasCambiadas(desdeFila, hastaFila);
        }
    }
    // The undo steps of the routine saved; a change that changed nothing adds none.
    TPila& pila = pilas_[desde.ruta];
    switch (paso) {
    case Paso::Nuevo:
        if (!c.Nulo()) {
            pila.pasos.resize(pila.hechos);
            pila.pasos.append(c);
            if (pila.pasos.size() > kPasosMaximos) pila.pasos.removeFirst();
            pila.hechos = pila.pasos.size();
        }
        break;
    case Paso::Deshecho:
        --pila.hechos;
        break;
    case Paso::Rehecho:
        ++pila.hechos;
        break;
    }
    // The history and the merge bases take the day saved once the save has returned: the edit
    // is on disk first.
    QTimer::singleShot(0, this, [this, nueva] {
        ponerEnHistoria(*nueva);
        if (bases_)
            bases_->Escrita(QFileInfo(nueva->ruta).fileName(), nueva->dia,
                            FormatearRutina(nueva->A, nueva->C, filas_, columnas_));
    });
    if (!g.copia.isEmpty())
        emit aviso(QStringLiteral("Otra copia de esta rutina cambió mientras estaba abierta; su "
                                  "versión está en respaldos"));
    if (!g.errorTrasGuardar.isEmpty()) emit fallo(g.errorTrasGuardar);
    return true;
}

void TSesion::Activar() {
    if (activa_) return;
    activa_ = true;
    vigia_ = new QFileSystemWatcher(this);
    connect(vigia_, &QFileSystemWatcher::fileChanged, this, &TSesion::alCambiarArchivo);
    connect(vigia_, &QFileSystemWatcher::directoryChanged, this, &TSesion::alCambiarCarpeta);
    identidadCarpeta_ = IdentidadDe(carpeta_);
    if (bases_) {
        bases_->Podar();
        recordarLeida(*rutina_);
    }
    Revisar();
    UnirConflictos();
    construirHistoria();
    // Saves cut short (a crash, a power cut) leave hidden temporary files; after ten minutes
    // none of them can belong to a save still under way.
    for (const QString& carpeta : {carpeta_, CombinePath(carpeta_, kCarpetaRespaldos)})
        if (carpeta == carpeta_ || !QFileInfo(carpeta).isSymLink())
            BorrarTemporalesViejos(carpeta, 600);
}

void TSesion::alCambiarArchivo() {
    try {
        Revisar();
    } catch (const ErrorKorval& e) {
        emit fallo(e.mensaje());
    } catch (const std::bad_alloc&) {
        emit fallo(QStringLiteral("Out of memory"));
    }
}

void TSesion::alCambiarCarpeta() {
    alCambiarArchivo();
    // Our own save changed the folder too, and its day is in the history already; any other
    // change may concern any routine: the history reads again what changed.
    const TIdentidad ahora = IdentidadDe(carpeta_);
    if (ahora == identidadCarpeta_) return;
    identidadCarpeta_ = ahora;
    UnirConflictos();
    construirHistoria();
}

void TSesion::Revisar() {
    if (!vigia_) return;
    const QString usuarios = CombinePath(carpeta_, kArchivoUsuarios);
    for (const QString& ruta : {carpeta_, usuarios})
        if (!vigia_->files().contains(ruta) && !vigia_->directories().contains(ruta) &&
            IdentidadDe(ruta).existe)
            vigia_->addPath(ruta);
    vigilarRutina();
    if (IdentidadDe(usuarios) != identidadUsuarios_) emit usuariosCambiados();
    // Our own save left the identity it kept: nothing to do then.
    if (rutina_->ruta.isEmpty() || IdentidadDe(rutina_->ruta) == rutina_->identidad) return;
    // What is being typed is not disturbed; its commit merges onto the new version.
    if (ocupado_ && ocupado_()) return;
    recargar();
}

void TSesion::recargar() {
    // The day as read goes into the history, also what could be read of a file that failed.
    try {
        cargar(rutina_->usuario, rutina_->dia, rutina_->ruta);
    } catch (...) {
        ponerEnHistoria(*rutina_);
        throw;
    }
    ponerEnHistoria(*rutina_);
}

TListaUsuarios TSesion::LeerUsuarios() {
    // The version is taken before the read: a change made meanwhile is seen again later.
    identidadUsuarios_ = IdentidadDe(CombinePath(carpeta_, kArchivoUsuarios));
    TListaUsuarios l = LeerListaUsuarios(carpeta_);
    l.identidad = identidadUsuarios_;
    return l;
}

const THistoria* TSesion::Historia(const QString& usuario) const {
    const auto it = historias_.constFind(usuario);
    return it == historias_.cend() ? nullptr : &*it;
}

THistoria TSesion::HistoriaAlDia(const QString& usuario, QStringList* fallidos) {
    THistoria h = THistoria::Construir(carpeta_, usuario, historias_.value(usuario), fallidos);
    if (!obra_ || !obra_->isRunning()) {
        historias_[usuario] = h;
        emit historiaCambiada(usuario);
    }
    return h;
}

void TSesion::construirHistoria() {
    if (!activa_ || rutina_->ruta.isEmpty()) return;
    if (!obra_) {
        obra_ = new QFutureWatcher<TObra>(this);
        connect(obra_, &QFutureWatcher<TObra>::finished, this, &TSesion::historiaLista);
    }
    // One build at a time; a request meanwhile builds again once it is done.
    if (obra_->isRunning()) {
        otraObra_ = true;
        return;
    }
    ++construcciones_;
    const QString usuario = rutina_->usuario;
    const QString carpeta = carpeta_;
    const THistoria previa = historias_.value(usuario);
    // The worker gets copies only, and hands back a value: nothing is shared while it runs.
    obra_->setFuture(QtConcurrent::run([carpeta, usuario, previa](QPromise<TObra>& promesa) {
        TObra o;
        o.usuario = usuario;
        o.historia = THistoria::Construir(carpeta, usuario, previa, &o.fallidos,
                                          [&promesa] { return promesa.isCanceled(); });
        if (!promesa.isCanceled()) promesa.addResult(o);
    }));
}

void TSesion::historiaLista() {
    // A build cancelled by a close hands back nothing.
    if (obra_->isCanceled() || obra_->future().resultCount() == 0) return;
    const TObra o = obra_->result();
    // Kept for its own user, also when another is shown by now.
    historias_[o.usuario] = o.historia;
    if (otraObra_ || o.usuario != rutina_->usuario) {
        otraObra_ = false;
        construirHistoria();
    }
    emit historiaCambiada(o.usuario);
    if (!o.fallidos.isEmpty()) emit historiaIncompleta(o.fallidos);
}

void TSesion::ponerEnHistoria(const TRutina& r) {
    // The day as saved or read, in place; a build under way may have read it before.
    auto it = historias_.find(r.usuario);
    if (it == historias_.end() || r.ruta.isEmpty()) return;
    if (r.identidad.existe)
        it->PonerDia(r.dia, r.A, r.C, r.identidad);
    else
        it->QuitarDia(r.dia);
    if (obra_ && obra_->isRunning()) otraObra_ = true;
    emit historiaCambiada(r.usuario);
}

void TSesion::UnirConflictos() {
    // One read of the folder; copies are few and rare.
    const QStringList nombres = QDir(carpeta_).entryList(
        {QStringLiteral("*.sync-conflict-*"), QStringLiteral("* conflicted copy *")},
        QDir::Files | QDir::System | QDir::Hidden, QDir::Name);
    for (const QString& nombre : nombres) {
        const QString original = OriginalDeConflicto(nombre);
        if (original.isEmpty()) continue;
        try {
            unirConflicto(nombre, original);
        } catch (const ErrorKorval& e) {
            emit fallo(QStringLiteral("No se pudo unir %1: %2").arg(nombre, e.mensaje()));
        } catch (const std::bad_alloc&) {
            emit fallo(QStringLiteral("Out of memory"));
        }
    }
    identidadCarpeta_ = IdentidadDe(carpeta_);
}

void TSesion::moverARespaldos(const QString& nombre) {
    const TCerrojo cerrojo(carpeta_, esperaCerrojo_);
    const QString carpeta = CarpetaDeRespaldos(carpeta_);
    const QString desde = CombinePath(carpeta_, nombre);
    QString hacia = CombinePath(carpeta, nombre);
    // The other computer may have moved the same copy there already: the same name, the same
    // bytes. Anything else keeps both.
    if (QFileInfo::exists(hacia) && !QFileInfo(desde).isSymLink() &&
        LeerCopiaExacta(hacia) != LeerCopiaExacta(desde))
        for (int n = 2; QFileInfo::exists(hacia); ++n)
            hacia = CombinePath(carpeta, nombre + QStringLiteral("-%1").arg(n));
    if (::rename(QFile::encodeName(desde).constData(), QFile::encodeName(hacia).constData()) != 0)
        throw ErrorDeErrno(errno);
}

void TSesion::unirConflicto(const QString& copia, const QString& original) {
    const QString rutaCopia = CombinePath(carpeta_, copia);
    const QString ruta = CombinePath(carpeta_, original);
    // A copy that is a link out of the folder's files is not read: the link alone is put away.
    try {
        ComprobarEnlaceDeDatos(ruta);
        if (QFileInfo(rutaCopia).isSymLink())
            throw ErrorKorval(QStringLiteral("«%1» es un enlace").arg(copia));
    } catch (const ErrorKorval& e) {
        moverARespaldos(copia);
        emit aviso(QStringLiteral("No se unió %1: %2").arg(copia, e.mensaje()));
        return;
    }
    if (original == kArchivoUsuarios) {
        const QStringList lista = LeerListaUsuarios(carpeta_).nombres;
        QStringList otros = LeerTextoPorLineas(rutaCopia).split(QStringLiteral("\r\n"));
        otros.removeLast();
        QStringList nuevos;
        for (const QString& n : NombresQueFaltan(lista, otros))
            if (MotivoNombreNuevo(n, carpeta_).isEmpty()) nuevos << n;
        for (const QString& n : std::as_const(nuevos))
            AnexarUsuario(ruta, n, esperaCerrojo_);
        moverARespaldos(copia);
        if (!nuevos.isEmpty())
            emit aviso(QStringLiteral("Se añadieron usuarios de otro equipo: ") +
                       nuevos.join(QStringLiteral(", ")));
        return;
    }
    // A sync tool replaces a file by renaming the old one to the copy's name and then the new
    // one into place: between the two the routine is missing. The next change of the folder
    // brings it, and the copy is merged then.
    if (!IdentidadDe(ruta).existe) return;
    // The routine as on disk now, and the copy, through the routine's own reader.
    TRutina r = TRutina::Vacia(filas_, columnas_);
    r.dia = QDate::fromString(original.left(8), QStringLiteral("yyyyMMdd"));
    r.usuario = original.mid(8, original.size() - 8 - 4);
    CargarRutina(r, ruta);
    TRutina k = TRutina::Vacia(filas_, columnas_);
    CargarTabla(rutaCopia, k.A, k.C, filas_, columnas_);
    const QByteArray bytesR = FormatearRutina(r.A, r.C, filas_, columnas_);
    const QByteArray bytesK = FormatearRutina(k.A, k.C, filas_, columnas_);
    if (bytesR == bytesK) {
        moverARespaldos(copia);
        return;
    }
    std::optional<TRutina> base;
    if (bases_) {
        if (const auto b = bases_->BaseDe(original, bytesR, bytesK)) {
            base = TRutina::Vacia(filas_, columnas_);
            try {
                LeerRutina(*b, base->A, base->C, filas_, columnas_);
            } catch (const ErrorKorval&) {
                base.reset(); // a damaged cache: merged without a base
            }
        }
    }
    const TFusion f =
        FusionarConflicto(r.A, r.C, k.A, k.C, base ? &base->A : nullptr, base ? &base->C : nullptr);
    if (f.A != r.A || f.C != r.C) {
        if (f.pierdeDeLaRutina) RespaldarArchivo(carpeta_, ruta, reloj_());
        if (!hacer(r, TCambio::DeTodo(r, f.A, f.C), Paso::Nuevo)) return;
    }
    moverARespaldos(copia);
    QString m = QStringLiteral("Se unieron los cambios de otro equipo en «%1 %2»")
                    .arg(DameDiaDeLaSemana(r.dia), r.dia.toString(QStringLiteral("d/M")));
    if (!f.choques.isEmpty())
        m += QStringLiteral("; donde los dos cambiaron lo mismo quedó lo de este equipo (%1), "
                            "lo del otro está en respaldos/%2")
                 .arg(f.choques.join(QStringLiteral("; ")), copia);
    emit aviso(m);
}
