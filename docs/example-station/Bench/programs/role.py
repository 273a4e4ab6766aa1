# One process of the example station: reads the test limits, holds its port on 127.0.0.1
# and sends a heartbeat every 5 seconds until the launcher ends it.
#
#   role.py ROLE BASE_PORT                        station-wide: port BASE_PORT
#   role.py ROLE BASE_PORT MODULE                 per module: BASE_PORT + MODULE
#   role.py ROLE BASE_PORT MODULE SLOT SLOTS      per slot: BASE_PORT + MODULE * SLOTS + SLOT
import csv
import os
import socket
import sys
import time


def say(text):
    # One write per line: the launcher gets the line as one piece (print writes the text
    # and its line end separately).
    sys.stdout.write(text + "\n")


role, base = sys.argv[1], int(sys.argv[2])
numbers = [int(n) for n in sys.argv[3:]]
module = numbers[0] if numbers else 0
slot, slots = numbers[1:3] if len(numbers) == 3 else (0, 1)
port = base + module * slots + slot

limits_path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "Data", "limits.csv")
with open(limits_path, newline="") as f:
    limits = list(csv.DictReader(f))

server = socket.socket()
server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
server.bind(("127.0.0.1", port))
server.listen()
say("%s on port %d: ready, %d test limits" % (role, port, len(limits)))

beat = 0
while True:
    time.sleep(5)
    beat += 1
    say("%s on port %d: heartbeat %d" % (role, port, beat))
