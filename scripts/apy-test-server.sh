#!/usr/bin/env bash
# Apertium's HTTP server (APy) for the machine translation tests and the
# benchmark: serves the installed pairs (Debian: apertium-apy,
# apertium-eng-spa) on 127.0.0.1:PORT only, where APy by itself would listen
# on every interface. Runs in the foreground until it is stopped.
#
#   scripts/apy-test-server.sh PORT
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 PORT" >&2; exit 2; }
# The interpreter Debian installed APy for (another python3 may come first on the PATH).
exec /usr/bin/python3 -c '
import tornado.tcpserver as t
bind = t.TCPServer.bind
t.TCPServer.bind = lambda self, port, address=None, *a, **k: bind(self, port, "127.0.0.1", *a, **k)
from apertium_apy.apy import main
main()
' -p "$1" /usr/share/apertium/modes
