#!/usr/bin/env python3
"""Start-up of KORVAL, of the same widget tree without logic and of a bare Qt window, from
spawn to the first paint (under Xvfb: mapped, exposed and painted), with peak memory and
callgrind's instruction count.

Usage: arranque.py BUILD_DIR [RUNS]. Runs offscreen, and under Xvfb when it is installed.
"""
import os, shutil, statistics, subprocess, sys, tempfile, time, datetime

build = sys.argv[1]
runs = int(sys.argv[2]) if len(sys.argv) > 2 else 30
korval = os.path.join(build, "bench", "bench_arranque_korval")
vacio = os.path.join(build, "bench", "bench_arranque_vacio")

home = tempfile.mkdtemp()
datos = os.path.join(home, "Documents", "KORVAL")
os.makedirs(datos)
with open(os.path.join(datos, "USRS.kvldat"), "wb") as f:
    f.write(b"Ana\r\nLuis\r\n")
hoy = datetime.date.today().strftime("%Y%m%d")
with open(os.path.join(datos, hoy + "Ana.kvr"), "wb") as f:
    for i in range(100):
        f.write(("Ejercicio %d|4|10|40|45|50||||||||0\r\n" % i).encode())

def una(programa, env):
    t0 = time.perf_counter()
    p = subprocess.Popen([programa], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env)
    linea = p.stdout.readline()
    t = (time.perf_counter() - t0) * 1000
    p.wait()
    partes = linea.split()
    if not partes or partes[0] != b"painted":
        raise SystemExit("no paint from " + programa)
    return t, int(partes[1])

esqueleto = os.path.join(build, "bench", "bench_arranque_esqueleto")

def medir(nombre, env):
    programas = (vacio, esqueleto, korval)
    for prog in programas:  # warm the page cache
        una(prog, env)
    res = {}
    for prog in programas:
        ts, mem = [], []
        for _ in range(runs):
            t, m = una(prog, env)
            ts.append(t); mem.append(m)
        res[prog] = (statistics.median(ts), statistics.median(mem))
    (tv, mv), (te, me), (tk, mk) = res[vacio], res[esqueleto], res[korval]
    fila("start-up, %s (ms)" % nombre, tk, "same widget tree", te, tk / te)
    fila("start-up, %s (ms)" % nombre, tk, "bare Qt window", tv, tk / tv)
    fila("peak memory, %s (KiB)" % nombre, mk, "same widget tree", me, mk / me,
         "%+d KiB" % (mk - me))
    fila("peak memory, %s (KiB)" % nombre, mk, "bare Qt window", mv, mk / mv)

def fila(figura, valor, piso, valor_piso, razon, nota=""):
    print("| %-34s | %10.1f | %-28s | %10.1f | %5.2f | %s" % (figura, valor, piso, valor_piso, razon, nota))

def instrucciones(prog, env):
    with tempfile.NamedTemporaryFile() as f:
        r = subprocess.run(["valgrind", "--tool=callgrind", "--callgrind-out-file=" + f.name, prog],
                           env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        for linea in r.stderr.splitlines():
            if "Collected :" in linea:
                return int(linea.split(":")[-1])
    raise SystemExit("callgrind gave no count for " + prog)

env = dict(os.environ, HOME=home, QT_QPA_PLATFORM="offscreen")
env.pop("XDG_CONFIG_HOME", None)
medir("offscreen", env)

# Ten years of daily routines: the history is built after the first paint, never before.
for d in range(1, 3651):
    dia = (datetime.date.today() - datetime.timedelta(days=d)).strftime("%Y%m%d")
    with open(os.path.join(datos, dia + "Ana.kvr"), "wb") as f:
        for i in range(8):
            f.write(("Ejercicio %d|4|10|%d|%d||||||||0\r\n" % (i, 40 + d % 50, 45 + d % 50)).encode())
medir("offscreen, 3,650 days", env)

if shutil.which("valgrind"):
    ik, ie = instrucciones(korval, env), instrucciones(esqueleto, env)
    fila("instructions to first paint (M)", ik / 1e6, "same widget tree", ie / 1e6, ik / ie)
else:
    print("valgrind is not installed: no instruction counts (tools/setup.sh --bench installs it)")

if shutil.which("Xvfb"):
    pantalla = ":93"
    x = subprocess.Popen(["Xvfb", pantalla, "-screen", "0", "1280x1024x24"],
                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    time.sleep(1.0)
    try:
        env = dict(env, DISPLAY=pantalla, QT_QPA_PLATFORM="xcb")
        medir("Xvfb", env)
    finally:
        x.terminate()
else:
    print("Xvfb is not installed: no figures on a display (tools/setup.sh --bench installs it)")
shutil.rmtree(home)
