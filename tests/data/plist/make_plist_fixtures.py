#!/usr/bin/env python3
"""Writes the property-list fixtures of the platform tests with Python's plistlib, a
writer independent of ours. Run it from anywhere; it writes beside itself:

    python3 tests/data/plist/make_plist_fixtures.py

values.bplist / values.xml  every value kind, with integers of each stored width
wide.bplist                 2-byte references and 4-byte offsets
archive.bplist / .xml       a keyed archive of a dictionary holding strings, numbers,
                            dates, data, null, arrays, dictionaries, sets, a sort
                            descriptor, an object of an unknown class and a shared object
"""

import datetime
import os
import plistlib

HERE = os.path.dirname(os.path.abspath(__file__))
UID = plistlib.UID


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


def values(with_uid):
    v = {
        "ascii": "clip",
        "unicode": "clíp μLaw",
        "long": "a string longer than fourteen characters",
        "empty": "",
        "int1": 255,
        "int2": 65535,
        "int4": 4294967295,
        "int8": 4294967296,
        "negative": -1,
        "min": -(2 ** 63),
        "max": 2 ** 63 - 1,
        "unsigned": 2 ** 64 - 1,
        "real": 0.5,
        "tiny": -1e-300,
        "true": True,
        "false": False,
        "date": datetime.datetime(2021, 3, 4, 5, 6, 7),
        "data": bytes(range(20)),
        "array": [1, "two", 3.0, [], {}],
        "many": list(range(20)),
        "nested": {"inner": {"deeper": ["x"]}},
    }
    if with_uid:
        v["uid"] = UID(7)
        v["bigUid"] = UID(70000)
    return v


def keyed_archive():
    # Written by hand, slot by slot, the way the platform's archiver lays them out.
    objects = ["$null"]

    def add(o):
        objects.append(o)
        return UID(len(objects) - 1)

    def cls(name, *chain):
        return add({"$classname": name, "$classes": [name, *chain]})

    dict_class = cls("NSDictionary", "NSObject")
    array_class = cls("NSArray", "NSObject")
    mutable_array_class = cls("NSMutableArray", "NSArray", "NSObject")
    set_class = cls("NSSet", "NSObject")
    date_class = cls("NSDate", "NSObject")
    null_class = cls("NSNull", "NSObject")
    mstring_class = cls("NSMutableString", "NSString", "NSObject")
    mdata_class = cls("NSMutableData", "NSData", "NSObject")
    sort_class = cls("NSSortDescriptor", "NSObject")
    thing_class = cls("TMVThing", "TMVBase", "NSObject")

    null = add({"$class": null_class})
    clip = add("clip")
    entries = {}
    entries["string"] = clip
    entries["unicode"] = add("clíp μLaw")
    entries["mutableString"] = add({"NS.string": "grows", "$class": mstring_class})
    entries["int"] = add(42)
    entries["negative"] = add(-7)
    entries["big"] = add(2 ** 63 + 1)
    entries["real"] = add(2.5)
    entries["bool"] = add(True)
    entries["date"] = add({"NS.time": 636_000_000.25, "$class": date_class})
    entries["data"] = add(b"\x00\x01\x02")
    entries["mutableData"] = add({"NS.data": b"\xff\xfe", "$class": mdata_class})
    entries["null"] = null
    entries["array"] = add({"NS.objects": [add(1), clip, null], "$class": array_class})
    entries["mutableArray"] = add({"NS.objects": [], "$class": mutable_array_class})
    entries["dict"] = add({"NS.keys": [add("x")], "NS.objects": [add(1)], "$class": dict_class})
    entries["set"] = add({"NS.objects": [add("a"), add("b")], "$class": set_class})
    entries["sort"] = add({"NSKey": add("name"), "NSAscending": False,
                           "NSSelector": add("localizedStandardCompare:"), "$class": sort_class})
    thing = add({"count": 3, "ratio": 0.25, "flag": True, "bytes": b"raw",
                 "title": clip, "nothing": UID(0),
                 "members": [clip, entries["int"]], "$class": thing_class})
    entries["thing"] = thing
    entries["sameThing"] = thing

    keys = sorted(entries)
    root = add({"NS.keys": [add(k) for k in keys], "NS.objects": [entries[k] for k in keys],
                "$class": dict_class})
    return {"$version": 100000, "$archiver": "NSKeyedArchiver", "$top": {"root": root},
            "$objects": objects}


def uids_as_dicts(value):
    if isinstance(value, UID):
        return {"CF$UID": value.data}
    if isinstance(value, list):
        return [uids_as_dicts(v) for v in value]
    if isinstance(value, dict):
        return {k: uids_as_dicts(v) for k, v in value.items()}
    return value


def main():
    write("values.bplist", plistlib.dumps(values(True), fmt=plistlib.FMT_BINARY, sort_keys=False))
    write("values.xml", plistlib.dumps(values(False), fmt=plistlib.FMT_XML))
    wide = {"strings": [f"string number {i}" for i in range(300)], "blob": b"\x5a" * 70000}
    write("wide.bplist", plistlib.dumps(wide, fmt=plistlib.FMT_BINARY))
    archive = keyed_archive()
    write("archive.bplist", plistlib.dumps(archive, fmt=plistlib.FMT_BINARY, sort_keys=False))
    write("archive.xml", plistlib.dumps(uids_as_dicts(archive), fmt=plistlib.FMT_XML, sort_keys=False))


if __name__ == "__main__":
    main()
