#!/usr/bin/env python3
"""Start-up of KORVAL and of a bare Qt window, from spawn to the first paint, with peak memory.

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

def medir(nombre, env):
    for prog in (vacio, korval):  # warm the page cache
        una(prog, env)
    res = {}
    for prog in (vacio, korval):
        ts, mem = [], []
        for _ in range(runs):
            t, m = una(prog, env)
            ts.append(t); mem.append(m)
        res[prog] = (statistics.median(ts), statistics.median(mem))
    (tv, mv), (tk, mk) = res[vacio], res[korval]
    print("| start-up, %-24s | %10.1f | %-28s | %10.1f | %5.2f |" % (nombre + " (ms)", tk, "bare Qt window", tv, tk / tv))
    print("| peak memory, %-21s | %10d | %-28s | %10d | %5.2f |" % (nombre + " (KiB)", mk, "bare Qt window", mv, mk / mv))

env = dict(os.environ, HOME=home, QT_QPA_PLATFORM="offscreen")
env.pop("XDG_CONFIG_HOME", None)
medir("offscreen", env)

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
shutil.rmtree(home)
