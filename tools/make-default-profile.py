#!/usr/bin/env python3
"""Writes res/default_profile.txt: the built-in default profile (UTF-16LE with a byte-order mark,
CR LF line ends, 98 lines). The set-master addresses come from the documentation ranges and
example names only, so no default ever points an operator's server at someone else's machine."""
import os

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def setmasters():
    bare = [f"192.0.2.{n}" for n in range(10, 22)]            # 12
    bare += [f"198.51.100.{n}" for n in range(20, 32)]        # 12
    bare += [f"203.0.113.{n}" for n in range(30, 41)]         # 11
    ports = [27010, 27013, 27040]
    with_port = [f"192.0.2.{n}:{ports[i % 3]}" for i, n in enumerate(range(100, 105))]
    with_port += [f"198.51.100.{n}:{ports[(i + 1) % 3]}" for i, n in enumerate(range(100, 105))]
    with_port += [f"203.0.113.{n}:{ports[(i + 2) % 3]}" for i, n in enumerate(range(100, 105))]
    names = ["master.example.net", "master.example.org"]
    assert (len(bare), len(with_port), len(names)) == (35, 15, 2)
    # The set-master list box sorts ascending ignoring case; keep the default in that order.
    return sorted(bare + with_port + names, key=str.lower)


def lines():
    out = ["[NAMESERVER]", "Harrowgate Arena",
           "[GAME]", "-game stormline", "-game sdelta",
           "[MAP]", "de_dust2",
           "[IPSERVER]", "127.0.0.1",
           "[PORT]", "27015",
           "[NUMBERPLAYERS]", "24",
           "[ADDPARAMETERS]", "-insecure -noipx +exec listip.cfg",
           "[PRIORITET]", "100", "80", "20",
           "[RCON]", "864209753",
           "[TYPESERVER]", "+sv_lan 1", "+sv_lan 0",
           "[CURSELCOMBOBOXES]", "0", "1", "1", "1",
           "[PATHLOADMAPS]", "\\maps\\*.bsp", "\\mapcycle.txt", "\\addons\\amxmodx\\configs\\maps.ini",
           "[COMBO_ADD_PARAMETERS]", "-insecure", "-nomaster", "-noipx", "+exec listip.cfg",
           "[COMBO_COMMANDS]", "amx_map de_dust2", "log off", "meta list", "amx_who",
           "[PASSWORDGAME]", "",
           "[SETMASTERS]"] + setmasters()
    assert len(out) == 98
    return out


def main():
    text = "".join(line + "\r\n" for line in lines())
    data = "\ufeff".encode("utf-16-le") + text.encode("utf-16-le")
    with open(os.path.join(ROOT, "res", "default_profile.txt"), "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
