#include "app/senales.h"

#include <QObject>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

static int tuberia[2] = {-1, -1};

static void alRecibir(int) {
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(tuberia[1], &c, 1);
}

void CerrarConSenales(QObject* dueno, std::function<void()> cerrar) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, tuberia) != 0) return;
    auto* aviso = new QSocketNotifier(tuberia[0], QSocketNotifier::Read, dueno);
    QObject::connect(aviso, &QSocketNotifier::activated, dueno, [cerrar = std::move(cerrar)] {
        char c;
        [[maybe_unused]] const ssize_t n = ::read(tuberia[0], &c, 1);
        cerrar();
    });
    struct sigaction sa = {};
    sa.sa_handler = alRecibir;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int s : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(s, &sa, nullptr);
}
