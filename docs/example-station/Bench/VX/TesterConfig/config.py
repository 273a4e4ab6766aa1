# Station script of the example station: its size comes from the configuration in focus,
# its ports from the port file beside this script.
import json
import os

HERE = os.path.dirname(os.path.abspath(__file__))


def program(name, args, sleep):
    # Every process runs programs/role.py under the python3 that PATH names, unbuffered.
    return {"name": name, "execute": "python3 -u", "path": "$(ProjectDir)/programs",
            "bin": "role.py", "args": args, "sleep": sleep}


def get_configA(config_name):
    with open(os.path.join(HERE, config_name)) as f:
        bench = json.load(f)
    with open(os.path.join(HERE, "zmqports.json")) as f:
        ports = json.load(f)
    # "slots" becomes the slot count; "module" and "slot" make one process per module
    # and per slot and become its numbers.
    return {
        "modules": bench["modules"],
        "slots": bench["slots"],
        "processes": [
            program("Monitor", "Monitor %d" % ports["MONITOR_PORT"], 1),
            program("Sequence", "Sequence %d module slot slots" % ports["SEQUENCER_PORT"], 1),
            program("StateMachine", "StateMachine %d module" % ports["SM_PORT"], 2),
        ],
    }
